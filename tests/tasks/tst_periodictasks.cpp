#include "tasks/coreharness.h"

class TestPeriodicTasks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    void timers()
    {
        CoreHarness h({0});
        PeriodicTasks &t = *h.tasks;
        QVERIFY(!t.musicTimer().isActive() && !t.rpmTimer().isActive() && !t.randomColorTimer(0).isActive());
        t.startRandomColor(2);
        t.startRandomColor(3);  // no such fan
        t.startRandomColor(-1);
        t.stopRandomColor(7);
        const QList<bool> running{t.isRandomColorRunning(0), t.isRandomColorRunning(1), t.isRandomColorRunning(2),
                                  t.isRandomColorRunning(3)};
        QCOMPARE(running, (QList<bool>{false, false, true, false}));
        // A start on a running timer must not restart it with the standard interval.
        t.rpmTimer().start(7000);
        t.musicTimer().start(7000);
        t.randomColorTimer(2).start(7000);
        t.startRpmPoll();
        t.startMusic();
        t.startRandomColor(2);
        QCOMPARE((QList<int>{t.rpmTimer().interval(), t.musicTimer().interval(), t.randomColorTimer(2).interval()}),
                 (QList<int>{7000, 7000, 7000}));
        t.stopRpmPoll();
        t.stopMusic();
        t.stopRandomColor(2);
        QVERIFY(!t.rpmTimer().isActive() && !t.musicTimer().isActive() && !t.isRandomColorRunning(2));
    }

    void timersDriveTheirSlots()
    {
        CoreHarness h({0});
        h.state.volumePercent = 30;
        h.tasks->startMusic();
        QTRY_COMPARE(h.state.musicLevel, 30);
        h.tasks->stopMusic();
        h.box(0).isRandomColorFan[2] = true;
        h.clear();
        h.tasks->startRandomColor(2);
        QTRY_VERIFY(!h.reports().isEmpty());
        h.tasks->stopRandomColor(2);
        QVERIFY(h.reports().first().startsWith(QStringLiteral("0 32 52 03 00")));
        h.clear();
        h.tasks->startRpmPoll();
        QTRY_VERIFY(h.views.count(QStringLiteral("setRPM(")) >= 6);  // periodic, not once
    }

    void musicSmoothing_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("target");
        QTest::addColumn<QList<int>>("levels");
        QTest::newRow("40 up to 80 halves the gap") << 40 << 80 << QList<int>{60, 70, 75, 77, 78, 79, 79};
        QTest::newRow("100 jumps to 80") << 100 << 80 << QList<int>{80, 80};
        QTest::newRow("0 jumps to 80") << 0 << 80 << QList<int>{80};
        QTest::newRow("above 100 jumps") << 150 << 80 << QList<int>{80};
        QTest::newRow("79 down to 40 truncates") << 79 << 40 << QList<int>{59, 49, 44, 42, 41, 40, 40};
    }
    void musicSmoothing()
    {
        QFETCH(int, start);
        QFETCH(int, target);
        QFETCH(QList<int>, levels);
        CoreHarness h({});
        h.state.musicLevel = start;
        h.state.volumePercent = target;
        QList<int> got;
        while (got.size() < levels.size()) {
            h.tasks->controlRGBValue();
            got << h.state.musicLevel;
        }
        QCOMPARE(got, levels);
    }

    void musicSendsConnectedBoxesScaled()
    {
        CoreHarness h({0, 2});
        h.state.musicLevel = 100;
        h.state.volumePercent = 50;
        h.box(0).GColorFan[1] = 200;
        h.box(0).brightFan[1] = 0.1f;        // brightness plays no part
        h.box(2).isTurnOffLedFan[0] = true;  // nor does the off switch
        h.box(2).LEDModeFan[2] = 2;
        h.tasks->controlRGBValue();
        QCOMPARE(h.reports(), (QStringList{steady(0, 0, 127, 0, 0), steady(0, 1, 127, 100, 0), steady(0, 2, 127, 0, 0),
                                           steady(2, 0, 127, 0, 0), steady(2, 1, 127, 0, 0), steady(2, 2, 127, 0, 0)}));
    }

    void colourWheel()
    {
        CoreHarness h({0});
        h.state.musicLevel = h.state.volumePercent = 100;
        h.box(0).LEDModeFan[1] = 1;
        h.box(9).LEDModeFan[0] = 1;  // an absent box is stepped too, just not sent
        auto colourAfter = [&h](int ticks, int b = 0, int f = 1) {
            for (int i = 0; i < ticks; ++i)
                h.tasks->controlRGBValue();
            const auto k = static_cast<size_t>(f);
            return QList<int>{h.box(b).RColorFan[k], h.box(b).GColorFan[k], h.box(b).BColorFan[k]};
        };
        QCOMPARE(colourAfter(1), (QList<int>{255, 1, 0}));
        QCOMPARE(colourAfter(254), (QList<int>{255, 255, 0}));
        QCOMPARE(colourAfter(0, 9, 0), (QList<int>{255, 255, 0}));
        QCOMPARE(colourAfter(255), (QList<int>{0, 255, 0}));
        QCOMPARE(colourAfter(0, 0, 0), (QList<int>{255, 0, 0}));  // steady fans keep their colour
        h.clear();
        QCOMPARE(colourAfter(1), (QList<int>{0, 254, 1}));
        QCOMPARE(h.reports().at(1), steady(0, 1, 0, 254, 1));
        QCOMPARE(colourAfter(254), (QList<int>{0, 0, 255}));
        QCOMPARE(colourAfter(255), (QList<int>{255, 0, 255}));
        QCOMPARE(colourAfter(255), (QList<int>{255, 0, 0}));
        // Off the wheel: blue stays at 255 while green runs out, then the wheel takes over.
        h.paint(0, 1, 0, 100, 255);
        QCOMPARE(colourAfter(1), (QList<int>{0, 99, 255}));
        QCOMPARE(colourAfter(100), (QList<int>{1, 0, 255}));
    }

    void randomColour()
    {
        CoreHarness h({0, 2});
        int next = 250;
        h.tasks->setRandomSource([&next] { return next++; });
        h.box(0).isRandomColorFan[1] = true;
        h.box(2).isRandomColorFan[1] = true;
        h.box(2).brightFan[1] = 0.5f;
        h.box(5).isRandomColorFan[1] = true;  // not connected
        h.box(0).isRandomColorFan[0] = true;  // other port
        h.tasks->sendBrightFan2();
        // Box 0 draws 250..252, box 1 253..255, box 2 256..258 (mod 255: 1..3, halved).
        QCOMPARE(h.reports(), (QStringList{steady(0, 1, 250, 251, 252), steady(2, 1, 0, 1, 1)}));
        QCOMPARE(h.box(0).RColorFan[1], 255);  // stored colour untouched
        // Every box draws its three values, connected or not.
        h.tasks->sendBrightFan1();
        h.tasks->sendBrightFan3();
        QCOMPARE(next, 250 + 3 * 48);
    }

    void pollShowsSelectedBoxRpm()
    {
        CoreHarness h({0, 2});
        h.state.controllerBoxNumber = 2;
        h.emu.setStalledFans({{2, 2}});
        h.box(2).isAlertShownFan[2] = true;  // already raised: not shown again
        h.tasks->updateSpeed();
        QCOMPARE(h.reports(), (QStringList{status(0, 0), status(0, 1), status(0, 2), status(2, 0), status(2, 1),
                                           status(2, 2)}));
        QCOMPARE(h.views.count(QStringLiteral("placeAlert()")), 6);
        QCOMPARE(h.views.count(QStringLiteral("showAlert(")), 0);
        QCOMPARE(h.views.count(QStringLiteral("setRPM(")), 3);
        QCOMPARE(h.views.count(QStringLiteral("setBoxFault(0,0)")), 3);
        QCOMPARE(h.views.count(QStringLiteral("setBoxFault(2,1)")), 3);
        const int i = h.views.calls.indexOf(QStringLiteral("setRPM(0,2)"));
        QCOMPARE(h.views.calls.mid(i - 1, 5), (QStringList{"placeAlert()", "setRPM(0,2)", "setFanMonitor(2,1)",
                                                           "setFanErrorHidden(2,0)", "setBoxFault(2,1)"}));
    }

    void stalledFanRaisesAlertOnce()
    {
        CoreHarness h({0, 2});
        h.emu.setStalledFans({{2, 1}});
        h.tasks->updateSpeed();
        QCOMPARE(h.views.count(QStringLiteral("showAlert(")), 1);
        QVERIFY(!h.views.panelEnabled);
        QVERIFY(h.box(2).isAlertShownFan[1]);
        const int i = h.views.calls.indexOf(QStringLiteral("showAlert(2)"));
        QCOMPARE(h.views.calls.mid(i - 1, 5), (QStringList{"placeAlert()", "showAlert(2)", "setPanelEnabled(0)",
                                                           "setBoxFault(2,1)", "setBoxFault(2,1)"}));
        QCOMPARE(h.views.count(QStringLiteral("setRPM(")), 3);  // box 0 is the selected one
        h.views.clear();
        h.tasks->updateSpeed();
        QCOMPARE(h.views.count(QStringLiteral("showAlert(")), 0);
        QCOMPARE(h.views.count(QStringLiteral("setBoxFault(2,1)")), 3);
        h.emu.setStalledFans({});
        h.views.clear();
        h.tasks->updateSpeed();
        QVERIFY(!h.box(2).isAlertShownFan[1]);
        // Each processed reply re-marks the box: fan 0 still sees fan 1's alarm.
        QCOMPARE(h.views.calls.filter(QStringLiteral("setBoxFault(2,")),
                 (QStringList{"setBoxFault(2,1)", "setBoxFault(2,0)", "setBoxFault(2,0)"}));
    }

    // An unmonitored fan is still asked, but its reply is dropped; so are bad replies.
    void repliesThatAreDropped()
    {
        CoreHarness h({0, 2});
        h.emu.setStalledFans({{0, 0}, {2, 0}});
        h.box(0).monitorFan[0] = false;
        for (BoxEmulator::Fault fault : {BoxEmulator::Fault::WrongHeader, BoxEmulator::Fault::NoReply}) {
            h.clear();
            h.emu.setFault(2, fault);
            h.tasks->updateSpeed();
            QCOMPARE(h.reports().size(), 6);
            QCOMPARE(h.views.count(QStringLiteral("placeAlert()")), 2);
            QCOMPARE(h.views.count(QStringLiteral("showAlert(")), 0);
            QCOMPARE(h.views.count(QStringLiteral("setBoxFault(2")), 0);
            QVERIFY(!h.views.calls.contains(QStringLiteral("setRPM(0,0)")));
            QVERIFY(!h.box(0).isAlertShownFan[0]);
        }
    }
};

QTEST_GUILESS_MAIN(TestPeriodicTasks)
#include "tst_periodictasks.moc"
