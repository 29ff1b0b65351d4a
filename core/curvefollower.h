#pragma once

// What a fan following a temperature sends, pass by pass: the fail safe of its
// sensor, the user curve's follower and the built-in curve.

#include "core/usercurve.h"

#include <optional>

// One sensor's readings over the passes. A sensor that read and then stops
// for kMissedPassesToLose passes in a row is lost (fans go to their curve's
// highest point) until a reading returns; one that never read since start
// sends nothing. Keep one per sensor, so a fan switched onto a lost sensor
// sees it lost rather than never read.
class SensorFailSafe {
public:
    static constexpr int kMissedPassesToLose = 3;
    enum class State { Reading, Holding, Lost, NeverRead };
    // What to report, each once: never read (at the first pass), lost, back.
    enum class Event { None, NeverRead, Lost, Returned };
    struct Verdict {
        State state = State::NeverRead;
        double celsius = 0.0;  // with State::Reading
        Event event = Event::None;
    };

    Verdict pass(std::optional<double> celsius);

private:
    bool m_everRead = false;
    bool m_neverReported = false;
    bool m_lost = false;
    int m_missed = 0;
};

// Per fan: the curve's percent for each verdict, with hysteresis on the way
// down, step limits and the minimum. A new follower (or restart()) is a fresh
// start: the first reading takes the curve's value with no limit.
class CurveFollower {
public:
    explicit CurveFollower(UserCurve curve) : m_curve(std::move(curve)) {}

    // The percent to send; none = send nothing, the fan keeps its speed
    // (a sensor never read, or missing for fewer passes than lose it).
    std::optional<int> next(const SensorFailSafe::Verdict &verdict);
    void restart();

    const UserCurve &curve() const { return m_curve; }
    std::optional<int> lastPercent() const { return m_last; }

private:
    int limited(int target) const;

    UserCurve m_curve;
    std::optional<int> m_heldTenths;  // the temperature the percent follows
    std::optional<int> m_last;
};

// The built-in curve behind the fail safe: its cap when the sensor is lost,
// nothing without a reading, else the curve of the truncated temperature.
std::optional<int> builtinCurveNext(const SensorFailSafe::Verdict &verdict, int capPercent);
