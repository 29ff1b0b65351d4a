// Zaldo/ProfileN.ini: defaults, saving the selected box, loading into a box.
#include "storagetestenv.h"

namespace {
const QStringList kDefaults{"255", "0", "0", "1", "5", "2", "1", "0", "0"};
const QStringList kKeys{"RColor", "GColor", "BColor", "Bright", "Speed", "SpeedMode", "PWM", "FanMode", "isTurnOffLed"};

QStringList fanValues(const QString &path, int fan)
{
    QSettings file(path, QSettings::IniFormat);
    QStringList out;
    for (const QString &key : kKeys)
        out << file.value(QStringLiteral("Fan%1/").arg(fan) + key).toString();
    return out;
}
} // namespace

class ProfileSettingsTest : public QObject {
    Q_OBJECT
    StorageDirs m;

private slots:
    void initTestCase() { m.initHome(); }
    void init() { m.reset(); }

    void paths()
    {
        ControllerState state;
        SettingsStore store(state, m.data);
        QCOMPARE((QStringList{store.deviceFilePath(), store.profileFilePath(3), store.profileFilePath(0),
                              store.profileFilePath(6)}),
                 (QStringList{m.device(), m.data + "/Zaldo/Profile3.ini", "", ""}));
    }

    void missingProfileGivesDefaultsWithoutCreatingIt()
    {
        ControllerState state;
        for (int f = 0; f < 3; ++f)
            setFan(state.boxArray[3], f, {"1", "9", "3", "0.5", "0", "1", "0", "2", "1"});
        SettingsStore store(state, m.data);
        QTest::ignoreMessage(QtDebugMsg, "Don't do up load(bool isUpLoad)");
        for (const auto &fan : store.readProfileIni(2).fans)
            QCOMPARE(QStringList(fan.begin(), fan.end()), kDefaults);
        store.loadProfileIni(3, 4);
        for (int f = 0; f < 3; ++f)
            QCOMPARE(fanOf(state.boxArray[3], f), kDefaults);
        QVERIFY(!QFileInfo::exists(m.data));
    }

    void saveWritesExactText()
    {
        const QList<QStringList> fans{{"10", "40", "70", "0.25", "0", "1", "0", "0", "1"},
                                      {"20", "50", "80", "0.3", "3", "0", "1", "1", "0"},
                                      {"30", "60", "90", "0", "5", "2", "0", "2", "0"}};
        ControllerState state;
        state.controllerBoxNumber = 6;
        for (int f = 0; f < 3; ++f)
            setFan(state.boxArray[6], f, fans[f]);
        QVERIFY(SettingsStore(state, m.data).saveProfileSettings(2));
        QCOMPARE(QSettings(m.profile(2), QSettings::IniFormat).childGroups(), (QStringList{"Fan0", "Fan1", "Fan2"}));
        for (int f = 0; f < 3; ++f)
            QCOMPARE(fanValues(m.profile(2), f), fans[f]);
        QVERIFY(!QFileInfo::exists(m.device())); // only the profile file
    }

    void brightnessRoundTrip_data()
    {
        QTest::addColumn<float>("bright");
        QTest::addColumn<QString>("text");
        QTest::newRow("half") << 0.5f << "0.5";
        QTest::newRow("one") << 1.0f << "1";
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
        SettingsStore store(state, m.data);
        QVERIFY(store.saveProfileSettings(1));
        QVERIFY(readBytes(m.profile(1)).contains("Bright=" + text.toLatin1()));
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
        QVERIFY(SettingsStore(state, m.data).saveProfileSettings(5));
        QCOMPARE(fanValues(m.profile(5), 0).mid(4, 2), (QStringList{"5", "2"}));
        // Only a level above 5 is touched.
        QCOMPARE(fanValues(m.profile(5), 1).mid(4, 2), (QStringList{"5", "0"}));
        QCOMPARE(fanValues(m.profile(5), 2).mid(4, 2), (QStringList{"4", "0"}));
        QCOMPARE(box.speedFan, (Fan3{5, 5, 4}));
        QCOMPARE(box.speedModeFan, (Fan3{2, 0, 0}));
    }

    void twoBoxesShareOneFile()
    {
        ControllerState state;
        state.controllerBoxNumber = 1;
        state.boxArray[1].RColorFan = {0, 128, 0};
        state.boxArray[1].LEDModeFan = {2, 2, 1};
        SettingsStore store(state, m.data);
        QVERIFY(store.saveProfileSettings(3));
        store.loadProfileIni(8, 3);
        store.loadProfileIni(12, 3);
        for (int f = 0; f < 3; ++f)
            QCOMPARE(fanOf(state.boxArray[12], f), fanOf(state.boxArray[1], f));
        // A later save of that profile from another box reaches both.
        state.controllerBoxNumber = 8;
        state.boxArray[8].BColorFan = {7, 7, 7};
        QVERIFY(store.saveProfileSettings(3));
        store.loadProfileIni(12, 3);
        QCOMPARE(state.boxArray[12].BColorFan, (Fan3{7, 7, 7}));
        QCOMPARE(QDir(m.data + "/Zaldo").entryList(QDir::Files), QStringList{"Profile3.ini"});
    }

    void presentFileIsReadWithoutDefaults()
    {
        QVERIFY(writeBytes(m.profile(1), "[Fan0]\nRColor=red\nGColor=12\nBColor=\nBright=half\nSpeed=3.5\nSpeedMode=x\n"
                                         "PWM=no\nFanMode=\nisTurnOffLed=yes\n[Fan4]\nRColor=1\n"));
        ControllerState state;
        SettingsStore store(state, m.data);
        const ProfileSettingsTable table = store.readProfileIni(1);
        QCOMPARE(table.fans[0][0], QStringLiteral("red"));
        QCOMPARE(table.fans[1][0], QString());
        QCOMPARE(table.fans[4][0], QStringLiteral("1")); // groups beyond Fan2 are read too
        // Text that does not convert reads as 0.
        store.loadProfileIni(0, 1);
        QCOMPARE(fanOf(state.boxArray[0], 0), (QStringList{"0", "12", "0", "0", "0", "0", "0", "0", "0"}));
        QCOMPARE(fanOf(state.boxArray[0], 1), (QStringList{"0", "0", "0", "0", "0", "0", "0", "0", "0"}));
    }

    // A hand edit can leave values no box takes; each comes in range on load.
    void rangeCheckedOnLoad_data()
    {
        QTest::addColumn<QString>("line");       // replaces that key of the base fan
        QTest::addColumn<QStringList>("loaded"); // the record's values that differ from it
        QTest::newRow("red far too big") << "RColor=7200000" << QStringList{"RColor=255"};
        QTest::newRow("green negative") << "GColor=-5" << QStringList{"GColor=0"};
        QTest::newRow("blue 256") << "BColor=256" << QStringList{"BColor=255"};
        QTest::newRow("red beyond int") << "RColor=99999999999" << QStringList{"RColor=255"};
        QTest::newRow("brightness negative") << "Bright=-0.5" << QStringList{"Bright=0"};
        QTest::newRow("brightness 1e30") << "Bright=1e30" << QStringList{"Bright=1"};
        QTest::newRow("brightness nan") << "Bright=nan" << QStringList{"Bright=1"};
        QTest::newRow("brightness inf") << "Bright=inf" << QStringList{"Bright=1"};
        QTest::newRow("brightness -inf") << "Bright=-inf" << QStringList{"Bright=1"};
        QTest::newRow("speed 9") << "Speed=9" << QStringList{"Speed=5", "SpeedMode=2"};
        QTest::newRow("speed -1") << "Speed=-1" << QStringList{"Speed=5", "SpeedMode=2"};
        QTest::newRow("in range kept") << "Bright=0.25" << QStringList{"Bright=0.25"};
        QTest::newRow("speed 0 kept") << "Speed=0" << QStringList{"Speed=0"};
    }
    void rangeCheckedOnLoad()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, loaded);
        const QStringList base{"10", "20", "30", "0.5", "3", "0", "0", "0", "0"};
        QStringList expected = base;
        QString text = "[Fan0]\n";
        for (int k = 0; k < kKeys.size(); ++k)
            text += (line.startsWith(kKeys[k] + "=") ? line : kKeys[k] + "=" + base[k]) + "\n";
        for (const QString &kv : loaded)
            expected[kKeys.indexOf(kv.section('=', 0, 0))] = kv.section('=', 1);
        QVERIFY(writeBytes(m.profile(1), text.toLatin1()));
        ControllerState state;
        SettingsStore(state, m.data).loadProfileIni(0, 1);
        QCOMPARE(fanOf(state.boxArray[0], 0), expected);
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
        state.boxArray[1].RColorFan = {1, 1, 1};
        SettingsStore store(state, m.data);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Profile not saved"));
        QVERIFY(!store.saveProfileSettings(profile));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Profile not written"));
        QVERIFY(!store.writeProfileIni(store.collectProfileSettings(), profile));
        QCOMPARE(store.readProfileIni(profile).fans[0][0], QStringLiteral("255"));
        store.loadProfileIni(1, profile);
        QCOMPARE(state.boxArray[1].RColorFan[0], 255);
        QVERIFY(!QFileInfo::exists(m.data));
    }

    void badBoxOrEmptyMapRefused()
    {
        ControllerState state;
        state.boxArray[0].RColorFan = {3, 3, 3};
        SettingsStore store(state, m.data);
        store.loadProfileIni(16, 1);
        store.loadProfileIni(-1, 1);
        QCOMPARE(state.boxArray[0].RColorFan[0], 3);
        state.controllerBoxNumber = 16;
        QVERIFY(store.collectProfileSettings().isEmpty());
        QVERIFY(!store.saveProfileSettings(1));
        QVERIFY(!QFileInfo::exists(m.profile(1)));
    }
};

QTEST_GUILESS_MAIN(ProfileSettingsTest)
#include "tst_profilesettings.moc"
