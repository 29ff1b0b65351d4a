// Damaged, hand-edited and unwritable settings files.
#include "storage/inifile.h"
#include "storage/settingsstore.h"
#include "storagetestenv.h"

#include <QSettings>

#include <unistd.h>

class IniSafetyTest : public QObject {
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

    void looksDamaged_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("written by QSettings") << QByteArray("[Device0]\nMonitor=\"1,0,1\"\nProfile=2\n\n[Main]\nPassword=7391\n") << false;
        QTest::newRow("comments and CRLF") << QByteArray("; note\r\n[Main]\r\n# x\r\nLanguage=1\r\n") << false;
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF[Main]\nLanguage=1\n") << false;
        QTest::newRow("escaped quote") << QByteArray("[Main]\nPassword=\"a\\\"b\"\n") << false;
        QTest::newRow("continued value") << QByteArray("[Main]\nPassword=12\\\n34\n") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("binary junk") << QByteArray("[Main]\nLanguage=1\n\x01\x02\xff=1\n") << true;
        QTest::newRow("NUL byte") << QByteArray("[Main]\nLang\0uage=1\n", 19) << true;
        QTest::newRow("truncated section") << QByteArray("[Device0]\nProfile=2\n[Mai") << true;
        QTest::newRow("truncated key") << QByteArray("[Device0]\nProfile=2\nMoni") << true;
        QTest::newRow("stray quote") << QByteArray("[Device0]\nMonitor=\"1,0\n[Main]\nLanguage=2\n") << true;
    }
    void looksDamaged()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, damaged);
        QCOMPARE(IniFile::looksDamaged(content), damaged);
    }

    void handWrittenMonitorStaysOneString()
    {
        QVERIFY(writeBytes(devicePath(), "[Device1]\nProfile=2\nMonitor=1,0,0\n"));
        ControllerState state;
        SettingsStore store(state, m_data);
        QCOMPARE(store.readDeviceIni().devices[1][1], QStringLiteral("1,0,0"));
        store.parseDevice();
        QVERIFY(store.saveDeviceSettings());
        const QByteArray text = readBytes(devicePath());
        QVERIFY2(text.contains("Monitor=\"1,0,0\""), text.constData());
        QCOMPARE(store.readDeviceIni().devices[1][1], QStringLiteral("1,0,0"));
        QVERIFY(damagedCopies(devicePath()).isEmpty());
    }

    void unknownKeysSurviveRewrite()
    {
        QVERIFY(writeBytes(devicePath(), "[Device0]\nProfile=3\nColourName=sky\n\n[Main]\nLanguage=2\nTheme=dark\n\n"
                                         "[Extra]\nnote=kept\n"));
        ControllerState state;
        SettingsStore store(state, m_data);
        store.parseDevice();
        state.passwordStr = QStringLiteral("2468");
        QVERIFY(store.saveDeviceSettings());
        QSettings file(devicePath(), QSettings::IniFormat);
        QCOMPARE(file.value("Device0/ColourName").toString(), QStringLiteral("sky"));
        QCOMPARE(file.value("Main/Theme").toString(), QStringLiteral("dark"));
        QCOMPARE(file.value("Extra/note").toString(), QStringLiteral("kept"));
        QCOMPARE(file.value("Device0/Profile").toString(), QStringLiteral("3"));
        QCOMPARE(file.value("Main/Language").toString(), QStringLiteral("2"));
        QCOMPARE(file.value("Main/Password").toString(), QStringLiteral("2468"));

        const QString profile = m_data + "/Zaldo/Profile1.ini";
        QVERIFY(writeBytes(profile, "[Fan0]\nRColor=1\nLabel=mine\n[Fan7]\nRColor=9\n"));
        QVERIFY(store.saveProfileSettings(1));
        QSettings pfile(profile, QSettings::IniFormat);
        QCOMPARE(pfile.value("Fan0/Label").toString(), QStringLiteral("mine"));
        QCOMPARE(pfile.value("Fan7/RColor").toString(), QStringLiteral("9"));
        QCOMPARE(pfile.value("Fan0/RColor").toString(), QStringLiteral("255"));
    }

    void damagedDeviceFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        static const char junk[] = "[Device2]\nProfile=4\n\x01\x02\x03\xff\xfe\x00\x7f junk\n[Main]\nPassword=1111\n";
        QTest::newRow("binary junk") << QByteArray(junk, sizeof(junk) - 1);
        QTest::newRow("truncated section") << QByteArray("[Device2]\nProfile=4\n[Main]\nPassword=1111\n[Devi");
        QTest::newRow("unterminated section first") << QByteArray("[Mai\nfoo=1\n[Device2]\nProfile=4\n[Main]\nPassword=1111\n");
        QTest::newRow("truncated line") << QByteArray("[Device2]\nProfile=4\n[Main]\nPassword=1111\nLangu");
    }
    void damagedDeviceFile()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeBytes(devicePath(), content));
        ControllerState state;
        SettingsStore store(state, m_data);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings file damaged:"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Damaged settings file, copy kept:"));
        store.parseDevice();
        QCOMPARE(state.boxArray[2].profileValue, 4);
        QCOMPARE(state.passwordStr, QStringLiteral("1111"));

        const QStringList copies = damagedCopies(devicePath());
        QCOMPARE(copies.size(), 1);
        QVERIFY(copies.first().contains(QRegularExpression("^Device\\.ini\\.damaged-\\d{8}-\\d{6}$")));
        QCOMPARE(readBytes(m_data + "/" + copies.first()), content);

        // Reading again does not pile up copies.
        store.parseDevice();
        QCOMPARE(damagedCopies(devicePath()).size(), 1);

        state.languageIndex = 3;
        QVERIFY(store.saveDeviceSettings());
        QSettings file(devicePath(), QSettings::IniFormat);
        QCOMPARE(file.status(), QSettings::NoError);
        QCOMPARE(file.value("Device2/Profile").toString(), QStringLiteral("4"));
        QCOMPARE(file.value("Main/Password").toString(), QStringLiteral("1111"));
        QCOMPARE(file.value("Main/Language").toString(), QStringLiteral("3"));
        QCOMPARE(readBytes(m_data + "/" + copies.first()), content);
    }

    void damagedProfileFileIsCopiedBeforeWrite()
    {
        const QString profile = m_data + "/Zaldo/Profile2.ini";
        const QByteArray content("[Fan1]\nRColor=12\n[Fan2\nGColor=3\n");
        QVERIFY(writeBytes(profile, content));
        ControllerState state;
        state.boxArray[0].RColorFan = {5, 6, 7};
        SettingsStore store(state, m_data);
        QVERIFY(store.saveProfileSettings(2));
        const QStringList copies = damagedCopies(profile);
        QCOMPARE(copies.size(), 1);
        QCOMPARE(readBytes(m_data + "/Zaldo/" + copies.first()), content);
        store.loadProfileIni(4, 2);
        QCOMPARE(state.boxArray[4].RColorFan, (std::array<int, 3>{5, 6, 7}));
    }

    void unwritableDataDirectory()
    {
        // A plain file where the data directory belongs: nothing can be
        // created below it, whoever runs the test.
        QVERIFY(writeBytes(m_data, "not a directory"));
        ControllerState state;
        state.controllerBoxNumber = 1;
        state.boxArray[1].RColorFan = {1, 2, 3};
        state.passwordStr = QStringLiteral("9999");
        SettingsStore store(state, m_data);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings write failed \\(access error\\):"));
        QVERIFY(!store.saveDeviceSettings());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings write failed \\(access error\\):"));
        QVERIFY(!store.saveProfileSettings(1));
        QCOMPARE(state.passwordStr, QStringLiteral("9999"));
        QCOMPARE(state.boxArray[1].RColorFan, (std::array<int, 3>{1, 2, 3}));
        QCOMPARE(readBytes(m_data), QByteArray("not a directory"));

        // Start-up still gets usable defaults.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Device file not created"));
        store.parseDevice();
        QCOMPARE(state.passwordStr, QStringLiteral("7391"));
        QVERIFY(state.isAutoRun);
    }

    void readOnlyDataDirectory()
    {
        if (::geteuid() == 0)
            QSKIP("permissions do not bind root; unwritableDataDirectory covers the failure path");
        ControllerState state;
        SettingsStore store(state, m_data);
        QVERIFY(store.saveDeviceSettings());
        const QByteArray before = readBytes(devicePath());
        QVERIFY(QFile::setPermissions(m_data, QFile::ReadOwner | QFile::ExeOwner));
        state.languageIndex = 4;
        QVERIFY(!store.saveDeviceSettings());
        QVERIFY(QFile::setPermissions(m_data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(readBytes(devicePath()), before);
        QCOMPARE(state.languageIndex, 4);
    }

    void deviceFileThatIsADirectory()
    {
        QVERIFY(QDir().mkpath(devicePath()));
        ControllerState state;
        state.isAutoRun = false;
        SettingsStore store(state, m_data);
        store.parseDevice();
        QCOMPARE(state.passwordStr, QStringLiteral("7391"));
        QVERIFY(state.isAutoRun);
        QVERIFY(!store.saveDeviceSettings());
        QVERIFY(QFileInfo(devicePath()).isDir());
    }
};

QTEST_GUILESS_MAIN(IniSafetyTest)
#include "tst_inisafety.moc"
