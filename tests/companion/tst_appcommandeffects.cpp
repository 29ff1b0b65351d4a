// Mode commands of the companion app: random colour, colour wheel, speed
// modes, flash, LEDs off, steady colour and the music records.
#include "companionrig.h"

#include <QLoggingCategory>

class TestAppCommandEffects : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(isolateEnvironment());
        QLoggingCategory::setFilterRules(QStringLiteral("zaldo.companion.commands.debug=true"));
    }

    void randomColourToggles()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan[1] = 2;
        rig.send("017x1");
        for (int f = 0; f < kFanCount; ++f) {
            QVERIFY(rig.box(0).isRandomColorFan[f]);
            QVERIFY(rig.tasks->randomColorTimer(f).isActive());
            QVERIFY(!rig.box(1).isRandomColorFan[f]);
        }
        QCOMPARE(rig.box(0).LEDModeFan, (std::array<int, 3>{{0, 0, 0}}));
        QCOMPARE(rig.box(0).RColorFan[0], 255);
        QVERIFY(rig.reports().isEmpty());  // the ticks do the sending
        QVERIFY(rig.views.calls.isEmpty());

        rig.send("017x1");
        for (int f = 0; f < kFanCount; ++f) {
            QVERIFY(!rig.box(0).isRandomColorFan[f]);
            QVERIFY(!rig.tasks->randomColorTimer(f).isActive());
        }
    }

    void randomColourTimerIsSharedByAllBoxes()
    {
        CompanionRig rig({0, 1});
        rig.send("011x11");
        QVERIFY(rig.box(0).isRandomColorFan[0] && rig.box(1).isRandomColorFan[0]);
        QVERIFY(rig.tasks->randomColorTimer(0).isActive());
        QVERIFY(!rig.tasks->randomColorTimer(1).isActive());
        // The running timer gives both boxes random colours on port 1.
        QTRY_VERIFY(rig.reports().size() >= 2);
        QCOMPARE(rig.reports().filter(QRegularExpression("^[01] 32 52 01 00 ")), rig.reports());

        rig.send("011x1");
        QVERIFY(!rig.box(0).isRandomColorFan[0]);
        QVERIFY(rig.box(1).isRandomColorFan[0]);
        QVERIFY(!rig.tasks->randomColorTimer(0).isActive());
    }

    // 031x11: Performance on fan 0 of boxes 0 and 1; both re-send their stored level.
    void performanceModeKeepsLevel()
    {
        CompanionRig rig({0, 1});
        for (int b = 0; b < 2; ++b) {
            rig.box(b).speedFan[0] = 3;
            rig.box(b).speedModeFan[0] = 0;
            rig.box(b).isPWMFan[0] = false;
        }
        rig.send("031x11");
        for (int b = 0; b < 2; ++b) {
            QCOMPARE(rig.box(b).speedModeFan[0], 2);
            QCOMPARE(rig.box(b).speedFan[0], 3);
        }
        QCOMPARE(rig.reports(), QStringList({
                     "0 32 52 01 00 ff 00 00 00", "0 32 51 01 03 3c 00 00 00",
                     "0 32 52 02 00 ff 00 00 00", "0 32 52 03 00 ff 00 00 00",
                     "1 32 52 01 00 ff 00 00 00", "1 32 51 01 03 3c 00 00 00",
                     "1 32 52 02 00 ff 00 00 00", "1 32 52 03 00 ff 00 00 00"}));
        QCOMPARE(rig.views.count("setProfile("), 1);  // only box 0 is selected
    }

    void silentMode()
    {
        CompanionRig rig({0, 2});
        rig.send("044x01");
        QCOMPARE(rig.box(1).speedModeFan, (std::array<int, 3>{{2, 2, 1}}));
        QCOMPARE(rig.box(1).speedFan[2], 5);
        QCOMPARE(rig.box(0).speedModeFan[2], 2);
        QVERIFY(rig.reports().isEmpty());  // box 1 is not connected
    }

    void colourWheel()
    {
        CompanionRig rig({0, 2});
        rig.paint(0, 1, 1, 2, 3);
        rig.box(0).isRandomColorFan[1] = true;
        rig.tasks->randomColorTimer(1).start(200);
        rig.send("022x1");
        QCOMPARE(rig.box(0).LEDModeFan[1], 1);
        QCOMPARE((QList<int>{rig.box(0).RColorFan[1], rig.box(0).GColorFan[1], rig.box(0).BColorFan[1]}),
                 (QList<int>{255, 0, 0}));
        QVERIFY(!rig.box(0).isRandomColorFan[1]);
        QVERIFY(!rig.tasks->randomColorTimer(1).isActive());
        QCOMPARE(rig.reports(), QStringList({"0 32 52 01 00 ff 00 00 00", "0 32 52 02 01 00 00 00 00",
                                             "0 32 52 03 00 ff 00 00 00"}));
    }

    void flashToggles_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("steady") << 0 << 2;
        QTest::newRow("cycle") << 1 << 2;
        QTest::newRow("flash") << 2 << 0;
    }
    void flashToggles()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        CompanionRig rig({0, 2});
        rig.box(2).LEDModeFan[0] = before;
        rig.send("051x001");
        QCOMPARE(rig.box(2).LEDModeFan[0], after);
        QCOMPARE(rig.reports().first(), hexLine(2, {0x32, 0x52, 1, after, 0xff}));
    }

    void ledsOffToggles()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan[0] = 2;
        rig.box(0).isRandomColorFan[0] = true;
        rig.tasks->randomColorTimer(0).start(200);
        rig.send("071x1");
        QVERIFY(rig.box(0).isTurnOffLedFan[0]);
        QCOMPARE(rig.box(0).LEDModeFan[0], 2);
        QVERIFY(!rig.box(0).isRandomColorFan[0]);
        QCOMPARE(rig.reports().first(), QStringLiteral("0 32 52 01 00 00 00 00 00"));

        rig.clear();
        rig.send("071x1");
        QVERIFY(!rig.box(0).isTurnOffLedFan[0]);
        QCOMPARE(rig.reports().first(), QStringLiteral("0 32 52 01 02 ff 00 00 00"));
    }

    void steadyKeepsRandomColour()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan = {{1, 2, 1}};
        rig.box(0).isRandomColorFan[2] = true;
        rig.tasks->randomColorTimer(2).start(200);
        rig.send("087x1");
        QCOMPARE(rig.box(0).LEDModeFan, (std::array<int, 3>{{0, 0, 0}}));
        QVERIFY(rig.box(0).isRandomColorFan[2]);
        QVERIFY(rig.tasks->randomColorTimer(2).isActive());
        QCOMPARE(rig.reports().size(), 9);
    }

    void music_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("logged");
        QTest::addColumn<int>("volume");
        QTest::addColumn<bool>("running");
        QTest::newRow("three records end with @@")
            << "06x45x6x50x6x@@" << QStringList{"socket_volumePercent_0:45", "socket_volumePercent_1:50"} << 99
            << false;
        QTest::newRow("end only") << "06x@@" << QStringList{} << 99 << false;
        QTest::newRow("stops at foreign record") << "06x45x7x50" << QStringList{} << 45 << true;
        QTest::newRow("partial record") << "06x12x6x3" << QStringList{} << 12 << true;
        QTest::newRow("09") << "06x09" << QStringList{} << 9 << true;
        QTest::newRow("x7") << "06xx7" << QStringList{} << 7 << true;
        QTest::newRow("9x") << "06x9x" << QStringList{} << 90 << true;
        QTest::newRow("head only") << "06x4" << QStringList{} << 0 << true;
    }
    void music()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, logged);
        QFETCH(int, volume);
        QFETCH(bool, running);
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan[0] = 2;
        for (const QString &line : logged)
            QTest::ignoreMessage(QtDebugMsg, qPrintable(line));
        if (!running)
            rig.tasks->musicTimer().start(25);
        rig.send(command);
        QCOMPARE(rig.state.volumePercent, volume);
        QCOMPARE(rig.tasks->musicTimer().isActive(), running);
        // Only a command that is nothing but the end leaves the flashing fan alone.
        QCOMPARE(rig.box(0).LEDModeFan[0], command == QLatin1String("06x@@") ? 2 : 0);
        if (running) {
            QCOMPARE(rig.tasks->musicTimer().interval(), 25);
            // The ticks move the level straight from 100 to the target.
            QTRY_COMPARE(rig.state.musicLevel, volume);
        }
    }

    void musicPreparesConnectedBoxes()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan[1] = 2;
        rig.box(1).LEDModeFan[1] = 2;
        rig.box(2).LEDModeFan[2] = 2;
        rig.box(0).isRandomColorFan[0] = true;
        rig.box(2).isRandomColorFan[0] = true;
        rig.box(2).isRandomColorFan[2] = true;
        rig.tasks->randomColorTimer(0).start(200);
        rig.send("06x70");
        QCOMPARE(rig.box(0).LEDModeFan[1], 0);
        QCOMPARE(rig.box(1).LEDModeFan[1], 2);  // not connected
        QCOMPARE(rig.box(2).LEDModeFan[2], 0);
        QVERIFY(!rig.box(0).isRandomColorFan[0]);
        QVERIFY(!rig.tasks->randomColorTimer(0).isActive());
        // Box 0 already stopped the shared timer, so box 2 keeps its flags.
        QVERIFY(rig.box(2).isRandomColorFan[0] && rig.box(2).isRandomColorFan[2]);
        QCOMPARE(rig.state.volumePercent, 70);
        QVERIFY(rig.tasks->musicTimer().isActive());
    }
};

QTEST_GUILESS_MAIN(TestAppCommandEffects)
#include "tst_appcommandeffects.moc"
