#include "common/coreharness.h"
#include "commands/stallwatch.h"

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

    // The poll each second on the test clock, box 2's fans at 60 %: what is sent,
    // raised and cleared. A stalled fan gets a warm-up, one kick, then its alert.
    void stallWatchOnThePoll()
    {
        const auto stall = [](QList<BoxEmulator::FanEvent> e) { return [e](CoreHarness &h, int s) { if (!s) h.emu.addFanEvents(e); }; };
        const QList<std::tuple<const char *, std::function<void(CoreHarness &, int)>, QStringList>> rows{
            {"sent 0 %: not stopped", [](CoreHarness &h, int s) { if (!s) h.timers.setFanPercent(2, 1, 0), h.emu.addFanEvents({{2, 1, 0}}); }, {"0 speed 2.1 0"}},
            {"kicked once, then the alert", stall({{2, 1, 6000}}),
             {"6 speed 2.1 100", "9 Stopped 2.1", "9 speed 2.1 60", "9 showAlert(2,1)", "9 fault 1"}},
            {"turns after the kick", stall({{2, 1, 6000}, {2, 1, 7500, false}}), {"6 speed 2.1 100", "9 speed 2.1 60"}},
            {"alert, then running again", stall({{2, 1, 6000}, {2, 1, 11000, false}}),
             {"6 speed 2.1 100", "9 Stopped 2.1", "9 speed 2.1 60", "9 showAlert(2,1)", "9 fault 1", "12 Recovered 2.1", "12 fault 0"}},
            {"two fans, two alerts", stall({{2, 0, 6000}, {2, 1, 6000}}),
             {"6 speed 2.0 100", "6 speed 2.1 100", "9 Stopped 2.0", "9 Stopped 2.1", "9 speed 2.0 60", "9 speed 2.1 60",
              "9 showAlert(2,0)", "9 showAlert(2,1)", "9 fault 1"}},
            {"kick off", [&](CoreHarness &h, int s) { stall({{2, 1, 6000}})(h, s), h.box(2).fans[1].kickOn = false; },
             {"6 Stopped 2.1", "6 showAlert(2,1)", "6 fault 1"}},
            {"below the minimum", [](CoreHarness &h, int) { h.box(2).fans[1].minRpm = 5000; },
             {"4 BelowMinimum 2.1", "4 showAlert(2,1)", "4 fault 1"}},
            {"a curve's percent waits for the kick's end", [&](CoreHarness &h, int s) { stall({{2, 1, 6000}})(h, s); if (s == 7) h.timers.setFanPercent(2, 1, 40); },
             {"6 speed 2.1 100", "9 Stopped 2.1", "9 speed 2.1 40", "9 showAlert(2,1)", "9 fault 1"}},
            {"a fixed fan gets its level's", [&](CoreHarness &h, int s) { stall({{2, 1, 6000}})(h, s), h.box(2).fans[1].source = SpeedSource::fixed(), h.box(2).fans[1].speedLevel = 4; },
             {"6 speed 2.1 100", "9 Stopped 2.1", "9 speed 2.1 80", "9 showAlert(2,1)", "9 fault 1"}},
            {"alarm off ends the kick", [&](CoreHarness &h, int s) { stall({{2, 1, 6000}})(h, s), h.box(2).fans[1].alarmOn = s < 7; },
             {"6 speed 2.1 100", "7 speed 2.1 60"}},
        };
        for (const auto &[name, at, expected] : rows) {
            CoreHarness h({0, 2});
            h.emu.setClock([&h] { return h.now; });
            QStringList seen;
            for (int f : {0, 1, 2}) h.timers.setFanPercent(2, f, 60);
            connect(&h.timers, &FanTimers::alert, [&](const StallEvent &e) { seen << QString("%1 %2 %3.%4").arg(h.now / 1000).arg(StallWatch::kindName(e.kind)).arg(e.box).arg(e.fan); });
            for (bool fault = false; h.now <= 16000; h.now += 1000) {
                h.clear();
                at(h, int(h.now / 1000));
                h.timers.pollRpm();
                const QString s = QString::number(h.now / 1000) + ' ';
                for (const QString &r : h.reports().filter(" 32 51 "))
                    seen << s + QString("speed %1.%2 %3").arg(r[0]).arg(r.mid(8, 2).toInt() - 1).arg(r.mid(14, 2).toInt(nullptr, 16));
                seen << h.views.calls.filter("showAlert(").replaceInStrings(QRegularExpression("^"), s);
                const QStringList faults = h.views.calls.filter("setBoxFault(2,");
                if (!faults.isEmpty() && faults.last().endsWith(QString("%1)").arg(!fault)))
                    seen << s + QString("fault %1").arg(fault = !fault);
            }
            QVERIFY2(seen == expected, qPrintable(QString("%1: %2").arg(name, seen.join(" | "))));
        }
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
