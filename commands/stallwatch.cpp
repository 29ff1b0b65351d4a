#include "commands/stallwatch.h"

namespace {
StallEvent event(StallEvent::Kind kind, const FanSample &s, int rpm, int percent = 0)
{
    return {kind, s.box, s.fan, rpm, percent};
}
} // namespace

std::vector<StallEvent> StallWatch::observe(const FanSample &s)
{
    std::vector<StallEvent> out;
    const auto key = std::make_pair(s.box, s.fan);
    Fan &f = m_fans[key];
    if (!s.monitored) {
        // Forgotten, but a fan in the middle of a kick gets its own speed back.
        if (f.kicking)
            out.push_back(event(StallEvent::Kind::KickEnd, s, s.rpm, s.percent));
        m_fans.erase(key);
        return out;
    }
    if (!f.seen || s.percent > f.percent)
        f.warmUntil = s.timeMs + kWarmUpMs;
    f.seen = true;
    f.percent = s.percent;
    if (f.kicking) {
        if (s.timeMs < f.kickUntil && s.percent > 0)
            return out;  // nothing counts during the burst
        f.kicking = false;
        f.kickSettled = s.timeMs + kWarmUpMs;
        out.push_back(event(StallEvent::Kind::KickEnd, s, s.rpm, s.percent));
    }
    if (s.percent == 0) {
        // Not meant to turn: neither stopped nor running again.
        f.below = false;
        return out;
    }
    if (s.rpm > 0)
        turning(f, s, out);
    else
        standing(f, s, out);
    return out;
}

void StallWatch::standing(Fan &f, const FanSample &s, std::vector<StallEvent> &out)
{
    f.below = false;
    if (s.timeMs < f.warmUntil || f.alert == Alert::Stopped)
        return;
    if (s.kickEnabled && !f.kicked) {
        f.kicking = f.kicked = true;
        f.kickUntil = s.timeMs + kKickMs;
        out.push_back(event(StallEvent::Kind::Kick, s, 0, kKickPercent));
        return;
    }
    f.alert = Alert::Stopped;
    out.push_back(event(StallEvent::Kind::Stopped, s, f.lastTurningRpm));
}

void StallWatch::turning(Fan &f, const FanSample &s, std::vector<StallEvent> &out)
{
    f.lastTurningRpm = s.rpm;
    if (f.alert == Alert::Stopped) {
        f.alert = Alert::None;
        f.kicked = false;
        out.push_back(event(StallEvent::Kind::Recovered, s, s.rpm));
    } else if (f.kicked && s.timeMs >= f.kickSettled) {
        // Turned on its own speed since the kick: a later stop is a new stall.
        f.kicked = false;
    }
    if (s.minRpm <= 0 || s.rpm >= s.minRpm) {
        f.below = false;
        if (f.alert == Alert::BelowMinimum) {
            f.alert = Alert::None;
            out.push_back(event(StallEvent::Kind::Recovered, s, s.rpm));
        }
        return;
    }
    if (!f.below) {
        f.below = true;
        f.belowSince = s.timeMs;
    }
    if (f.alert == Alert::None && s.timeMs >= f.warmUntil && s.timeMs - f.belowSince >= kWarmUpMs) {
        f.alert = Alert::BelowMinimum;
        out.push_back(event(StallEvent::Kind::BelowMinimum, s, s.rpm));
    }
}

bool StallWatch::isAlerted(int box, int fan) const
{
    const auto it = m_fans.find({box, fan});
    return it != m_fans.end() && it->second.alert != Alert::None;
}

const char *StallWatch::kindName(StallEvent::Kind kind)
{
    switch (kind) {
    case StallEvent::Kind::Kick: return "Kick";
    case StallEvent::Kind::KickEnd: return "KickEnd";
    case StallEvent::Kind::Stopped: return "Stopped";
    case StallEvent::Kind::BelowMinimum: return "BelowMinimum";
    case StallEvent::Kind::Recovered: return "Recovered";
    }
    return "?";
}
