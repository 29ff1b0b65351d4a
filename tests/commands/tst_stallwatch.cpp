// The stall watch on simulated time: warm-up, the kick, alerts and recovery,
// by itself and against the emulator's turning fans.
#include "commands/stallwatch.h"
#include "common/syncreads.h"
#include "core/controllerstate.h"
#include "device/boxemulator.h"

#include <QtTest>

#include <atomic>

namespace {
// t, percent, rpm; then box, fan, monitored, kick, minimum.
struct Step {
    std::int64_t t;
    int percent, rpm, box = 0, fan = 0;
    bool monitored = true, kick = true;
    int minRpm = 0;
};

QString text(const StallEvent &e, std::int64_t t, bool withRpm = true)
{
    QString s = QStringLiteral("%1 %2 %3.%4").arg(t).arg(StallWatch::kindName(e.kind)).arg(e.box).arg(e.fan);
    if (e.kind == StallEvent::Kind::Kick || e.kind == StallEvent::Kind::KickEnd)
        s += QStringLiteral(" %1%").arg(e.percent);
    return withRpm && e.kind != StallEvent::Kind::Kick ? s + QStringLiteral(" %1").arg(e.rpm) : s;
}
} // namespace

class TestStallWatch : public QObject {
    Q_OBJECT
private slots:
    void rules()
    {
        const std::vector<std::tuple<const char *, std::vector<Step>, QStringList>> rows{
            {"warm-up, again after a higher speed",
             {{0, 60, 0}, {3000, 60, 900}, {5000, 80, 0}, {8000, 80, 0}, {9000, 80, 0}}, {"9000 Kick 0.0 100%"}},
            {"0 % is not stopped", {{0, 60, 1000}, {5000, 0, 0}, {20000, 0, 0}}, {}},
            {"kick, then the alert",
             {{0, 60, 1000}, {5000, 60, 0}, {7000, 60, 0}, {8000, 60, 0}},
             {"5000 Kick 0.0 100%", "8000 KickEnd 0.0 60% 0", "8000 Stopped 0.0 1000"}},
            {"kick, then it runs", {{0, 60, 1000}, {5000, 60, 0}, {8000, 60, 1500}, {13000, 60, 900}},
             {"5000 Kick 0.0 100%", "8000 KickEnd 0.0 60% 1500"}},
            {"one kick per stall", {{0, 60, 1000}, {5000, 60, 0}, {8000, 60, 1500}, {9000, 60, 0}, {20000, 60, 0}},
             {"5000 Kick 0.0 100%", "8000 KickEnd 0.0 60% 1500", "9000 Stopped 0.0 1500"}},
            {"recovered, and a new stall gets a new kick",
             {{0, 60, 1000}, {5000, 60, 0}, {8000, 60, 0}, {9000, 60, 1100}, {10000, 60, 0}},
             {"5000 Kick 0.0 100%", "8000 KickEnd 0.0 60% 0", "8000 Stopped 0.0 1000", "9000 Recovered 0.0 1100",
              "10000 Kick 0.0 100%"}},
            {"kick switched off", {{0, 60, 1000, 1, 2, true, false}, {5000, 60, 0, 1, 2, true, false}},
             {"5000 Stopped 1.2 1000"}},
            {"below the minimum for the warm-up",
             {{0, 60, 1000, 0, 0, true, true, 500}, {5000, 60, 400, 0, 0, true, true, 500},
              {8000, 60, 400, 0, 0, true, true, 500}, {9000, 60, 400, 0, 0, true, true, 500},
              {10000, 60, 600, 0, 0, true, true, 500}},
             {"9000 BelowMinimum 0.0 400", "10000 Recovered 0.0 600"}},
            {"not monitored; a kick ends when it is no longer",
             {{0, 60, 0, 0, 1, false}, {20000, 60, 0, 0, 1, false}, {0, 60, 1000}, {5000, 60, 0}, {6000, 60, 0, 0, 0, false}},
             {"5000 Kick 0.0 100%", "6000 KickEnd 0.0 60% 0"}},
            {"two fans, two alerts",
             {{0, 60, 1000, 0, 0, true, false}, {0, 60, 1200, 3, 1, true, false}, {5000, 60, 0, 0, 0, true, false},
              {5000, 60, 0, 3, 1, true, false}},
             {"5000 Stopped 0.0 1000", "5000 Stopped 3.1 1200"}},
        };
        for (const auto &[name, steps, expected] : rows) {
            StallWatch watch;
            QStringList seen;
            for (const Step &s : steps) {
                for (const StallEvent &e :
                     watch.observe({s.box, s.fan, s.t, s.percent, s.rpm, s.monitored, s.kick, s.minRpm}))
                    seen << text(e, s.t);
            }
            QVERIFY2(seen == expected, qPrintable(QStringLiteral("%1: %2").arg(name, seen.join(" | "))));
        }
    }

    // Box 0 on the emulator's clock, polled each second: fan 0 stalls at 10 s for
    // good, fan 1 stalls at 10 s and turns again at 11.5 s, fan 2 is sent 0 %.
    void emulatedFans()
    {
        ControllerState state;
        BoxEmulator emu;
        std::atomic<std::int64_t> now{0};
        emu.setClock([&now] { return qint64(now.load()); });
        emu.setBoxes({0});
        DeviceLink link(state, emu);
        link.connectAllBoxes();
        emu.addFanEvents({{0, 0, 10000, true}, {0, 1, 10000, true}, {0, 1, 11500, false}});
        const int own[] = {60, 60, 0};
        link.setFanSpeedLevel(0, 2, -1);  // 0 %
        StallWatch watch;
        QStringList seen;
        for (now = 0; now <= 20000; now += 1000) {
            for (int fan = 0; fan < kFanCount; ++fan) {
                const FanStatusReply r = readStatusNow(link, 0, fan);
                const int rpm = DeviceLink::parseFanStatus(r.data.data(), r.length).rpm;
                for (const StallEvent &e : watch.observe({0, fan, now, own[fan], rpm, true, true, 0})) {
                    seen << text(e, now, false);
                    if (e.kind == StallEvent::Kind::Kick || e.kind == StallEvent::Kind::KickEnd)
                        link.setFanSpeedLevel(0, fan, e.percent / 20);  // 100 % is level 5, 60 % level 3
                }
            }
        }
        QCOMPARE(seen, (QStringList{"10000 Kick 0.0 100%", "10000 Kick 0.1 100%", "13000 KickEnd 0.0 60%",
                                    "13000 Stopped 0.0", "13000 KickEnd 0.1 60%"}));
    }
};

QTEST_GUILESS_MAIN(TestStallWatch)
#include "tst_stallwatch.moc"
