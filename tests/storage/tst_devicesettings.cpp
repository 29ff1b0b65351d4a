// Device.ini: first start, reading into the box table, writing it back.
#include "storagetestenv.h"

class DeviceSettingsTest : public QObject {
    Q_OBJECT
    StorageDirs m;

private slots:
    void initTestCase() { m.initHome(); }
    void init() { m.reset(); }

    void defaultDataDirectoryIsUnderBv()
    {
        QCOMPARE(SettingsStore::defaultDataDirectory(), m.home->path() + "/config/Bv/RGBZaldo");
        ControllerState state;
        QCOMPARE(SettingsStore(state).dataDirectory(), SettingsStore::defaultDataDirectory());
    }

    void firstStartCreatesDefaults()
    {
        ControllerState state;
        state.isStartAutoUpdate = false;
        state.passwordStr = "x";
        state.boxArray[4].profileValue = 3;
        state.boxArray[4].monitorFan = {false, false, false};
        SettingsStore store(state, m.data);
        QTest::ignoreMessage(QtDebugMsg, "Don't do up load(bool isUpLoad)");
        QTest::ignoreMessage(QtDebugMsg, "parseDevice-----");
        store.parseDevice();
        QCOMPARE(state.boxArray[4].profileValue, 1);
        QCOMPARE(state.boxArray[4].monitorFan, (Flags3{true, true, true}));
        QCOMPARE(mainOf(state), (QStringList{"1", "0", "7391", "0", "1"}));

        QSettings file(m.device(), QSettings::IniFormat);
        QCOMPARE(file.allKeys().size(), 16 * 2 + 5);
        for (int n = 0; n < 16; ++n) {
            QCOMPARE(file.value(QStringLiteral("Device%1/Profile").arg(n)).toString(), QStringLiteral("1"));
            QCOMPARE(file.value(QStringLiteral("Device%1/Monitor").arg(n)).toString(), QStringLiteral("1,1,1"));
        }
        QStringList mainValues;
        for (const char *key : {"AutoUpdate", "Language", "Password", "OpenPassword", "isAutoRun"})
            mainValues << file.value(QStringLiteral("Main/") + key).toString();
        QCOMPARE(mainValues, (QStringList{"1", "0", "7391", "0", "1"}));
        QVERIFY(!QFileInfo::exists(m.data + "/Zaldo")); // no profile file until one is saved

        // The second read finds the file and logs what it read.
        for (int n = 0; n < 16; ++n)
            QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("read_file_array[%1][1]:1,1,1").arg(n)));
        QTest::ignoreMessage(QtDebugMsg, "Password:::7391");
        QCOMPARE(store.readDeviceIni().isAutoRun, QStringLiteral("1"));
    }

    void saveAndParseRoundTrip()
    {
        ControllerState state;
        state.boxArray[0].profileValue = 4;
        state.boxArray[15].profileValue = 5;
        state.boxArray[7].monitorFan = {true, false, true};
        state.isStartAutoUpdate = false;
        state.languageIndex = 6;
        state.passwordStr = "0042";
        state.isOpenPassword = true;
        state.isAutoRun = false;
        SettingsStore store(state, m.data);
        QCOMPARE(store.collectDeviceSettings().size(), 17);
        QVERIFY(!QFileInfo::exists(m.device())); // collecting writes nothing
        QVERIFY(store.saveDeviceSettings());

        // Monitor is stored as one quoted string, not as a list.
        const QByteArray text = readBytes(m.device());
        QVERIFY2(text.contains("Monitor=\"1,0,1\"") && text.contains("Password=0042"), text.constData());

        ControllerState loaded;
        SettingsStore(loaded, m.data).parseDevice();
        QCOMPARE(loaded.boxArray[0].profileValue, 4);
        QCOMPARE(loaded.boxArray[15].profileValue, 5);
        QCOMPARE(loaded.boxArray[1].profileValue, 1);
        QCOMPARE(loaded.boxArray[7].monitorFan, (Flags3{true, false, true}));
        QCOMPARE(mainOf(loaded), (QStringList{"0", "6", "0042", "1", "0"}));
    }

    void writeDeviceIniBlanksMissingKeys()
    {
        ControllerState state;
        SettingsStore store(state, m.data);
        SettingsMap map;
        map["Device3"]["Profile"] = "2";
        QVERIFY(store.writeDeviceIni(map));
        QVERIFY(readBytes(m.device()).contains("Monitor=\n"));
        QCOMPARE(iniValue(m.device(), "Main/Password"), QString());
        // ...and empty Profile / Monitor read back as the defaults.
        const DeviceSettingsTable table = store.readDeviceIni();
        QCOMPARE(table.devices[3], (std::array<QString, 2>{"2", "1,1,1"}));
        QCOMPARE(table.devices[0][0], QStringLiteral("1"));
    }

    void deviceGroupValues_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("readAs");
        QTest::addColumn<QList<bool>>("flags");
        QTest::addColumn<int>("profile");
        const QList<bool> all{true, true, true};
        QTest::newRow("quoted") << QByteArray("Profile=3\nMonitor=\"1,0,1\"") << "1,0,1" << QList<bool>{true, false, true} << 3;
        QTest::newRow("hand-written list") << QByteArray("Monitor=0,1,0") << "0,1,0" << QList<bool>{false, true, false} << 1;
        QTest::newRow("list with blanks") << QByteArray("Monitor=0, 0, 1") << "0,0,1" << QList<bool>{false, false, true} << 1;
        QTest::newRow("empty") << QByteArray("Profile=\nMonitor=") << "1,1,1" << all << 1;
        QTest::newRow("one part") << QByteArray("Profile=0\nMonitor=0") << "0" << QList<bool>{false, true, true} << 1;
        QTest::newRow("empty middle") << QByteArray("Profile=6\nMonitor=\"1,,1\"") << "1,,1" << QList<bool>{true, false, true} << 1;
        QTest::newRow("not numbers") << QByteArray("Profile=two\nMonitor=\"x,2,-1\"") << "x,2,-1" << QList<bool>{false, true, true} << 1;
    }
    void deviceGroupValues()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, readAs);
        QFETCH(QList<bool>, flags);
        QFETCH(int, profile);
        QVERIFY(writeBytes(m.device(), "[Device5]\n" + lines + "\n"));
        ControllerState state;
        SettingsStore store(state, m.data);
        QCOMPARE(store.readDeviceIni().devices[5][1], readAs);
        store.parseDevice();
        QCOMPARE(state.boxArray[5].monitorFan, (Flags3{flags[0], flags[1], flags[2]}));
        QCOMPARE(state.boxArray[5].profileValue, profile);
    }

    // A missing main key reads as empty or off; the password stays text
    // (leading zeros, a comma hand edit).
    void switchesAndLanguage_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Main group removed") << QByteArray("[Device0]\nProfile=2") << QStringList{"0", "0", "", "0", "0"};
        QTest::newRow("language 9 kept") << QByteArray("[Main]\nLanguage=9\nAutoUpdate=1\nPassword=0007")
                                         << QStringList{"1", "9", "0007", "0", "0"};
        QTest::newRow("any non-zero is set") << QByteArray("[Main]\nAutoUpdate=2\nisAutoRun=-1\nOpenPassword=7\nPassword=12,34")
                                             << QStringList{"1", "0", "12,34", "1", "1"};
        QTest::newRow("text reads as 0") << QByteArray("[Main]\nLanguage=de\nAutoUpdate=yes\nisAutoRun=on\nPassword=5555")
                                         << QStringList{"0", "0", "5555", "0", "0"};
    }
    void switchesAndLanguage()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        QVERIFY(writeBytes(m.device(), file + "\n"));
        ControllerState state;
        SettingsStore(state, m.data).parseDevice();
        QCOMPARE(mainOf(state), expected);
    }
};

QTEST_GUILESS_MAIN(DeviceSettingsTest)
#include "tst_devicesettings.moc"
