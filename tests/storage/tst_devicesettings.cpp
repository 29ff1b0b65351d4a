// Device.ini: first start, reading into the box table, writing it back.
#include "storage/settingsstore.h"
#include "storagetestenv.h"

#include <QSettings>

class DeviceSettingsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;

    QString devicePath() const { return m_data + QStringLiteral("/Device.ini"); }

private slots:
    void initTestCase() { m_home = makeTestHome(); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_data = m_dir->path() + QStringLiteral("/RGBZaldo");
    }

    void defaultDataDirectoryIsUnderBv()
    {
        QCOMPARE(SettingsStore::defaultDataDirectory(),
                 m_home->path() + QStringLiteral("/config/Bv/RGBZaldo"));
        ControllerState state;
        QCOMPARE(SettingsStore(state).dataDirectory(), SettingsStore::defaultDataDirectory());
    }

    void firstStartCreatesDefaults()
    {
        ControllerState state;
        SettingsStore store(state, m_data);
        QVERIFY(!QFileInfo::exists(m_data));
        QTest::ignoreMessage(QtDebugMsg, "Don't do up load(bool isUpLoad)");
        const DeviceSettingsTable table = store.readDeviceIni();
        QVERIFY(QFileInfo(devicePath()).isFile());

        for (const auto &device : table.devices) {
            QCOMPARE(device[0], QStringLiteral("1"));
            QCOMPARE(device[1], QStringLiteral("1,1,1"));
        }
        QCOMPARE(table.autoUpdate, QStringLiteral("1"));
        QCOMPARE(table.language, QStringLiteral("0"));
        QCOMPARE(table.password, QStringLiteral("7391"));
        QCOMPARE(table.openPassword, QStringLiteral("0"));
        QCOMPARE(table.isAutoRun, QStringLiteral("1"));

        QSettings file(devicePath(), QSettings::IniFormat);
        QStringList expectedGroups{QStringLiteral("Main")};
        for (int n = 0; n < 16; ++n) {
            expectedGroups << QStringLiteral("Device%1").arg(n);
            QCOMPARE(file.value(QStringLiteral("Device%1/Profile").arg(n)).toString(), QStringLiteral("1"));
            QCOMPARE(file.value(QStringLiteral("Device%1/Monitor").arg(n)).toString(), QStringLiteral("1,1,1"));
        }
        QStringList groups = file.childGroups();
        groups.sort();
        expectedGroups.sort();
        QCOMPARE(groups, expectedGroups);
        file.beginGroup(QStringLiteral("Main"));
        QStringList keys = file.childKeys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"AutoUpdate", "Language", "OpenPassword", "Password", "isAutoRun"}));
        QCOMPARE(file.value(QStringLiteral("Password")).toString(), QStringLiteral("7391"));
        file.endGroup();

        // No profile file until a profile is saved.
        QVERIFY(!QFileInfo::exists(m_data + QStringLiteral("/Zaldo")));
    }

    void parseDeviceOnFirstStartGivesDefaults()
    {
        ControllerState state;
        state.isStartAutoUpdate = false;
        state.passwordStr = QStringLiteral("x");
        state.boxArray[4].profileValue = 3;
        state.boxArray[4].monitorFan = {false, false, false};
        SettingsStore store(state, m_data);
        QTest::ignoreMessage(QtDebugMsg, "parseDevice-----");
        store.parseDevice();
        QCOMPARE(state.boxArray[4].profileValue, 1);
        QCOMPARE(state.boxArray[4].monitorFan, (std::array<bool, 3>{true, true, true}));
        QVERIFY(state.isStartAutoUpdate);
        QVERIFY(state.isAutoRun);
        QVERIFY(!state.isOpenPassword);
        QCOMPARE(state.languageIndex, 0);
        QCOMPARE(state.passwordStr, QStringLiteral("7391"));
    }

    void readLogsEveryMonitor()
    {
        ControllerState state;
        SettingsStore store(state, m_data);
        store.readDeviceIni();
        for (int n = 0; n < 16; ++n)
            QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("read_file_array[%1][1]:1,1,1").arg(n)));
        QTest::ignoreMessage(QtDebugMsg, "Password:::7391");
        store.readDeviceIni();
    }

    void saveAndParseRoundTrip()
    {
        ControllerState state;
        state.boxArray[0].profileValue = 4;
        state.boxArray[15].profileValue = 5;
        state.boxArray[7].monitorFan = {true, false, true};
        state.isStartAutoUpdate = false;
        state.languageIndex = 6;
        state.passwordStr = QStringLiteral("0042");
        state.isOpenPassword = true;
        state.isAutoRun = false;
        SettingsStore store(state, m_data);
        QVERIFY(store.saveDeviceSettings());

        // Monitor is stored as one quoted string, not as a list.
        const QByteArray text = readBytes(devicePath());
        QVERIFY2(text.contains("Monitor=\"1,0,1\""), text.constData());
        QVERIFY(!text.contains("1, 0, 1"));
        QVERIFY(text.contains("Password=0042"));

        ControllerState loaded;
        SettingsStore(loaded, m_data).parseDevice();
        QCOMPARE(loaded.boxArray[0].profileValue, 4);
        QCOMPARE(loaded.boxArray[15].profileValue, 5);
        QCOMPARE(loaded.boxArray[1].profileValue, 1);
        QCOMPARE(loaded.boxArray[7].monitorFan, (std::array<bool, 3>{true, false, true}));
        QCOMPARE(loaded.isStartAutoUpdate, false);
        QCOMPARE(loaded.languageIndex, 6);
        QCOMPARE(loaded.passwordStr, QStringLiteral("0042"));
        QCOMPARE(loaded.isOpenPassword, true);
        QCOMPARE(loaded.isAutoRun, false);
    }

    void collectDeviceSettingsMap()
    {
        ControllerState state;
        state.boxArray[2].monitorFan = {false, true, false};
        state.boxArray[2].profileValue = 2;
        state.passwordStr = QStringLiteral("1234");
        SettingsStore store(state, m_data);
        const SettingsMap map = store.collectDeviceSettings();
        QCOMPARE(map.size(), 17);
        QCOMPARE(map.value("Device2").value("Monitor"), QStringLiteral("0,1,0"));
        QCOMPARE(map.value("Device2").value("Profile"), QStringLiteral("2"));
        QCOMPARE(map.value("Device15").value("Monitor"), QStringLiteral("1,1,1"));
        const auto main = map.value("Main");
        QCOMPARE(main.value("AutoUpdate"), QStringLiteral("1"));
        QCOMPARE(main.value("Language"), QStringLiteral("0"));
        QCOMPARE(main.value("Password"), QStringLiteral("1234"));
        QCOMPARE(main.value("OpenPassword"), QStringLiteral("0"));
        QCOMPARE(main.value("isAutoRun"), QStringLiteral("1"));
        QVERIFY(!QFileInfo::exists(devicePath())); // collecting writes nothing
    }

    void writeDeviceIniBlanksMissingKeys()
    {
        ControllerState state;
        SettingsStore store(state, m_data);
        SettingsMap map;
        map["Device3"]["Profile"] = QStringLiteral("2");
        QVERIFY(store.writeDeviceIni(map));
        QSettings file(devicePath(), QSettings::IniFormat);
        QCOMPARE(file.value("Device3/Profile").toString(), QStringLiteral("2"));
        QVERIFY(file.contains("Device3/Monitor"));
        QCOMPARE(file.value("Device3/Monitor").toString(), QString());
        QCOMPARE(file.value("Main/Password").toString(), QString());
        // ...and empty Profile / Monitor read back as the defaults.
        const DeviceSettingsTable table = store.readDeviceIni();
        QCOMPARE(table.devices[3][0], QStringLiteral("2"));
        QCOMPARE(table.devices[3][1], QStringLiteral("1,1,1"));
        QCOMPARE(table.devices[0][0], QStringLiteral("1"));
    }

    void mainGroupRemoved()
    {
        QVERIFY(writeBytes(devicePath(), "[Device0]\nProfile=2\nMonitor=\"0,0,0\"\n"));
        ControllerState state;
        SettingsStore store(state, m_data);
        store.parseDevice();
        QCOMPARE(state.passwordStr, QString());
        QVERIFY(!state.isStartAutoUpdate);
        QVERIFY(!state.isOpenPassword);
        QVERIFY(!state.isAutoRun);
        QCOMPARE(state.languageIndex, 0);
        QCOMPARE(state.boxArray[0].profileValue, 2);
        QCOMPARE(state.boxArray[0].monitorFan, (std::array<bool, 3>{false, false, false}));
        QCOMPARE(state.boxArray[1].monitorFan, (std::array<bool, 3>{true, true, true}));
    }

    void monitorValues_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("readAs");
        QTest::addColumn<QList<bool>>("flags");
        QTest::newRow("quoted") << QByteArray("Monitor=\"1,0,1\"") << "1,0,1" << QList<bool>{true, false, true};
        QTest::newRow("hand-written list") << QByteArray("Monitor=0,1,0") << "0,1,0" << QList<bool>{false, true, false};
        QTest::newRow("list with blanks") << QByteArray("Monitor=0, 0, 1") << "0,0,1" << QList<bool>{false, false, true};
        QTest::newRow("empty") << QByteArray("Monitor=") << "1,1,1" << QList<bool>{true, true, true};
        QTest::newRow("one part") << QByteArray("Monitor=0") << "0" << QList<bool>{false, true, true};
        QTest::newRow("two parts") << QByteArray("Monitor=\"0,0\"") << "0,0" << QList<bool>{false, false, true};
        QTest::newRow("empty middle") << QByteArray("Monitor=\"1,,1\"") << "1,,1" << QList<bool>{true, false, true};
        QTest::newRow("not numbers") << QByteArray("Monitor=\"x,2,-1\"") << "x,2,-1" << QList<bool>{false, true, true};
        QTest::newRow("four parts") << QByteArray("Monitor=\"0,1,0,0\"") << "0,1,0,0" << QList<bool>{false, true, false};
    }
    void monitorValues()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, readAs);
        QFETCH(QList<bool>, flags);
        QVERIFY(writeBytes(devicePath(), "[Device5]\nProfile=1\n" + line + "\n"));
        ControllerState state;
        SettingsStore store(state, m_data);
        QCOMPARE(store.readDeviceIni().devices[5][1], readAs);
        store.parseDevice();
        for (int f = 0; f < 3; ++f)
            QCOMPARE(state.boxArray[5].monitorFan[f], flags.at(f));
    }

    void profileValues_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("profile");
        QTest::newRow("3") << "3" << 3;
        QTest::newRow("5") << "5" << 5;
        QTest::newRow("0") << "0" << 1;
        QTest::newRow("6") << "6" << 1;
        QTest::newRow("-1") << "-1" << 1;
        QTest::newRow("text") << "two" << 1;
        QTest::newRow("empty") << "" << 1;
    }
    void profileValues()
    {
        QFETCH(QString, stored);
        QFETCH(int, profile);
        QVERIFY(writeBytes(devicePath(), "[Device9]\nProfile=" + stored.toLatin1() + "\n"));
        ControllerState state;
        state.boxArray[9].profileValue = 4;
        SettingsStore(state, m_data).parseDevice();
        QCOMPARE(state.boxArray[9].profileValue, profile);
    }

    void switchesAndLanguage_data()
    {
        QTest::addColumn<QByteArray>("main");
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("autoUpdate");
        QTest::addColumn<bool>("autoRun");
        QTest::addColumn<bool>("openPassword");
        QTest::newRow("language 9 kept") << QByteArray("Language=9\nAutoUpdate=1") << 9 << true << false << false;
        QTest::newRow("any non-zero is set") << QByteArray("AutoUpdate=2\nisAutoRun=-1\nOpenPassword=7") << 0 << true << true << true;
        QTest::newRow("text reads as 0") << QByteArray("Language=de\nAutoUpdate=yes\nisAutoRun=on") << 0 << false << false << false;
    }
    void switchesAndLanguage()
    {
        QFETCH(QByteArray, main);
        QFETCH(int, language);
        QFETCH(bool, autoUpdate);
        QFETCH(bool, autoRun);
        QFETCH(bool, openPassword);
        QVERIFY(writeBytes(devicePath(), "[Main]\n" + main + "\nPassword=5555\n"));
        ControllerState state;
        SettingsStore(state, m_data).parseDevice();
        QCOMPARE(state.languageIndex, language);
        QCOMPARE(state.isStartAutoUpdate, autoUpdate);
        QCOMPARE(state.isAutoRun, autoRun);
        QCOMPARE(state.isOpenPassword, openPassword);
        QCOMPARE(state.passwordStr, QStringLiteral("5555"));
    }

    void passwordKeptAsText()
    {
        // Leading zeros and a comma-separated hand edit stay the same text.
        QVERIFY(writeBytes(devicePath(), "[Main]\nPassword=0007\n"));
        ControllerState state;
        SettingsStore store(state, m_data);
        store.parseDevice();
        QCOMPARE(state.passwordStr, QStringLiteral("0007"));
        QVERIFY(writeBytes(devicePath(), "[Main]\nPassword=12,34\n"));
        store.parseDevice();
        QCOMPARE(state.passwordStr, QStringLiteral("12,34"));
    }
};

QTEST_GUILESS_MAIN(DeviceSettingsTest)
#include "tst_devicesettings.moc"
