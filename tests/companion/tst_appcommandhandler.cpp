// Presence, profile, brightness, speed-level and colour commands of the
// companion app against emulated boxes.
#include "companionrig.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestAppCommandHandler : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;

    // Writes a profile file with distinct values per fan, from box 15 (never connected).
    static void writeProfile(CompanionRig &rig, int profile)
    {
        const int saved = rig.state.controllerBoxNumber;
        rig.state.controllerBoxNumber = 15;
        for (int f = 0; f < kFanCount; ++f) {
            rig.box(15).RColorFan[f] = 10 + f;
            rig.box(15).GColorFan[f] = 20 + f;
            rig.box(15).BColorFan[f] = 30 + f;
            rig.box(15).brightFan[f] = 0.5f;
            rig.box(15).speedFan[f] = 3;
            rig.box(15).speedModeFan[f] = 0;
            rig.box(15).isPWMFan[f] = false;
            rig.box(15).LEDModeFan[f] = 2;
        }
        QVERIFY(rig.store.writeProfileIni(rig.store.collectProfileSettings(), profile));
        rig.state.controllerBoxNumber = saved;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.filePath("config").toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_home.filePath("run").toUtf8());
    }

    void fanMaskPattern_data()
    {
        QTest::addColumn<QChar>("digit");
        QTest::addColumn<QString>("pattern");
        const char *patterns[] = {"100", "010", "110", "001", "101", "011", "111"};
        for (int d = 1; d <= 7; ++d)
            QTest::addRow("%d", d) << QChar('0' + d) << QString::fromLatin1(patterns[d - 1]);
        QTest::newRow("0") << QChar('0') << QStringLiteral("000");
        QTest::newRow("8") << QChar('8') << QStringLiteral("000");
        QTest::newRow("x") << QChar('x') << QStringLiteral("000");
        QTest::newRow("nul") << QChar(0) << QStringLiteral("000");
    }
    void fanMaskPattern()
    {
        QFETCH(QChar, digit);
        QFETCH(QString, pattern);
        QCOMPARE(AppCommandHandler::fanMaskPattern(digit), pattern);
    }

    void profileReplyText()
    {
        ProfileSettingsTable table;
        for (int f = 0; f < 5; ++f)
            for (int k = 0; k < kProfileKeyCount; ++k)
                table.fans[f][k] = QStringLiteral("%1%2").arg(char('a' + f)).arg(k);
        QCOMPARE(AppCommandHandler::profileReplyText(table),
                 QStringLiteral("{[a0:a1:a2:a3:a4:a5:a7][b0:b1:b2:b3:b4:b5:b7][c0:c1:c2:c3:c4:c5:c7]}"));
    }

    void presenceQuery_data()
    {
        QTest::addColumn<QList<int>>("boxes");
        QTest::addColumn<QString>("reply");
        QTest::newRow("0 and 2") << QList<int>{0, 2} << QStringLiteral("1010000000000000");
        QTest::newRow("none") << QList<int>{} << QStringLiteral("0000000000000000");
        QTest::newRow("15") << QList<int>{15} << QStringLiteral("0000000000000001");
    }
    void presenceQuery()
    {
        QFETCH(QList<int>, boxes);
        QFETCH(QString, reply);
        CompanionRig rig(boxes);
        rig.send("000");
        QCOMPARE(rig.replies, QStringList{reply});
        QCOMPARE(rig.state.checkControllerStr, reply);
        QVERIFY(rig.emu.traceLines().isEmpty());
    }

    void ignoredCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("empty") << QString();
        QTest::newRow("0000") << QStringLiteral("0000");
        QTest::newRow("00") << QStringLiteral("00");
        QTest::newRow("999 with flags") << QStringLiteral("9991111");
        QTest::newRow("profile 8") << QStringLiteral("428x1x1");
        QTest::newRow("profile 9") << QStringLiteral("429x1x1");
        QTest::newRow("profile short") << QStringLiteral("42");
        QTest::newRow("mode 9") << QStringLiteral("097x1");
        QTest::newRow("mode mask 0") << QStringLiteral("030x1111");
        QTest::newRow("mode mask 8") << QStringLiteral("058x1111");
        QTest::newRow("speed mask x") << QStringLiteral("30xxx3x1111111111111111");
        QTest::newRow("garbage") << QStringLiteral("\x01\x02hello\xff");
        QTest::newRow("colour 9 not 0") << QStringLiteral("32x52xx1x90xFFx80x00xx1");
    }
    void ignoredCommands()
    {
        QFETCH(QString, command);
        CompanionRig rig({0, 2});
        rig.send(command);
        QVERIFY(rig.replies.isEmpty());
        QVERIFY(rig.emu.traceLines().isEmpty());
        QVERIFY(rig.views.calls.isEmpty());
        for (int f = 0; f < kFanCount; ++f) {
            QCOMPARE(rig.box(0).speedModeFan[f], 2);
            QCOMPARE(rig.box(0).LEDModeFan[f], 0);
            QCOMPARE(rig.box(0).RColorFan[f], 255);
        }
        QCOMPARE(rig.state.currentProfile, 1);
    }

    void applyProfile()
    {
        CompanionRig rig({0, 2});
        writeProfile(rig, 3);
        rig.box(1).RColorFan[0] = 77;
        rig.box(0).RColorFan[0] = 66;
        rig.send("426x3x10");

        QCOMPARE(rig.state.currentProfile, 3);
        QCOMPARE(rig.box(0).RColorFan[0], 10);
        QCOMPARE(rig.box(0).GColorFan[2], 22);
        QCOMPARE(rig.box(0).brightFan[1], 0.5f);
        QCOMPARE(rig.box(0).LEDModeFan[0], 2);
        QCOMPARE(rig.box(1).RColorFan[0], 77);  // flag 0: untouched
        QCOMPARE(rig.box(0).profileValue, 1);   // applying is not saving
        QCOMPARE(rig.replies, QStringList{QStringLiteral(
                     "{[10:20:30:0.5:3:0:2][11:21:31:0.5:3:0:2][12:22:32:0.5:3:0:2]}")});
        // Flash reports with the colour at half brightness, then the fixed levels.
        QCOMPARE(rig.emu.traceLines(), QStringList({
                     "0 32 52 01 02 05 0a 0f 00", "0 32 51 01 03 3c 00 00 00",
                     "0 32 52 02 02 05 0a 0f 00", "0 32 51 02 03 3c 00 00 00",
                     "0 32 52 03 02 06 0b 10 00", "0 32 51 03 03 3c 00 00 00"}));
        // Box 0 is the selected box: the views are refreshed.
        QVERIFY(rig.views.calls.contains("setProfile(3)"));
        QVERIFY(rig.views.calls.contains("setSelectColor(10,20,30,0.5,0)"));
    }

    void applyProfileWithoutFlagsStillReplies()
    {
        CompanionRig rig({0, 2});
        rig.send("426x4");
        QCOMPARE(rig.state.currentProfile, 4);
        QCOMPARE(rig.replies, QStringList{QStringLiteral(
                     "{[255:0:0:1:5:2:0][255:0:0:1:5:2:0][255:0:0:1:5:2:0]}")});
        QVERIFY(rig.emu.traceLines().isEmpty());
        QVERIFY(!QFile::exists(rig.store.profileFilePath(4)));
    }

    void badProfileDigitIsRejected_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("apply 0") << QStringLiteral("426x0x1");
        QTest::newRow("apply 6") << QStringLiteral("426x6x1");
        QTest::newRow("apply x") << QStringLiteral("426xxx1");
        QTest::newRow("apply missing") << QStringLiteral("426x");
        QTest::newRow("save 0") << QStringLiteral("427x0");
        QTest::newRow("save 6") << QStringLiteral("427x6");
        QTest::newRow("save x") << QStringLiteral("427xx");
    }
    void badProfileDigitIsRejected()
    {
        QFETCH(QString, command);
        CompanionRig rig({0, 2});
        rig.box(0).RColorFan[0] = 66;
        rig.send(command);
        QCOMPARE(rig.state.currentProfile, 1);
        QCOMPARE(rig.box(0).profileValue, 1);
        QCOMPARE(rig.box(0).RColorFan[0], 66);
        QVERIFY(rig.replies.isEmpty());
        QVERIFY(rig.emu.traceLines().isEmpty());
        QVERIFY(rig.views.calls.isEmpty());
        QVERIFY(QDir(rig.dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void saveProfile()
    {
        CompanionRig rig({0, 2});
        rig.box(2).profileValue = 2;  // shares the profile: gets it stored too
        rig.box(0).RColorFan[1] = 0x40;
        rig.send("427x2");
        QCOMPARE(rig.state.currentProfile, 2);
        QCOMPARE(rig.box(0).profileValue, 2);
        QVERIFY(rig.replies.isEmpty());
        QVERIFY(QFile::exists(rig.store.profileFilePath(2)));
        QCOMPARE(rig.store.readProfileIni(2).fans[1][0], QStringLiteral("64"));
        QCOMPARE(rig.box(2).RColorFan[1], 0x40);
        QCOMPARE(rig.emu.saveCount(0), 1);
        QCOMPARE(rig.emu.saveCount(2), 1);
        QVERIFY(rig.views.calls.contains("setProfileLabel(2)"));
    }

    void flagsBeyondSixteenAreIgnored()
    {
        CompanionRig rig({0, 2});
        rig.send(QStringLiteral("426x2x") + QString(16, '0') + QStringLiteral("1111"));
        QCOMPARE(rig.replies.size(), 1);
        QVERIFY(rig.emu.traceLines().isEmpty());

        rig.send(QStringLiteral("074x1") + QString(15, '0') + QStringLiteral("11"));
        QCOMPARE(rig.box(0).isTurnOffLedFan, (std::array<bool, 3>{{false, false, true}}));
        for (int b = 1; b < kBoxCount; ++b)
            QVERIFY(!rig.box(b).isTurnOffLedFan[2]);
        QCOMPARE(rig.emu.traceLines().size(), 3);  // box 0 re-applied once
    }

    void brightness()
    {
        CompanionRig rig({0, 2});
        rig.tasks.musicTimer().start(25);
        rig.send(QStringLiteral("207x50x1") + QString(15, '0'));
        for (int f = 0; f < kFanCount; ++f)
            QCOMPARE(rig.box(0).brightFan[f], 0.5f);
        QCOMPARE(rig.box(2).brightFan[0], 1.0f);
        QVERIFY(!rig.tasks.musicTimer().isActive());
        // One re-apply per selected fan; the fans already at 0.5 send 7f.
        QCOMPARE(rig.emu.traceLines(), QStringList({
                     "0 32 52 01 00 7f 00 00 00", "0 32 52 02 00 ff 00 00 00", "0 32 52 03 00 ff 00 00 00",
                     "0 32 52 01 00 7f 00 00 00", "0 32 52 02 00 7f 00 00 00", "0 32 52 03 00 ff 00 00 00",
                     "0 32 52 01 00 7f 00 00 00", "0 32 52 02 00 7f 00 00 00", "0 32 52 03 00 7f 00 00 00"}));
        QCOMPARE(rig.views.count("setProfile("), 3);
    }

    void brightnessDigits_data()
    {
        QTest::addColumn<QString>("digits");
        QTest::addColumn<float>("bright");
        QTest::newRow("00") << QStringLiteral("00") << 0.0f;
        QTest::newRow("99") << QStringLiteral("99") << 0.99f;
        QTest::newRow("x5") << QStringLiteral("x5") << 0.05f;
        QTest::newRow("5x") << QStringLiteral("5x") << 0.5f;
    }
    void brightnessDigits()
    {
        QFETCH(QString, digits);
        QFETCH(float, bright);
        CompanionRig rig({0, 2});
        rig.send(QStringLiteral("202x") + digits + QStringLiteral("x001"));
        QCOMPARE(rig.box(2).brightFan[1], bright);
        QCOMPARE(rig.box(2).brightFan[0], 1.0f);
        QCOMPARE(rig.emu.traceLines().size(), 3);
        QVERIFY(rig.views.calls.isEmpty());  // box 2 is not the selected box
    }

    void speedLevel_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("mode");
        QTest::newRow("3") << QStringLiteral("3") << 3 << 0;
        QTest::newRow("0") << QStringLiteral("0") << 0 << 1;
        QTest::newRow("5") << QStringLiteral("5") << 5 << 2;
        QTest::newRow("x") << QStringLiteral("x") << 0 << 1;
    }
    void speedLevel()
    {
        QFETCH(QString, level);
        QFETCH(int, speed);
        QFETCH(int, mode);
        CompanionRig rig({0, 2});
        rig.tasks.musicTimer().start(25);
        rig.send(QStringLiteral("307xx") + level + QStringLiteral("x11"));
        for (int b = 0; b < 2; ++b) {
            for (int f = 0; f < kFanCount; ++f) {
                QCOMPARE(rig.box(b).speedFan[f], speed);
                QCOMPARE(rig.box(b).speedModeFan[f], mode);
            }
        }
        QCOMPARE(rig.box(2).speedFan[0], 5);
        QVERIFY(!rig.tasks.musicTimer().isActive());
        // PWM fans keep following the temperature: no speed report.
        for (const QString &line : rig.emu.traceLines())
            QVERIFY2(line.startsWith("0 32 52"), qPrintable(line));
        QCOMPARE(rig.emu.traceLines().size(), 9);
    }

    void colour()
    {
        CompanionRig rig({0, 2});
        rig.box(2).isTurnOffLedFan[0] = true;
        rig.send(QStringLiteral("32x52xx1x00xFFx80x00xx001") + QString(13, '0'));
        QCOMPARE(rig.box(2).RColorFan[0], 255);
        QCOMPARE(rig.box(2).GColorFan[0], 128);
        QCOMPARE(rig.box(2).BColorFan[0], 0);
        QVERIFY(!rig.box(2).isTurnOffLedFan[0]);
        QCOMPARE(rig.box(2).GColorFan[1], 0);
        QCOMPARE(rig.box(0).GColorFan[0], 0);
        QCOMPARE(rig.emu.traceLines(), QStringList({"2 32 52 01 00 ff 80 00 00", "2 32 52 02 00 ff 00 00 00",
                                                    "2 32 52 03 00 ff 00 00 00"}));
    }

    void colourKeepsCycleAndMusic()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan[1] = 1;
        rig.tasks.musicTimer().start(25);
        rig.send(QStringLiteral("32x52xx2x00x0Ax1Bx2Cxx1"));
        QCOMPARE(rig.box(0).LEDModeFan[1], 1);
        QCOMPARE(rig.box(0).RColorFan[1], 10);
        QCOMPARE(rig.box(0).GColorFan[1], 27);
        QCOMPARE(rig.box(0).BColorFan[1], 44);
        QVERIFY(rig.tasks.musicTimer().isActive());
        QCOMPARE(rig.emu.traceLines().at(1), QStringLiteral("0 32 52 02 01 00 00 00 00"));
    }

    void badColourIsRejected_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("lower case") << QStringLiteral("32x52xx1x00xffx80x00xx1");
        QTest::newRow("lower case blue") << QStringLiteral("32x52xx1x00xFFx80x0axx1");
        QTest::newRow("G") << QStringLiteral("32x52xx1x00xG0x80x00xx1");
        QTest::newRow("space") << QStringLiteral("32x52xx1x00x Fx80x00xx1");
        QTest::newRow("non-latin") << QStringLiteral("32x52xx1x00x\u0661\u0662x80x00xx1");
        QTest::newRow("short 11") << QStringLiteral("32x52xx1x00");
        QTest::newRow("short 14") << QStringLiteral("32x52xx1x00xFF");
        QTest::newRow("short 19") << QStringLiteral("32x52xx1x00xFFx80x0");
    }
    void badColourIsRejected()
    {
        QFETCH(QString, command);
        CompanionRig rig({0, 2});
        rig.box(0).isTurnOffLedFan[0] = true;
        rig.send(command);
        QCOMPARE(rig.box(0).RColorFan[0], 255);
        QCOMPARE(rig.box(0).GColorFan[0], 0);
        QVERIFY(rig.box(0).isTurnOffLedFan[0]);
        QVERIFY(rig.emu.traceLines().isEmpty());
    }

    void colourOfExactMinimumLengthSelectsNothing()
    {
        CompanionRig rig({0, 2});
        rig.send(QStringLiteral("32x52xx1x00xFFx80x00"));
        QCOMPARE(rig.box(0).GColorFan[0], 0);
        QVERIFY(rig.emu.traceLines().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAppCommandHandler)
#include "tst_appcommandhandler.moc"
