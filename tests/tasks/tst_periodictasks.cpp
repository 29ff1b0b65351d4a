#include "tasks/coreharness.h"

#include <QtTest>

class TestPeriodicTasks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env.isValid()); isolateEnvironment(m_env); }

    void timersAtCreation();
    void startsNeverRestartARunningTimer();
    void effectTimersRejectBadFan();
    void timersDriveTheirSlots();

    void musicSmoothing_data();
    void musicSmoothing();
    void musicSendsConnectedBoxesScaled();
    void colourWheel();

    void randomColourOnlyFlaggedConnected();
    void randomColourDrawsForEveryBox();

    void pollShowsSelectedBoxRpm();
    void stalledFanRaisesAlertOnce();
    void unmonitoredFanIsDropped();
    void badReplyIsDropped();

private:
    QTemporaryDir m_env;
};

void TestPeriodicTasks::timersAtCreation()
{
    CoreHarness h({0});
    PeriodicTasks &t = *h.tasks;
    QVERIFY(!t.musicTimer().isActive());
    QVERIFY(!t.rpmTimer().isActive());
    for (int k = 0; k < 3; ++k) {
        QVERIFY(!t.randomColorTimer(k).isActive());
        QVERIFY(!t.randomColorTimer(k).isSingleShot());
        QCOMPARE(t.randomColorTimer(k).interval(), 200);
    }
    QVERIFY(!t.musicTimer().isSingleShot());
    QVERIFY(!t.rpmTimer().isSingleShot());

    t.startRpmPoll();
    QVERIFY(t.rpmTimer().isActive());
    QCOMPARE(t.rpmTimer().interval(), 1000);
    t.startMusic();
    QVERIFY(t.musicTimer().isActive());
    QCOMPARE(t.musicTimer().interval(), 25);
    t.startRandomColor(2);
    QVERIFY(t.isRandomColorRunning(2));
    QVERIFY(!t.isRandomColorRunning(0));

    t.stopRpmPoll();
    t.stopMusic();
    t.stopRandomColor(2);
    QVERIFY(!t.rpmTimer().isActive());
    QVERIFY(!t.musicTimer().isActive());
    QVERIFY(!t.isRandomColorRunning(2));
}

void TestPeriodicTasks::startsNeverRestartARunningTimer()
{
    CoreHarness h({0});
    PeriodicTasks &t = *h.tasks;
    // A restart would apply the standard interval again.
    t.rpmTimer().start(7000);
    t.startRpmPoll();
    QCOMPARE(t.rpmTimer().interval(), 7000);
    t.musicTimer().start(7000);
    t.startMusic();
    QCOMPARE(t.musicTimer().interval(), 7000);
    t.randomColorTimer(1).start(7000);
    t.startRandomColor(1);
    QCOMPARE(t.randomColorTimer(1).interval(), 7000);
}

void TestPeriodicTasks::effectTimersRejectBadFan()
{
    CoreHarness h({0});
    h.tasks->startRandomColor(3);
    h.tasks->startRandomColor(-1);
    h.tasks->stopRandomColor(7);
    QVERIFY(!h.tasks->isRandomColorRunning(3));
    for (int k = 0; k < 3; ++k)
        QVERIFY(!h.tasks->isRandomColorRunning(k));
}

void TestPeriodicTasks::timersDriveTheirSlots()
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
    QVERIFY(h.reports().first().startsWith(QStringLiteral("0:32 52 03 00")));

    h.clear();
    h.tasks->startRpmPoll();
    QTRY_VERIFY(h.views.count(QStringLiteral("setRPM(")) >= 3);
    h.tasks->stopRpmPoll();
}

void TestPeriodicTasks::musicSmoothing_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("target");
    QTest::addColumn<QList<int>>("levels");
    QTest::newRow("40 up to 80 halves the gap") << 40 << 80 << QList<int>{60, 70, 75, 77, 78, 79, 79};
    QTest::newRow("100 jumps to 80") << 100 << 80 << QList<int>{80, 80};
    QTest::newRow("0 jumps to 80") << 0 << 80 << QList<int>{80};
    QTest::newRow("above 100 jumps") << 150 << 80 << QList<int>{80};
    QTest::newRow("79 down to 40 truncates") << 79 << 40 << QList<int>{59, 49, 44, 42, 41, 40, 40};
    QTest::newRow("equal stays") << 55 << 55 << QList<int>{55};
}

void TestPeriodicTasks::musicSmoothing()
{
    QFETCH(int, start);
    QFETCH(int, target);
    QFETCH(QList<int>, levels);
    CoreHarness h({});
    h.state.musicLevel = start;
    h.state.volumePercent = target;
    QList<int> got;
    for (int i = 0; i < levels.size(); ++i) {
        h.tasks->controlRGBValue();
        got << h.state.musicLevel;
    }
    QCOMPARE(got, levels);
}

void TestPeriodicTasks::musicSendsConnectedBoxesScaled()
{
    CoreHarness h({0, 2});
    h.state.musicLevel = 100;
    h.state.volumePercent = 50;
    h.box(0).GColorFan[1] = 200;
    h.box(0).brightFan[1] = 0.1f;      // brightness plays no part
    h.box(2).isTurnOffLedFan[0] = true;  // nor does the off switch
    h.box(2).LEDModeFan[2] = 2;
    h.tasks->controlRGBValue();
    QCOMPARE(h.reports(), (QStringList{steady(0, 0, 127, 0, 0), steady(0, 1, 127, 100, 0), steady(0, 2, 127, 0, 0),
                                       steady(2, 0, 127, 0, 0), steady(2, 1, 127, 0, 0), steady(2, 2, 127, 0, 0)}));
}

void TestPeriodicTasks::colourWheel()
{
    CoreHarness h({0});
    h.state.musicLevel = 100;
    h.state.volumePercent = 100;
    h.box(0).LEDModeFan[1] = 1;
    h.box(9).LEDModeFan[0] = 1;  // an absent box is stepped too, just not sent
    auto colour = [&h](int b, int f) {
        const auto i = static_cast<size_t>(f);
        return QList<int>{h.box(b).RColorFan[i], h.box(b).GColorFan[i], h.box(b).BColorFan[i]};
    };
    auto run = [&h](int ticks) {
        for (int i = 0; i < ticks; ++i)
            h.tasks->controlRGBValue();
    };
    run(1);
    QCOMPARE(colour(0, 1), (QList<int>{255, 1, 0}));
    run(254);
    QCOMPARE(colour(0, 1), (QList<int>{255, 255, 0}));
    QCOMPARE(colour(9, 0), (QList<int>{255, 255, 0}));
    run(255);
    QCOMPARE(colour(0, 1), (QList<int>{0, 255, 0}));
    QCOMPARE(colour(0, 0), (QList<int>{255, 0, 0}));  // steady fans keep their colour
    h.clear();
    run(1);
    QCOMPARE(h.reports().at(1), steady(0, 1, 0, 254, 1));
    run(254);
    QCOMPARE(colour(0, 1), (QList<int>{0, 0, 255}));
    run(255);
    QCOMPARE(colour(0, 1), (QList<int>{255, 0, 255}));
    run(255);
    QCOMPARE(colour(0, 1), (QList<int>{255, 0, 0}));
}

void TestPeriodicTasks::randomColourOnlyFlaggedConnected()
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
    QCOMPARE(h.box(0).GColorFan[1], 0);
}

void TestPeriodicTasks::randomColourDrawsForEveryBox()
{
    CoreHarness h({});
    int draws = 0;
    h.tasks->setRandomSource([&draws] { return ++draws; });
    h.tasks->sendBrightFan1();
    QCOMPARE(draws, 48);
    h.tasks->sendBrightFan3();
    QCOMPARE(draws, 96);
    QVERIFY(h.reports().isEmpty());
}

void TestPeriodicTasks::pollShowsSelectedBoxRpm()
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
    QVERIFY(h.views.calls.contains(QStringLiteral("setRPM(0,2)")));
    QVERIFY(h.views.calls.contains(QStringLiteral("setFanErrorHidden(0,1)")));
    QVERIFY(h.views.calls.contains(QStringLiteral("setFanErrorHidden(2,0)")));
    QCOMPARE(h.views.count(QStringLiteral("setFanMonitor(")), 3);
    QCOMPARE(h.views.count(QStringLiteral("setBoxFault(0,0)")), 3);
    QCOMPARE(h.views.count(QStringLiteral("setBoxFault(2,1)")), 3);
    const int i = h.views.calls.indexOf(QStringLiteral("setRPM(0,2)"));
    QCOMPARE(h.views.calls.mid(i - 1, 5),
             (QStringList{"placeAlert()", "setRPM(0,2)", "setFanMonitor(2,1)", "setFanErrorHidden(2,0)",
                          "setBoxFault(2,1)"}));
}

void TestPeriodicTasks::stalledFanRaisesAlertOnce()
{
    CoreHarness h({0, 2});
    h.emu.setStalledFans({{2, 1}});
    h.tasks->updateSpeed();
    QCOMPARE(h.views.count(QStringLiteral("showAlert(2)")), 1);
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
    QStringList faults;
    for (const QString &c : h.views.calls)
        if (c.startsWith(QStringLiteral("setBoxFault(2,")))
            faults << c;
    QCOMPARE(faults, (QStringList{"setBoxFault(2,1)", "setBoxFault(2,0)", "setBoxFault(2,0)"}));
}

void TestPeriodicTasks::unmonitoredFanIsDropped()
{
    CoreHarness h({0});
    h.emu.setStalledFans({{0, 0}});
    h.box(0).monitorFan[0] = false;
    h.tasks->updateSpeed();
    QCOMPARE(h.reports().size(), 3);  // still asked
    QCOMPARE(h.views.count(QStringLiteral("placeAlert()")), 2);
    QCOMPARE(h.views.count(QStringLiteral("showAlert(")), 0);
    QVERIFY(!h.box(0).isAlertShownFan[0]);
    QVERIFY(!h.views.calls.contains(QStringLiteral("setRPM(0,0)")));
}

void TestPeriodicTasks::badReplyIsDropped()
{
    CoreHarness h({0, 2});
    h.emu.setStalledFans({{2, 0}});
    h.emu.setFault(2, BoxEmulator::Fault::WrongHeader);
    h.tasks->updateSpeed();
    QCOMPARE(h.views.count(QStringLiteral("placeAlert()")), 3);  // box 0 only
    QCOMPARE(h.views.count(QStringLiteral("showAlert(")), 0);
    QCOMPARE(h.views.count(QStringLiteral("setBoxFault(2")), 0);

    h.views.clear();
    h.emu.setFault(2, BoxEmulator::Fault::NoReply);
    h.tasks->updateSpeed();
    QCOMPARE(h.views.count(QStringLiteral("placeAlert()")), 3);
    QCOMPARE(h.views.count(QStringLiteral("showAlert(")), 0);
}

QTEST_GUILESS_MAIN(TestPeriodicTasks)
#include "tst_periodictasks.moc"
