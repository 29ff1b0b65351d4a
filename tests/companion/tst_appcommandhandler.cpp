// Presence, profile, brightness, speed-level and colour commands of the
// companion app against emulated boxes.
#include "companionrig.h"

class TestAppCommandHandler : public QObject {
    Q_OBJECT
private:
    // Writes a profile file with distinct colours per fan, from box 15 (never connected).
    static bool writeProfile(CompanionRig &rig, int profile)
    {
        rig.state.controllerBoxNumber = 15;
        ControllerBox &b = rig.box(15);
        for (int f = 0; f < kFanCount; ++f)
            rig.paint(15, f, 10 + f, 20 + f, 30 + f);
        b.brightFan.fill(0.5f);
        b.speedFan.fill(3);
        b.speedModeFan.fill(0);
        b.isPWMFan.fill(false);
        b.LEDModeFan.fill(2);
        const bool ok = rig.store->writeProfileIni(rig.store->collectProfileSettings(), profile);
        rig.state.controllerBoxNumber = 0;
        return ok;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    void fanMaskPattern_data()
    {
        QTest::addColumn<QChar>("digit");
        QTest::addColumn<QString>("pattern");
        const char *patterns[] = {"000", "100", "010", "110", "001", "101", "011", "111", "000"};
        for (int d = 0; d <= 8; ++d)
            QTest::addRow("%d", d) << QChar('0' + d) << QString::fromLatin1(patterns[d]);
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
        QVERIFY(rig.reports().isEmpty());
    }

    // Unknown forms, profile digits outside 1..5, speed digits above 5 and
    // malformed colours leave everything as it was.
    void ignoredCommands_data()
    {
        QTest::addColumn<QString>("command");
        for (const char *c : {"", "0000", "00", "9991111", "428x1x1", "429x1x1", "42", "097x1", "030x1111",
                              "058x1111", "30xxx3x1111111111111111", "\x01\x02hello\xff", "32x52xx1x90xFFx80x00xx1",
                              "426x0x1", "426x6x1", "426xxx1", "426x", "427x0", "427x6", "427xx", "307xx6x11", "307xx9x11",
                              "32x52xx1x00xffx80x00xx1", "32x52xx1x00xFFx80x0axx1", "32x52xx1x00xG0x80x00xx1",
                              "32x52xx1x00x Fx80x00xx1", "32x52xx1x00", "32x52xx1x00xFF", "32x52xx1x00xFFx80x0",
                              "32x52xx1x00xFFx80x00"})
            QTest::newRow(*c ? c : "empty") << QString::fromLatin1(c);
        QTest::newRow("non-latin hex") << QStringLiteral("32x52xx1x00x\u0661\u0662x80x00xx1");
    }
    void ignoredCommands()
    {
        QFETCH(QString, command);
        CompanionRig rig({0, 2});
        rig.box(0).isTurnOffLedFan[0] = true;
        rig.box(0).RColorFan[1] = 66;
        const QString before = dumpState(rig.state);
        rig.send(command);
        QCOMPARE(dumpState(rig.state), before);
        QVERIFY(rig.replies.isEmpty());
        QVERIFY(rig.reports().isEmpty());
        QVERIFY(rig.views.calls.isEmpty());
        QVERIFY(filesIn(rig.dir.path()).isEmpty());
    }

    void applyProfile()
    {
        CompanionRig rig({0, 2});
        QVERIFY(writeProfile(rig, 3));
        rig.box(1).RColorFan[0] = 77;
        rig.box(0).RColorFan[0] = 66;
        rig.send("426x3x10");
        QCOMPARE(rig.state.currentProfile, 3);
        QCOMPARE(rig.box(0).GColorFan[2], 22);
        QCOMPARE(rig.box(0).brightFan[1], 0.5f);
        QCOMPARE(rig.box(1).RColorFan[0], 77);  // flag 0: untouched
        QCOMPARE(rig.box(0).profileValue, 1);   // applying is not saving
        QCOMPARE(rig.replies, QStringList{QStringLiteral(
                     "{[10:20:30:0.5:3:0:2][11:21:31:0.5:3:0:2][12:22:32:0.5:3:0:2]}")});
        // Flash reports with the colour at half brightness, then the fixed levels.
        QCOMPARE(rig.reports(), QStringList({"0 32 52 01 02 05 0a 0f 00", "0 32 51 01 03 3c 00 00 00",
                                             "0 32 52 02 02 05 0a 0f 00", "0 32 51 02 03 3c 00 00 00",
                                             "0 32 52 03 02 06 0b 10 00", "0 32 51 03 03 3c 00 00 00"}));
        // Box 0 is the selected box: the views are refreshed.
        QVERIFY(rig.views.calls.contains("setProfile(3)"));
        QVERIFY(rig.views.calls.contains("setSelectColor(10,20,30,0.5,0)"));

        rig.clear();
        rig.send("426x4");  // no flags: nothing applied, still replies
        QCOMPARE(rig.state.currentProfile, 4);
        QCOMPARE(rig.replies.last(), QStringLiteral("{[255:0:0:1:5:2:0][255:0:0:1:5:2:0][255:0:0:1:5:2:0]}"));
        QVERIFY(rig.reports().isEmpty());
        QVERIFY(!QFile::exists(rig.store->profileFilePath(4)));
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
        QCOMPARE(rig.store->readProfileIni(2).fans[1][0], QStringLiteral("64"));
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
        QVERIFY(rig.reports().isEmpty());

        rig.send(QStringLiteral("074x1") + QString(15, '0') + QStringLiteral("11"));
        QCOMPARE(rig.box(0).isTurnOffLedFan, (std::array<bool, 3>{{false, false, true}}));
        for (int b = 1; b < kBoxCount; ++b)
            QVERIFY(!rig.box(b).isTurnOffLedFan[2]);
        QCOMPARE(rig.reports().size(), 3);  // box 0 re-applied once
    }

    void brightness()
    {
        CompanionRig rig({0, 2});
        rig.tasks->musicTimer().start(25);
        rig.send(QStringLiteral("207x50x1") + QString(15, '0'));
        QCOMPARE(rig.box(0).brightFan, (std::array<float, 3>{{0.5f, 0.5f, 0.5f}}));
        QCOMPARE(rig.box(2).brightFan[0], 1.0f);
        QVERIFY(!rig.tasks->musicTimer().isActive());
        // One re-apply per selected fan; the fans already at 0.5 send 7f.
        QCOMPARE(rig.reports(), QStringList({
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
        QCOMPARE(rig.reports().size(), 3);
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
        rig.tasks->musicTimer().start(25);
        rig.send(QStringLiteral("307xx") + level + QStringLiteral("x11"));
        for (int b = 0; b < 2; ++b) {
            QCOMPARE(rig.box(b).speedFan, (std::array<int, 3>{{speed, speed, speed}}));
            QCOMPARE(rig.box(b).speedModeFan, (std::array<int, 3>{{mode, mode, mode}}));
        }
        QCOMPARE(rig.box(2).speedFan[0], 5);
        QVERIFY(!rig.tasks->musicTimer().isActive());
        // PWM fans keep following the temperature: no speed report.
        QCOMPARE(rig.reports().filter(QRegularExpression("^0 32 52 0[123] ")).size(), 9);
        QCOMPARE(rig.reports().size(), 9);
    }

    void colour()
    {
        CompanionRig rig({0, 2});
        rig.box(2).isTurnOffLedFan[0] = true;
        rig.send(QStringLiteral("32x52xx1x00xFFx80x00xx001") + QString(13, '0'));
        QCOMPARE((QList<int>{rig.box(2).RColorFan[0], rig.box(2).GColorFan[0], rig.box(2).BColorFan[0]}),
                 (QList<int>{255, 128, 0}));
        QVERIFY(!rig.box(2).isTurnOffLedFan[0]);
        QCOMPARE(rig.box(2).GColorFan[1], 0);
        QCOMPARE(rig.box(0).GColorFan[0], 0);
        QCOMPARE(rig.reports(), QStringList({"2 32 52 01 00 ff 80 00 00", "2 32 52 02 00 ff 00 00 00",
                                             "2 32 52 03 00 ff 00 00 00"}));
    }

    void colourKeepsCycleAndMusic()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan[1] = 1;
        rig.tasks->musicTimer().start(25);
        rig.send(QStringLiteral("32x52xx2x00x0Ax1Bx2Cxx1"));
        QCOMPARE(rig.box(0).LEDModeFan[1], 1);
        QCOMPARE((QList<int>{rig.box(0).RColorFan[1], rig.box(0).GColorFan[1], rig.box(0).BColorFan[1]}),
                 (QList<int>{10, 27, 44}));
        QVERIFY(rig.tasks->musicTimer().isActive());
        QCOMPARE(rig.reports().at(1), QStringLiteral("0 32 52 02 01 00 00 00 00"));
    }
};

QTEST_GUILESS_MAIN(TestAppCommandHandler)
#include "tst_appcommandhandler.moc"
