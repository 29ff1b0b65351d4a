#include "common/coreharness.h"

// The timers, the RPM poll with its stopped-fan alarm, and box selection.
class TestFanTimers : public QObject {
    Q_OBJECT
    static QList<int> colour(const ControllerBox &b, size_t f) { return {b.fans[f].colour.red, b.fans[f].colour.green, b.fans[f].colour.blue}; }

private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    // Up halves the gap, from 0 or 100 it jumps, down truncates.
    void musicSmoothing()
    {
        for (auto [start, target, levels] : {std::tuple{40, 80, QList<int>{60, 70, 75, 77, 78, 79, 79}},
                                             {0, 80, {80}}, {79, 40, {59, 49, 44, 42, 41, 40, 40}}}) {
            CoreHarness h({});
            h.state.musicLevel = start;
            h.state.volumePercent = target;
            QList<int> got;
            while (got.size() < levels.size()) {
                h.timers.musicStep();
                got << h.state.musicLevel;
            }
            QCOMPARE(got, levels);
        }
    }

    void musicSendsConnectedBoxesScaled()
    {
        CoreHarness h({0, 2});
        h.state.musicLevel = 100;
        h.state.volumePercent = 50;
        h.box(0).fans[1].colour.green = 200;
        h.box(0).fans[1].brightness = 0.1f;        // brightness plays no part
        h.box(2).fans[0].ledsOff = true;  // nor does the off switch
        h.timers.musicStep();
        QCOMPARE(h.reports(), (QStringList{steady(0, 0, 127, 0, 0), steady(0, 1, 127, 100, 0), steady(0, 2, 127, 0, 0),
                                           steady(2, 0, 127, 0, 0), steady(2, 1, 127, 0, 0), steady(2, 2, 127, 0, 0)}));
    }

    void colourWheel()
    {
        CoreHarness h({0});
        h.state.musicLevel = h.state.volumePercent = 100;
        setMode(h.box(0).fans[1].lighting, 1);
        auto after = [&h](int ticks) {
            for (int i = 0; i < ticks; ++i)
                h.timers.musicStep();
            return colour(h.box(0), 1);
        };
        QCOMPARE(after(255), (QList<int>{255, 255, 0}));
        QCOMPARE(after(255), (QList<int>{0, 255, 0}));
        QCOMPARE(colour(h.box(0), 0), (QList<int>{255, 0, 0}));  // steady fans keep their colour
        h.clear();
        QCOMPARE(after(1), (QList<int>{0, 254, 1}));
        QCOMPARE(h.reports().at(1), steady(0, 1, 0, 254, 1));
        QCOMPARE(after(254 + 255 + 255), (QList<int>{255, 0, 0}));
        // Off the wheel: blue stays at 255 while green runs out, then the wheel takes over.
        h.paint(0, 1, 0, 100, 255);
        QCOMPARE(after(1), (QList<int>{0, 99, 255}));
        QCOMPARE(after(100), (QList<int>{1, 0, 255}));
    }

    void randomColour()
    {
        CoreHarness h({0, 2});
        int next = 250;
        h.timers.setRandomSource([&next] { return next++; });
        for (int b : {0, 2, 5})  // box 5 is not connected
            h.box(b).fans[1].randomColour = true;
        h.box(2).fans[1].brightness = 0.5f;
        h.box(0).fans[0].randomColour = true;  // other port
        h.timers.sendRandomColour(1);
        // Box 0 draws 250..252, box 1 253..255, box 2 256..258 (mod 255: 1..3, halved).
        QCOMPARE(h.reports(), (QStringList{steady(0, 1, 250, 251, 252), steady(2, 1, 0, 1, 1)}));
        QCOMPARE(h.box(0).fans[1].colour.red, 255);  // stored colour untouched
        h.timers.sendRandomColour(2);
        QCOMPARE(next, 250 + 2 * 48);  // every box draws, connected or not
    }

    void pollShowsSelectedBoxRpm()
    {
        CoreHarness h({0, 2});
        h.state.controllerBoxNumber = 2;
        h.emu.setStalledFans({{2, 2}});
        h.box(2).fans[2].alertShown = true;  // already raised: not shown again
        h.timers.pollRpm();
        QCOMPARE(h.reports(), (QStringList{status(0, 0), status(0, 1), status(0, 2), status(2, 0), status(2, 1),
                                           status(2, 2)}));
        QCOMPARE(h.views.count(QStringLiteral("showAlert(")), 0);
        QCOMPARE(h.views.count(QStringLiteral("setRPM(")), 3);
        QCOMPARE(h.views.count(QStringLiteral("setBoxFault(0,0)")), 3);
        const int i = h.views.calls.indexOf(QStringLiteral("setRPM(0,2)"));
        QCOMPARE(h.views.calls.mid(i - 1, 5), (QStringList{"placeAlert()", "setRPM(0,2)", "setFanMonitor(2,1)",
                                                           "setFanErrorHidden(2,0)", "setBoxFault(2,1)"}));
        QVERIFY(h.views.calls.contains(QStringLiteral("setFanErrorHidden(0,1)")));
    }

    // A box that has not answered the last poll is not asked again: a slow box's queue cannot grow.
    void pollWaitsForTheLastOne()
    {
        struct Held : BoxExecutor {
            std::vector<Job> jobs;
            void post(int, Job job, int) override { jobs.push_back(std::move(job)); }
            void deliver(Job result) override { result(); }
            void drain() override
            {
                std::vector<Job> run;
                run.swap(jobs);
                for (Job &job : run)
                    job();
            }
        };
        auto held = std::make_unique<Held>();
        Held &q = *held;
        CoreHarness h({0, 2}, std::move(held));
        q.drain();
        for (int tick = 0; tick < 3; ++tick)
            h.timers.pollRpm();
        QCOMPARE(q.jobs.size(), size_t(6));
        q.drain();
        h.timers.pollRpm();
        QCOMPARE(q.jobs.size(), size_t(6));
    }

    void stalledFanRaisesAlertOnce()
    {
        CoreHarness h({0, 2});
        h.emu.setStalledFans({{2, 1}});
        h.timers.pollRpm();
        const int i = h.views.calls.indexOf(QStringLiteral("showAlert(2)"));
        QCOMPARE(h.views.calls.mid(i - 1, 5), (QStringList{"placeAlert()", "showAlert(2)", "setPanelEnabled(0)",
                                                           "setBoxFault(2,1)", "setBoxFault(2,1)"}));
        QCOMPARE(h.views.count(QStringLiteral("showAlert(")), 1);
        h.emu.setStalledFans({});
        h.views.clear();
        h.timers.pollRpm();
        QVERIFY(!h.box(2).fans[1].alertShown);
        // Each processed reply re-marks the box: fan 0 still sees fan 1's alarm.
        QCOMPARE(h.views.calls.filter(QStringLiteral("setBoxFault(2,")),
                 (QStringList{"setBoxFault(2,1)", "setBoxFault(2,0)", "setBoxFault(2,0)"}));
    }

    // An unmonitored fan is still asked, but its reply is dropped; so are bad replies.
    void repliesThatAreDropped()
    {
        CoreHarness h({0, 2});
        h.emu.setStalledFans({{0, 0}, {2, 0}});
        h.box(0).fans[0].alarmOn = false;
        for (BoxEmulator::Fault fault : {BoxEmulator::Fault::WrongHeader, BoxEmulator::Fault::NoReply}) {
            h.clear();
            h.emu.setFault(2, fault);
            h.timers.pollRpm();
            QCOMPARE(h.reports().size(), 6);
            QCOMPARE(h.views.count(QStringLiteral("placeAlert()")), 2);
            QCOMPARE(h.views.count(QStringLiteral("showAlert(")) + h.views.count(QStringLiteral("setBoxFault(2")), 0);
            QVERIFY(!h.views.calls.contains(QStringLiteral("setRPM(0,0)")) && !h.box(0).fans[0].alertShown);
        }
    }

    void setBoxSelectsFirstConnected()
    {
        CoreHarness h({5, 2});
        h.box(2).profileValue = 4;
        h.box(9).fans[0].colour.green = 99;  // absent boxes are loaded too
        h.selection->setBox();
        QCOMPARE(h.state.controllerBoxNumber, 2);
        QCOMPARE(h.state.currentProfile, 4);
        QCOMPARE(h.box(9).fans[0].colour.green, 0);
        const QStringList enabled = h.views.calls.filter(QStringLiteral("setBoxEnabled("));
        QCOMPARE(enabled.size(), 16);
        QCOMPARE(enabled.mid(2, 4).join(' '), "setBoxEnabled(2,1) setBoxEnabled(3,0) setBoxEnabled(4,0) setBoxEnabled(5,1)");
        QCOMPARE(h.reports(), (QStringList{steady(2, 0, 255, 0, 0), steady(2, 1, 255, 0, 0), steady(2, 2, 255, 0, 0),
                                           steady(5, 0, 255, 0, 0), steady(5, 1, 255, 0, 0), steady(5, 2, 255, 0, 0)}));
        QCOMPARE(h.views.calls.last(), QStringLiteral("showError(1,0,0)"));
    }
};

QTEST_GUILESS_MAIN(TestFanTimers)
#include "tst_fantimers.moc"
