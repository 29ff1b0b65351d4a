// Zaldo/ProfileN.ini: defaults, saving the selected box, loading into a box.
#include "storage/settingsstore.h"
#include "storagetestenv.h"

#include <QSettings>

namespace {
const QStringList kKeys{"RColor", "GColor", "BColor", "Bright", "Speed", "SpeedMode", "PWM", "FanMode", "isTurnOffLed"};
const QStringList kDefaults{"255", "0", "0", "1", "5", "2", "1", "0", "0"};
} // namespace

class ProfileSettingsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;

    QString profilePath(int n) const { return m_data + QStringLiteral("/Zaldo/Profile%1.ini").arg(n); }

private slots:
    void initTestCase() { m_home = makeTestHome(); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_data = m_dir->path() + QStringLiteral("/RGBZaldo");
    }

    void paths()
    {
        ControllerState state;
        SettingsStore store(state, m_data);
        QCOMPARE(store.deviceFilePath(), m_data + "/Device.ini");
        QCOMPARE(store.profileFilePath(3), m_data + "/Zaldo/Profile3.ini");
        QCOMPARE(store.profileFilePath(0), QString());
        QCOMPARE(store.profileFilePath(6), QString());
    }

    void missingFileGivesDefaultsWithoutCreatingIt()
    {
        ControllerState state;
        SettingsStore store(state, m_data);
        QTest::ignoreMessage(QtDebugMsg, "Don't do up load(bool isUpLoad)");
        const ProfileSettingsTable table = store.readProfileIni(2);
        for (const auto &fan : table.fans) {
            for (int k = 0; k < 9; ++k)
                QCOMPARE(fan[k], kDefaults.at(k));
        }
        QVERIFY(!QFileInfo::exists(profilePath(2)));
        QVERIFY(!QFileInfo::exists(m_data));
    }

    void loadMissingProfileAppliesDefaults()
    {
        ControllerState state;
        ControllerBox &box = state.boxArray[3];
        box.RColorFan = {1, 2, 3};
        box.GColorFan = {9, 9, 9};
        box.brightFan = {0.1f, 0.2f, 0.3f};
        box.speedFan = {0, 1, 2};
        box.speedModeFan = {1, 0, 0};
        box.isPWMFan = {false, false, false};
        box.LEDModeFan = {2, 1, 2};
        box.isTurnOffLedFan = {true, true, true};
        SettingsStore(state, m_data).loadProfileIni(3, 4);
        for (int f = 0; f < 3; ++f) {
            QCOMPARE(box.RColorFan[f], 255);
            QCOMPARE(box.GColorFan[f], 0);
            QCOMPARE(box.BColorFan[f], 0);
            QCOMPARE(box.brightFan[f], 1.0f);
            QCOMPARE(box.speedFan[f], 5);
            QCOMPARE(box.speedModeFan[f], 2);
            QCOMPARE(box.isPWMFan[f], true);
            QCOMPARE(box.LEDModeFan[f], 0);
            QCOMPARE(box.isTurnOffLedFan[f], false);
        }
        QVERIFY(!QFileInfo::exists(profilePath(4)));
    }

    void saveWritesExactText()
    {
        ControllerState state;
        state.controllerBoxNumber = 6;
        ControllerBox &box = state.boxArray[6];
        box.RColorFan = {10, 20, 30};
        box.GColorFan = {40, 50, 60};
        box.BColorFan = {70, 80, 90};
        box.brightFan = {0.25f, 0.3f, 0.0f};
        box.speedFan = {0, 3, 5};
        box.speedModeFan = {1, 0, 2};
        box.isPWMFan = {false, true, false};
        box.LEDModeFan = {0, 1, 2};
        box.isTurnOffLedFan = {true, false, false};
        SettingsStore store(state, m_data);
        QVERIFY(store.saveProfileSettings(2));

        QSettings file(profilePath(2), QSettings::IniFormat);
        QCOMPARE(file.childGroups(), (QStringList{"Fan0", "Fan1", "Fan2"}));
        const QStringList fan0{"10", "40", "70", "0.25", "0", "1", "0", "0", "1"};
        const QStringList fan1{"20", "50", "80", "0.3", "3", "0", "1", "1", "0"};
        const QStringList fan2{"30", "60", "90", "0", "5", "2", "0", "2", "0"};
        const QList<QStringList> expected{fan0, fan1, fan2};
        for (int f = 0; f < 3; ++f) {
            for (int k = 0; k < 9; ++k)
                QCOMPARE(file.value(QStringLiteral("Fan%1/").arg(f) + kKeys.at(k)).toString(), expected[f].at(k));
        }
        QVERIFY(!QFileInfo::exists(m_data + "/Device.ini")); // only the profile file
    }

    void brightnessRoundTrip_data()
    {
        QTest::addColumn<float>("bright");
        QTest::addColumn<QString>("text");
        QTest::newRow("half") << 0.5f << "0.5";
        QTest::newRow("one") << 1.0f << "1";
        QTest::newRow("quarter") << 0.25f << "0.25";
        QTest::newRow("float 0.3") << 0.3f << "0.3";
        QTest::newRow("six digits") << 0.1234567f << "0.123457";
        QTest::newRow("zero") << 0.0f << "0";
    }
    void brightnessRoundTrip()
    {
        QFETCH(float, bright);
        QFETCH(QString, text);
        ControllerState state;
        state.boxArray[0].brightFan = {bright, bright, bright};
        SettingsStore store(state, m_data);
        QCOMPARE(store.collectProfileSettings().value("Fan1").value("Bright"), text);
        QVERIFY(store.saveProfileSettings(1));
        QVERIFY(readBytes(profilePath(1)).contains("Bright=" + text.toLatin1()));
        state.boxArray[5].brightFan = {-1, -1, -1};
        store.loadProfileIni(5, 1);
        QCOMPARE(state.boxArray[5].brightFan[2], text.toFloat());
        QVERIFY(qAbs(state.boxArray[5].brightFan[0] - bright) < 1e-6f);
    }

    void speedAboveFiveIsCorrected()
    {
        ControllerState state;
        state.controllerBoxNumber = 2;
        ControllerBox &box = state.boxArray[2];
        box.speedFan = {7, 5, 4};
        box.speedModeFan = {0, 0, 0};
        SettingsStore store(state, m_data);
        QVERIFY(store.saveProfileSettings(5));
        QSettings file(profilePath(5), QSettings::IniFormat);
        QCOMPARE(file.value("Fan0/Speed").toString(), QStringLiteral("5"));
        QCOMPARE(file.value("Fan0/SpeedMode").toString(), QStringLiteral("2"));
        // Only a level above 5 is touched.
        QCOMPARE(file.value("Fan1/SpeedMode").toString(), QStringLiteral("0"));
        QCOMPARE(file.value("Fan2/Speed").toString(), QStringLiteral("4"));
        QCOMPARE(box.speedFan, (std::array<int, 3>{5, 5, 4}));
        QCOMPARE(box.speedModeFan, (std::array<int, 3>{2, 0, 0}));
    }

    void twoBoxesShareOneFile()
    {
        ControllerState state;
        state.controllerBoxNumber = 1;
        state.boxArray[1].RColorFan = {0, 128, 0};
        state.boxArray[1].LEDModeFan = {2, 2, 1};
        SettingsStore store(state, m_data);
        QVERIFY(store.saveProfileSettings(3));
        store.loadProfileIni(8, 3);
        store.loadProfileIni(12, 3);
        QCOMPARE(state.boxArray[8].RColorFan, (std::array<int, 3>{0, 128, 0}));
        QCOMPARE(state.boxArray[12].RColorFan, (std::array<int, 3>{0, 128, 0}));
        QCOMPARE(state.boxArray[12].LEDModeFan, (std::array<int, 3>{2, 2, 1}));
        // A later save of that profile from another box reaches both.
        state.controllerBoxNumber = 8;
        state.boxArray[8].BColorFan = {7, 7, 7};
        QVERIFY(store.saveProfileSettings(3));
        store.loadProfileIni(12, 3);
        QCOMPARE(state.boxArray[12].BColorFan, (std::array<int, 3>{7, 7, 7}));
        QCOMPARE(QDir(m_data + "/Zaldo").entryList(QDir::Files), QStringList{"Profile3.ini"});
    }

    void unparsableTextReadsAsZero()
    {
        QVERIFY(writeBytes(profilePath(1), "[Fan0]\nRColor=red\nGColor=12\nBColor=\nBright=half\n"
                                           "Speed=3.5\nSpeedMode=x\nPWM=no\nFanMode=\nisTurnOffLed=yes\n"));
        ControllerState state;
        SettingsStore store(state, m_data);
        const ProfileSettingsTable table = store.readProfileIni(1);
        QCOMPARE(table.fans[0][0], QStringLiteral("red"));
        QCOMPARE(table.fans[1][0], QString()); // present file: no defaults
        QCOMPARE(table.fans[4][8], QString());
        store.loadProfileIni(0, 1);
        const ControllerBox &box = state.boxArray[0];
        QCOMPARE(box.RColorFan[0], 0);
        QCOMPARE(box.GColorFan[0], 12);
        QCOMPARE(box.brightFan[0], 0.0f);
        QCOMPARE(box.speedFan[0], 0);
        QCOMPARE(box.isPWMFan[0], false);
        QCOMPARE(box.isTurnOffLedFan[0], false);
        QCOMPARE(box.RColorFan[1], 0);
        QCOMPARE(box.brightFan[1], 0.0f);
    }

    void readsFanGroupsBeyondThree()
    {
        QVERIFY(writeBytes(profilePath(4), "[Fan4]\nRColor=1\nisTurnOffLed=1\n[Fan3]\nSpeed=2\n"));
        ControllerState state;
        const ProfileSettingsTable table = SettingsStore(state, m_data).readProfileIni(4);
        QCOMPARE(table.fans[4][0], QStringLiteral("1"));
        QCOMPARE(table.fans[4][8], QStringLiteral("1"));
        QCOMPARE(table.fans[3][4], QStringLiteral("2"));
    }

    void profileNumberOutOfRange_data()
    {
        QTest::addColumn<int>("profile");
        QTest::newRow("0") << 0;
        QTest::newRow("6") << 6;
        QTest::newRow("-1") << -1;
    }
    void profileNumberOutOfRange()
    {
        QFETCH(int, profile);
        ControllerState state;
        state.boxArray[0].speedFan = {9, 9, 9};
        state.boxArray[1].RColorFan = {1, 1, 1};
        SettingsStore store(state, m_data);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Profile not saved"));
        QVERIFY(!store.saveProfileSettings(profile));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Profile not written"));
        QVERIFY(!store.writeProfileIni(store.collectProfileSettings(), profile));
        const ProfileSettingsTable table = store.readProfileIni(profile);
        QCOMPARE(table.fans[0][0], QStringLiteral("255"));
        store.loadProfileIni(1, profile);
        QCOMPARE(state.boxArray[1].RColorFan[0], 255);
        QVERIFY(!QFileInfo::exists(m_data));
    }

    void badBoxOrEmptyMapRefused()
    {
        ControllerState state;
        state.boxArray[0].RColorFan = {3, 3, 3};
        SettingsStore store(state, m_data);
        store.loadProfileIni(16, 1);
        store.loadProfileIni(-1, 1);
        QCOMPARE(state.boxArray[0].RColorFan[0], 3);
        state.controllerBoxNumber = 16;
        QVERIFY(store.collectProfileSettings().isEmpty());
        QVERIFY(!store.saveProfileSettings(1));
        QVERIFY(!QFileInfo::exists(profilePath(1)));
    }
};

QTEST_GUILESS_MAIN(ProfileSettingsTest)
#include "tst_profilesettings.moc"
