#pragma once

// Decides when a fan has stopped, from what it was sent and what it reads: a
// fan sent 0 % is not stopped, a fan just sent a higher speed gets a warm-up,
// a fan that should turn and reads 0 RPM gets one kick (full speed for a
// moment) per stall, and only then an alert. Below a minimum RPM for the
// warm-up time is an alert too. Time comes in with every look, so it runs as
// well on a test clock as on the poll's.

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

// One look at a fan.
struct FanSample {
    int box = 0;
    int fan = 0;
    std::int64_t timeMs = 0;  // any clock that does not go back
    int percent = 0;          // the fan's own speed as the program sends it, not the kick's
    int rpm = 0;
    bool monitored = true;
    bool kickEnabled = true;
    int minRpm = 0;           // 0: no minimum
};

struct StallEvent {
    enum class Kind {
        Kick,          // send percent (full speed) now
        KickEnd,       // send the fan's own percent again
        Stopped,       // alert: rpm is the last RPM seen turning
        BelowMinimum,  // alert: rpm is the reading
        Recovered,     // the alert is over: rpm is the reading
    };
    Kind kind = Kind::Kick;
    int box = 0;
    int fan = 0;
    int rpm = 0;
    int percent = 0;
};

class StallWatch {
public:
    static constexpr std::int64_t kWarmUpMs = 4000;
    static constexpr std::int64_t kKickMs = 3000;
    static constexpr int kKickPercent = 100;

    // What to do and to tell after this look at one fan, in that order.
    std::vector<StallEvent> observe(const FanSample &sample);
    // Whether the fan has an alert that has not recovered yet.
    bool isAlerted(int box, int fan) const;
    // "Kick", "KickEnd", "Stopped", "BelowMinimum", "Recovered".
    static const char *kindName(StallEvent::Kind kind);

private:
    enum class Alert { None, Stopped, BelowMinimum };
    struct Fan {
        bool seen = false;
        int percent = 0;
        std::int64_t warmUntil = 0;
        bool kicking = false;
        std::int64_t kickUntil = 0;
        bool kicked = false;           // this stall had its kick
        std::int64_t kickSettled = 0;  // after this, turning ends the stall
        bool below = false;
        std::int64_t belowSince = 0;
        int lastTurningRpm = 0;
        Alert alert = Alert::None;
    };

    // Reads 0 RPM, or turns, while it should turn.
    void standing(Fan &f, const FanSample &s, std::vector<StallEvent> &out);
    void turning(Fan &f, const FanSample &s, std::vector<StallEvent> &out);

    std::map<std::pair<int, int>, Fan> m_fans;
};
