// Mode commands of the companion app: random colour, colour wheel, speed
// modes, flash, LEDs off, steady colour and the music records.
#include "companionrig.h"

#include <QLoggingCategory>
#include <QtTest>

class TestAppCommandEffects : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.filePath("config").toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_home.filePath("run").toUtf8());
        QLoggingCategory::setFilterRules(QStringLiteral("zaldo.companion.commands.debug=true"));
    }

    void randomColourToggles()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan[1] = 2;
        rig.send("017x1");
        for (int f = 0; f < kFanCount; ++f) {
            QVERIFY(rig.box(0).isRandomColorFan[f]);
            QCOMPARE(rig.box(0).LEDModeFan[f], 0);
            QVERIFY(rig.tasks.randomColorTimer(f).isActive());
            QCOMPARE(rig.tasks.randomColorTimer(f).interval(), 200);
            QVERIFY(!rig.box(1).isRandomColorFan[f]);
        }
        QCOMPARE(rig.box(0).RColorFan[0], 255);
        QVERIFY(rig.emu.traceLines().isEmpty());  // the ticks do the sending
        QVERIFY(rig.views.calls.isEmpty());

        rig.send("017x1");
        for (int f = 0; f < kFanCount; ++f) {
            QVERIFY(!rig.box(0).isRandomColorFan[f]);
            QVERIFY(!rig.tasks.randomColorTimer(f).isActive());
        }
    }

    void randomColourTimerIsSharedByAllBoxes()
    {
        CompanionRig rig({0, 1});
        rig.send("011x11");
        QVERIFY(rig.box(0).isRandomColorFan[0]);
        QVERIFY(rig.box(1).isRandomColorFan[0]);
        QVERIFY(rig.tasks.randomColorTimer(0).isActive());
        QVERIFY(!rig.tasks.randomColorTimer(1).isActive());
        // The running timer gives both boxes random colours on port 1.
        QTRY_VERIFY(rig.emu.traceLines().size() >= 2);
        for (const QString &line : rig.emu.traceLines())
            QVERIFY2(line.mid(1).startsWith(" 32 52 01 00"), qPrintable(line));

        rig.send("011x1");
        QVERIFY(!rig.box(0).isRandomColorFan[0]);
        QVERIFY(rig.box(1).isRandomColorFan[0]);
        QVERIFY(!rig.tasks.randomColorTimer(0).isActive());
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
            QCOMPARE(rig.box(b).speedModeFan[1], 2);
        }
        QCOMPARE(rig.emu.traceLines(), QStringList({
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
        QVERIFY(rig.emu.traceLines().isEmpty());  // box 1 is not connected
    }

    void colourWheel()
    {
        CompanionRig rig({0, 2});
        rig.box(0).RColorFan[1] = 1;
        rig.box(0).GColorFan[1] = 2;
        rig.box(0).BColorFan[1] = 3;
        rig.box(0).isRandomColorFan[1] = true;
        rig.tasks.randomColorTimer(1).start(200);
        rig.send("022x1");
        QCOMPARE(rig.box(0).LEDModeFan[1], 1);
        QCOMPARE(rig.box(0).RColorFan[1], 255);
        QCOMPARE(rig.box(0).GColorFan[1], 0);
        QCOMPARE(rig.box(0).BColorFan[1], 0);
        QVERIFY(!rig.box(0).isRandomColorFan[1]);
        QVERIFY(!rig.tasks.randomColorTimer(1).isActive());
        QCOMPARE(rig.emu.traceLines(), QStringList({"0 32 52 01 00 ff 00 00 00", "0 32 52 02 01 00 00 00 00",
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
        QCOMPARE(rig.emu.traceLines().first(),
                 after == 2 ? QStringLiteral("2 32 52 01 02 ff 00 00 00") : QStringLiteral("2 32 52 01 00 ff 00 00 00"));
    }

    void ledsOffToggles()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan[0] = 2;
        rig.box(0).isRandomColorFan[0] = true;
        rig.tasks.randomColorTimer(0).start(200);
        rig.send("071x1");
        QVERIFY(rig.box(0).isTurnOffLedFan[0]);
        QCOMPARE(rig.box(0).LEDModeFan[0], 2);
        QVERIFY(!rig.box(0).isRandomColorFan[0]);
        QCOMPARE(rig.emu.traceLines().first(), QStringLiteral("0 32 52 01 00 00 00 00 00"));

        rig.emu.clearSentReports();
        rig.send("071x1");
        QVERIFY(!rig.box(0).isTurnOffLedFan[0]);
        QCOMPARE(rig.emu.traceLines().first(), QStringLiteral("0 32 52 01 02 ff 00 00 00"));
    }

    void steadyKeepsRandomColour()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan = {{1, 2, 1}};
        rig.box(0).isRandomColorFan[2] = true;
        rig.tasks.randomColorTimer(2).start(200);
        rig.send("087x1");
        QCOMPARE(rig.box(0).LEDModeFan, (std::array<int, 3>{{0, 0, 0}}));
        QVERIFY(rig.box(0).isRandomColorFan[2]);
        QVERIFY(rig.tasks.randomColorTimer(2).isActive());
        QCOMPARE(rig.emu.traceLines().size(), 9);
    }

    void musicRecords()
    {
        CompanionRig rig({0, 2});
        QTest::ignoreMessage(QtDebugMsg, "socket_volumePercent_0:45");
        QTest::ignoreMessage(QtDebugMsg, "socket_volumePercent_1:50");
        rig.send("06x45x6x50x6x@@");
        QCOMPARE(rig.state.volumePercent, 99);
        QVERIFY(!rig.tasks.musicTimer().isActive());
    }

    void musicStopsAtForeignRecord()
    {
        CompanionRig rig({0, 2});
        rig.send("06x45x7x50");
        QCOMPARE(rig.state.volumePercent, 45);
        QVERIFY(rig.tasks.musicTimer().isActive());
        QCOMPARE(rig.tasks.musicTimer().interval(), 25);
        // The ticks move the level straight from 100 to the target.
        QTRY_COMPARE(rig.state.musicLevel, 45);
    }

    void musicVolumeDigits_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("volume");
        QTest::newRow("09") << QStringLiteral("06x09") << 9;
        QTest::newRow("x7") << QStringLiteral("06xx7") << 7;
        QTest::newRow("9x") << QStringLiteral("06x9x") << 90;
        QTest::newRow("partial record") << QStringLiteral("06x12x6x3") << 12;
        QTest::newRow("head only") << QStringLiteral("06x4") << 0;
    }
    void musicVolumeDigits()
    {
        QFETCH(QString, command);
        QFETCH(int, volume);
        CompanionRig rig({0, 2});
        rig.send(command);
        QCOMPARE(rig.state.volumePercent, volume);
        QVERIFY(rig.tasks.musicTimer().isActive());
    }

    void musicEndOnly()
    {
        CompanionRig rig({0, 2});
        rig.box(0).LEDModeFan[0] = 2;
        rig.tasks.musicTimer().start(25);
        rig.send("06x@@");
        QCOMPARE(rig.state.volumePercent, 99);
        QVERIFY(!rig.tasks.musicTimer().isActive());
        QCOMPARE(rig.box(0).LEDModeFan[0], 2);
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
        rig.tasks.randomColorTimer(0).start(200);
        rig.send("06x70");
        QCOMPARE(rig.box(0).LEDModeFan[1], 0);
        QCOMPARE(rig.box(1).LEDModeFan[1], 2);  // not connected
        QCOMPARE(rig.box(2).LEDModeFan[2], 0);
        QVERIFY(!rig.box(0).isRandomColorFan[0]);
        QVERIFY(!rig.tasks.randomColorTimer(0).isActive());
        // Box 0 already stopped the shared timer, so box 2 keeps its flags.
        QVERIFY(rig.box(2).isRandomColorFan[0]);
        QVERIFY(rig.box(2).isRandomColorFan[2]);
        QCOMPARE(rig.state.volumePercent, 70);
        QVERIFY(rig.tasks.musicTimer().isActive());
    }
};

QTEST_GUILESS_MAIN(TestAppCommandEffects)
#include "tst_appcommandeffects.moc"
