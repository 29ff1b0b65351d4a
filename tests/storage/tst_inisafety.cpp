// Damaged, hand-edited and unwritable settings files.
#include "common/failingwrites.h"
#include "storagetestenv.h"

class IniSafetyTest : public QObject {
    Q_OBJECT
    StorageDirs m;

private slots:
    void initTestCase() { m.initHome(); }
    void init() { m.reset(); }

    // Hand edits (a byte-order mark, comments, CRLF, escapes, unknown keys, a
    // Monitor list without quotes) are not damage and survive a rewrite.
    void handEditsSurviveRewrite()
    {
        QVERIFY(writeBytes(m.device(), "\xEF\xBB\xBF; note\r\n[Device0]\r\nProfile=3\r\nMonitor=1,0,0\nColourName=sky\n"
                                       "\n[Main]\n# x\nLanguage=2\nTheme=\"a\\\"b\"\nPassword=12\\\n34\n[Extra]\nnote=kept\n"));
        ControllerState state;
        SettingsStore store(state, m.data);
        store.parseDevice();
        QCOMPARE(state.passwordStr, QStringLiteral("1234"));
        state.passwordStr = "2468";
        QVERIFY(store.saveDeviceSettings());
        QVERIFY(readBytes(m.device()).contains("Monitor=\"1,0,0\""));
        QCOMPARE(store.readDeviceIni().devices[0][1], QStringLiteral("1,0,0"));
        QVERIFY(damagedCopies(m.device()).isEmpty());
        QStringList values;
        for (const char *key : {"Device0/ColourName", "Main/Theme", "Extra/note", "Device0/Profile", "Main/Language",
                                "Main/Password"})
            values << iniValue(m.device(), key);
        QCOMPARE(values, (QStringList{"sky", "a\"b", "kept", "3", "2", "2468"}));

        QVERIFY(writeBytes(m.profile(1), "[Fan0]\nRColor=1\nLabel=mine\n[Fan7]\nRColor=9\n"));
        QVERIFY(store.saveProfileSettings(1));
        QCOMPARE(iniValue(m.profile(1), "Fan0/Label"), QStringLiteral("mine"));
        QCOMPARE(iniValue(m.profile(1), "Fan7/RColor"), QStringLiteral("9"));
        QCOMPARE(iniValue(m.profile(1), "Fan0/RColor"), QStringLiteral("255"));
    }

    void damagedDeviceFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        static const char junk[] = "[Device2]\nProfile=4\n\x01\x02\x03\xff\xfe\x00\x7f junk\n[Main]\nPassword=1111\n";
        QTest::newRow("binary junk") << QByteArray(junk, sizeof(junk) - 1);
        QTest::newRow("truncated section") << QByteArray("[Device2]\nProfile=4\n[Main]\nPassword=1111\n[Devi");
        QTest::newRow("unterminated section first") << QByteArray("[Mai\nfoo=1\n[Device2]\nProfile=4\n[Main]\nPassword=1111\n");
        QTest::newRow("truncated line") << QByteArray("[Device2]\nProfile=4\n[Main]\nPassword=1111\nLangu");
        QTest::newRow("stray quote") << QByteArray("[Device2]\nProfile=4\n[Main]\nPassword=1111\nLanguage=\"2\n");
    }
    void damagedDeviceFile()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeBytes(m.device(), content));
        ControllerState state;
        SettingsStore store(state, m.data);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings file damaged:"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Damaged settings file, copy kept:"));
        store.parseDevice();
        QCOMPARE(state.boxArray[2].profileValue, 4);
        QCOMPARE(state.passwordStr, QStringLiteral("1111"));

        const QStringList copies = damagedCopies(m.device());
        QCOMPARE(copies.size(), 1);
        QVERIFY(copies.first().contains(QRegularExpression("^Device\\.ini\\.damaged-\\d{8}-\\d{6}$")));
        store.parseDevice(); // reading again does not pile up copies
        QCOMPARE(damagedCopies(m.device()).size(), 1);

        state.languageIndex = 3;
        QVERIFY(store.saveDeviceSettings());
        QCOMPARE(QSettings(m.device(), QSettings::IniFormat).status(), QSettings::NoError);
        QCOMPARE(iniValue(m.device(), "Device2/Profile"), QStringLiteral("4"));
        QCOMPARE(iniValue(m.device(), "Main/Password"), QStringLiteral("1111"));
        QCOMPARE(iniValue(m.device(), "Main/Language"), QStringLiteral("3"));
        QCOMPARE(readBytes(m.data + "/" + copies.first()), content);
    }

    void damagedProfileFileIsCopiedBeforeWrite()
    {
        const QByteArray content("[Fan1]\nRColor=12\n[Fan2\nGColor=3\n");
        QVERIFY(writeBytes(m.profile(2), content));
        ControllerState state;
        state.boxArray[0].RColorFan = {5, 6, 7};
        SettingsStore store(state, m.data);
        QVERIFY(store.saveProfileSettings(2));
        const QStringList copies = damagedCopies(m.profile(2));
        QCOMPARE(copies.size(), 1);
        QCOMPARE(readBytes(m.data + "/Zaldo/" + copies.first()), content);
        store.loadProfileIni(4, 2);
        QCOMPARE(state.boxArray[4].RColorFan, (Fan3{5, 6, 7}));
    }

    void unwritableDataDirectory()
    {
        // A plain file where the data directory belongs: nothing can be
        // created below it, whoever runs the test.
        QVERIFY(writeBytes(m.data, "not a directory"));
        ControllerState state;
        state.controllerBoxNumber = 1;
        state.boxArray[1].RColorFan = {1, 2, 3};
        state.passwordStr = "9999";
        SettingsStore store(state, m.data);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings write failed \\(access error\\):"));
        QVERIFY(!store.saveDeviceSettings());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings write failed \\(access error\\):"));
        QVERIFY(!store.saveProfileSettings(1));
        QCOMPARE(state.passwordStr, QStringLiteral("9999"));
        QCOMPARE(state.boxArray[1].RColorFan, (Fan3{1, 2, 3}));
        QCOMPARE(readBytes(m.data), QByteArray("not a directory"));

        // Start-up still gets usable defaults.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Device file not created"));
        store.parseDevice();
        QCOMPARE(mainOf(state), (QStringList{"1", "0", "7391", "0", "1"}));
    }

    // A save that cannot write leaves the file, and what reads return, as they
    // were; the next save that can write stores what the box holds by then.
    void failedSaveChangesNothing_data()
    {
        QTest::addColumn<int>("failure");
        QTest::newRow("read-only folder") << 0;
        QTest::newRow("full disk") << 1;
        QTest::newRow("full disk, old file still fits") << 2;
    }
    void failedSaveChangesNothing()
    {
        QFETCH(int, failure);
        const QStringList user{"10", "20", "30", "0.5", "3", "0", "0", "0", "0"};
        const QStringList edited{"255", "255", "255", "0.25", "5", "2", "1", "2", "1"};
        ControllerState state;
        SettingsStore store(state, m.data);
        for (int f = 0; f < 3; ++f)
            setFan(state.boxArray[0], f, user);
        QVERIFY(store.saveProfileSettings(1));
        const QByteArray before = readBytes(m.profile(1));
        for (int f = 0; f < 3; ++f)
            setFan(state.boxArray[0], f, edited);
        const auto failThenRead = [&] {
            if (store.saveProfileSettings(1))
                return false;
            const auto fan = store.readProfileIni(1).fans[0];
            return QStringList(fan.begin(), fan.end()) == user;
        };
        QVERIFY(failure == 0 ? whileFolderReadOnly(m.data + "/Zaldo", failThenRead)
                             : whileDiskFull(failThenRead, failure == 1 ? 0 : rlim_t(before.size())));
        QCOMPARE(readBytes(m.profile(1)), before);
        QCOMPARE(QDir(m.data + "/Zaldo").entryList(QDir::Files), QStringList{"Profile1.ini"});
        store.loadProfileIni(4, 1);
        QCOMPARE(fanOf(state.boxArray[4], 0), user);
        QCOMPARE(fanOf(state.boxArray[0], 2), edited);
        QVERIFY(store.saveProfileSettings(1));
        store.loadProfileIni(4, 1);
        QCOMPARE(fanOf(state.boxArray[4], 1), edited);
    }

    void deviceFileThatIsADirectory()
    {
        QVERIFY(QDir().mkpath(m.device()));
        ControllerState state;
        state.isAutoRun = false;
        SettingsStore store(state, m.data);
        store.parseDevice();
        QCOMPARE(mainOf(state), (QStringList{"1", "0", "7391", "0", "1"}));
        QVERIFY(!store.saveDeviceSettings());
        QVERIFY(QFileInfo(m.device()).isDir());
    }
};

QTEST_GUILESS_MAIN(IniSafetyTest)
#include "tst_inisafety.moc"
