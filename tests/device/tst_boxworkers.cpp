// The per-box workers: the same reports in the same order as running inline,
// the newest setting of each kind winning in a backed-up queue, a rescan while
// exchanges wait, and a silent box that holds up nobody else.
#include "commands/fanoperations.h"
#include "commands/boxselection.h"
#include "common/recordingviewsink.h"
#include "core/controllerstate.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QtTest>

#include <atomic>
#include <future>
#include <thread>

namespace {

struct Rig {
    explicit Rig(bool threaded)
        : link(state, emu, threaded ? std::make_unique<ThreadedExecutor>() : nullptr)
    {
        emu.setBoxes({0, 1, 2, 5});
        link.connectAllBoxes();
        link.executor().drain();
        emu.clearSentReports();
    }
    // Per box, the trace lines of every report sent so far.
    QMap<int, QStringList> traces()
    {
        link.executor().drain();
        QMap<int, QStringList> perBox;
        for (const BoxEmulator::SentReport &r : emu.sentReports())
            perBox[r.box].append(BoxEmulator::traceLine(r.box, r.command.data()));
        return perBox;
    }
    // Holds box's worker until the returned promise is set.
    std::promise<void> hold(int box)
    {
        std::promise<void> gate;
        auto opened = std::make_shared<std::shared_future<void>>(gate.get_future().share());
        link.executor().post(box, [opened] { opened->wait(); });
        return gate;
    }
    // Panel steps, box 1: cF=v colour, bF=v brightness %, sF=v speed, tF/yF/fF steady/cycle/flash, oF off, S save, R read
    void play(const QString &steps)
    {
        const EntryRules panel = EntryRules::panel();
        for (const QString &s : steps.split(' ')) {
            const int f = s.mid(1, 1).toInt(), v = s.mid(3).toInt();
            switch (s[0].toLatin1()) {
            case 'c': ops.setColour(panel, 1, f, v, 255 - v, v / 2); break;
            case 'b': ops.setBrightness(panel, 1, f, float(v) / 100); break;
            case 's': ops.setFixedSpeed(panel, 1, f, v); break;
            case 't': case 'y': case 'f': ops.setLightingMode(panel, 1, f, LedMode(QString("tyf").indexOf(s[0]))); break;
            case 'o': ops.setLedsOff(panel, 1, f, 1); break;
            case 'S': link.saveToController(1); break;
            case 'R': link.readFanStatus(1, 0, [](const FanStatusReply &) {}); break;
            }
        }
    }
    // What box 1 shows per fan, live and saved: mode, colour, speed.
    QStringList shown()
    {
        link.executor().drain();
        QStringList out;
        for (int f = 0; f < state.box(1).fanCount(); ++f)
            for (const BoxEmulator::FanState &s : {emu.fanState(1, f), emu.savedFanState(1, f)})
                out << QString("%1 %2,%3,%4 %5").arg(int(s.ledMode)).arg(s.red).arg(s.green).arg(s.blue).arg(s.speedPercent);
        return out;
    }
    ControllerState state;
    BoxEmulator emu;
    DeviceLink link;
    QTemporaryDir dir;
    SettingsStore store{state, dir.path()};
    RecordingViewSink views;
    FanTimers timers{state, link, views};
    BoxSelection boxes{state, link, store, views, timers};
    FanOperations ops{state, link, store, boxes};
};

// A backed-up queue as box 1 should see it: between kept exchanges, each fan's
// last report of each kind (speed; steady, cycle, flash) in last-change order.
QStringList lastOfEachKind(const QStringList &trace)
{
    QStringList out;
    int start = 0;
    for (const QString &line : trace) {
        const QString head = line.left(7);
        const bool setting = head == "1 32 51" || head == "1 32 52";
        for (int i = start; setting && i < out.size(); ++i)
            if (out[i].startsWith(line.left(head.endsWith('1') ? 10 : 13)))
                out.removeAt(i--);
        out << line;
        start = setting ? start : out.size();
    }
    return out;
}

} // namespace

class TstBoxWorkers : public QObject {
    Q_OBJECT
private slots:
    void sameReportsPerBoxAsInline()
    {
        // One action at a time, so nothing waits long enough to be replaced.
        auto script = [](Rig &rig) {
            DeviceLink &l = rig.link;
            rig.state.boxArray[1].fans[2].lighting = LedMode::Flash;
            rig.state.boxArray[5].fans[0].ledsOff = true;
            for (int b : {0, 1, 2, 5, 7}) {
                const std::function<void()> actions[] = {
                    [&] { l.applyBoxSettings(b); },
                    [&] { l.setFanLedSteady(b, 1, 10, 20, 30, 0.5f); },
                    [&] { l.setFanSpeedPercent(b, 2, 50); },
                    [&] { l.readFanStatus(b, 0, [](const FanStatusReply &) {}); },
                    [&] { l.setFanLedCycle(b, 0); },
                    [&] { l.saveToController(b); },
                };
                for (const auto &act : actions) {
                    act();
                    l.executor().drain();
                }
            }
        };
        Rig inline_(false), threaded(true);
        script(inline_);
        script(threaded);
        for (int b : {0, 1, 2, 5})
            QCOMPARE(threaded.traces().value(b), inline_.traces().value(b));
        QCOMPARE(threaded.traces().keys(), inline_.traces().keys());
        QCOMPARE(threaded.traces().value(5).size(), 11);
    }

    // The audit's sequences with the worker held, so that every report waits;
    // the box ends as inline. Covers latest-wins with a read and a save between.
    void waitingReportsKeepKindsAndOrder_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::newRow("palette then RGB") << "c0=10 s0=2 c1=20 c0=30 y0";
        QTest::newRow("RGB off and on") << "y0 c0=30 y0 s1=3 f1 c1=40 t0 s1=1";
        QTest::newRow("flash steady cycle") << "f0 s0=1 c0=50 y0 f0 c2=60 s0=4 b0=50 y2";
        QTest::newRow("save between") << "c0=10 y0 s1=1 c1=7 S c0=20 s1=2 y0 c1=5";
        QTest::newRow("read between") << "s0=1 c0=1 R s0=2 c0=2 o0 f0 c0=3";
    }
    void waitingReportsKeepKindsAndOrder()
    {
        QFETCH(QString, steps);
        Rig inline_(false), threaded(true);
        std::promise<void> gate = threaded.hold(1);
        inline_.play(steps);
        threaded.play(steps);
        gate.set_value();
        QCOMPARE(threaded.traces().value(1), lastOfEachKind(inline_.traces().value(1)));
        QCOMPARE(threaded.shown(), inline_.shown());
    }

    // A save queued before a rescan still reaches the box, on the handle it was
    // queued for, before the new handle's probe.
    void rescanWaitsForQueuedExchanges()
    {
        Rig rig(true);
        std::promise<void> gate = rig.hold(2);
        rig.link.saveToController(2);
        rig.link.connectAllBoxes();
        gate.set_value();
        const QStringList trace = rig.traces().value(2);
        QCOMPARE(trace.size(), 5);
        QCOMPARE(trace.mid(3), QStringList({"2 32 53 00 00 00 00 00 00", "2 fe 33 00 00 00 00 00 00"}));
        QCOMPARE(rig.emu.saveCount(2), 1);
    }

    void silentBoxHoldsUpNobody()
    {
        Rig rig(true);
        rig.emu.setLatencyMicroseconds(1);  // real timing: a missing reply takes the whole timeout
        rig.emu.setFault(2, BoxEmulator::Fault::NoReply);
        QStringList arrivals;
        for (int i = 0; i < 2; ++i)
            rig.link.readFanStatus(2, i, [&](const FanStatusReply &r) { arrivals << QString("2:%1").arg(r.length); });
        rig.link.readFanStatus(0, 1, [&](const FanStatusReply &r) { arrivals << QString("0:%1").arg(r.length); });
        QTRY_COMPARE(arrivals.size(), 3);
        QCOMPARE(arrivals, QStringList({"0:64", "2:0", "2:0"}));
    }

    // The answer comes once each box ran what the work queued, naming the boxes
    // that missed a reply, refused a write or had not run it all in time.
    void completionAfterTheExchanges()
    {
        Rig rig(true);
        rig.emu.setFault(2, BoxEmulator::Fault::NoReply);
        rig.emu.setFault(5, BoxEmulator::Fault::RejectWrites);  // unplugged, not yet noticed
        QList<int> silent{-1};
        std::promise<void> gate = rig.hold(1);
        rig.link.afterExchanges([&] { for (int b : {0, 1, 2, 5}) rig.link.saveToController(b); },
                                [&](const QList<int> &s) { silent = s; });
        QTest::qWait(50);
        QCOMPARE(silent, QList<int>{-1});
        gate.set_value();
        QTRY_COMPARE(silent, (QList<int>{2, 5}));
        QCOMPARE(rig.emu.saveCount(1), 1);
        gate = rig.hold(0);
        rig.link.afterExchanges([&] { rig.link.setFanLedCycle(0, 1); }, [&](const QList<int> &s) { silent = s; }, 20);
        QTRY_COMPARE(silent, QList<int>{0});
        gate.set_value();
    }

    // Stopping runs what is queued within its bound and leaves behind a worker
    // stuck in an exchange; what waited behind that one is never run.
    void stopIsBounded()
    {
        std::atomic<bool> open{false};
        std::atomic<int> ran{0};
        auto ended = std::make_shared<std::promise<void>>();
        // Against a destructor that waits for every job, the stuck one ends after a while.
        std::thread opener([&open] {
            for (int i = 0; i < 200 && !open; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            open = true;
        });
        {
            ThreadedExecutor ex;
            ex.post(3, [&open, ended] {
                while (!open)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ended->set_value();
            });
            for (int b : {3, 4, 4})
                ex.post(b, [&ran, b] { ran += b; });
        }
        const bool openedByWatchdog = open.exchange(true);
        opener.join();
        ended->get_future().wait();
        QCOMPARE(ran.load(), 8);
        QVERIFY(!openedByWatchdog);
    }
};

QTEST_GUILESS_MAIN(TstBoxWorkers)
#include "tst_boxworkers.moc"
