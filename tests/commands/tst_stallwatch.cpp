// The stall watch on simulated time, by itself and against the emulator's fans.
#include "commands/stallwatch.h"
#include "common/syncreads.h"
#include "core/controllerstate.h"
#include "device/boxemulator.h"

#include <QtTest>

#include <atomic>

namespace {
QString text(const StallEvent &e, std::int64_t t)
{
    return QStringLiteral("%1 %2 %3.%4 %5 %6%").arg(t).arg(StallWatch::kindName(e.kind)).arg(e.box).arg(e.fan)
        .arg(e.rpm).arg(e.percent);
}
// Fan 0.0 at 60 %: (ms, rpm) looks.
std::vector<FanSample> looks(std::initializer_list<std::pair<int, int>> timesAndRpm, FanSample s = {0, 0, 0, 60})
{
    std::vector<FanSample> out;
    for (const auto &[t, rpm] : timesAndRpm)
        out.push_back(s), out.back().timeMs = t, out.back().rpm = rpm;
    return out;
}
} // namespace

class TestStallWatch : public QObject {
    Q_OBJECT
private slots:
    void rules()
    {
        const FanSample minimum{0, 0, 0, 60, 0, true, true, 500}, noKick{3, 1, 0, 60, 0, true, false};
        const std::vector<std::tuple<const char *, std::vector<FanSample>, QStringList>> rows{
            {"warm-up, again after a higher speed",
             {{0, 0, 0, 60, 0}, {0, 0, 3000, 60, 900}, {0, 0, 5000, 80, 0}, {0, 0, 8000, 80, 0}, {0, 0, 9000, 80, 0}},
             {"9000 Kick 0.0 0 100%"}},
            {"one kick per stall", looks({{0, 1000}, {5000, 0}, {8000, 1500}, {9000, 0}, {20000, 0}}),
             {"5000 Kick 0.0 0 100%", "8000 KickEnd 0.0 1500 60%", "9000 Stopped 0.0 1500 0%"}},
            {"kick, alert, recovery; a new stall, a new kick",
             looks({{0, 1000}, {5000, 0}, {7000, 0}, {8000, 0}, {9000, 1100}, {10000, 0}}),
             {"5000 Kick 0.0 0 100%", "8000 KickEnd 0.0 0 60%", "8000 Stopped 0.0 1000 0%", "9000 Recovered 0.0 1100 0%",
              "10000 Kick 0.0 0 100%"}},
            {"below the minimum for the warm-up", looks({{0, 1000}, {5000, 400}, {8000, 400}, {9000, 400}, {10000, 600}}, minimum),
             {"9000 BelowMinimum 0.0 400 0%", "10000 Recovered 0.0 600 0%"}},
            {"not monitored; a kick ends when it is no longer",
             {{0, 1, 0, 60, 0, false}, {0, 1, 20000, 60, 0, false}, {0, 0, 0, 60, 1000}, {0, 0, 5000, 60, 0},
              {0, 0, 6000, 60, 0, false}},
             {"5000 Kick 0.0 0 100%", "6000 KickEnd 0.0 0 60%"}},
            {"kick off", looks({{0, 1000}, {5000, 0}}, noKick), {"5000 Stopped 3.1 1000 0%"}},
        };
        for (const auto &[name, samples, expected] : rows) {
            StallWatch watch;
            QStringList seen;
            for (const FanSample &s : samples)
                for (const StallEvent &e : watch.observe(s))
                    seen << text(e, s.timeMs);
            QVERIFY2(seen == expected, qPrintable(QStringLiteral("%1: %2").arg(name, seen.join(" | "))));
        }
    }

    // Polled each second: fan 0 stalls at 10 s, fan 1 too but turns again at 11.5 s, fan 2 is sent 0 %.
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
        link.setFanSpeedLevel(0, 2, -1);  // 0 %
        StallWatch watch;
        QStringList seen;
        for (now = 0; now <= 20000; now += 1000) {
            for (int fan = 0; fan < state.box(0).fanCount(); ++fan) {
                const FanStatusReply r = readStatusNow(link, 0, fan);
                for (const StallEvent &e :
                     watch.observe({0, fan, now, fan < 2 ? 60 : 0, DeviceLink::parseFanStatus(r.data.data(), r.length).rpm})) {
                    seen << text(e, now).section(' ', 0, 2);
                    if (e.kind == StallEvent::Kind::Kick || e.kind == StallEvent::Kind::KickEnd)
                        link.setFanSpeedLevel(0, fan, e.percent / 20);  // 100 % is level 5, 60 % level 3
                }
            }
        }
        QCOMPARE(seen, (QStringList{"10000 Kick 0.0", "10000 Kick 0.1", "13000 KickEnd 0.0", "13000 Stopped 0.0",
                                    "13000 KickEnd 0.1"}));
    }
};

QTEST_GUILESS_MAIN(TestStallWatch)
#include "tst_stallwatch.moc"
