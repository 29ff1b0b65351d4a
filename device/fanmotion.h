#pragma once

#include <cstdint>

// How an emulated fan's rotor follows the speed it is sent: towards its share
// of the top speed with a first-order lag, to a standstill at 0 %. A stalled
// rotor is held still until it is let go again. Times are milliseconds on the
// emulator's clock; a time earlier than the last one seen counts as no time.
class FanMotion {
public:
    // Time for the rotor to cover about 63 % of the way to a new speed.
    static constexpr double kLagMs = 1000.0;

    FanMotion() = default;
    // Turning steadily at percent from time 0.
    FanMotion(int topRpm, int percent);

    void command(std::int64_t nowMs, int percent);
    void stall(std::int64_t nowMs);
    void recover(std::int64_t nowMs);
    // Rotor speed now; 0 while stalled.
    double rpm(std::int64_t nowMs);
    // What the tachometer counts: nothing while stalled or sent 0 %.
    bool counts() const { return !m_stalled && m_percent > 0; }

private:
    void advance(std::int64_t nowMs);

    int m_topRpm = 0;
    int m_percent = 0;
    bool m_stalled = false;
    double m_rpm = 0.0;
    std::int64_t m_atMs = 0;
};
