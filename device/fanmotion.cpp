#include "device/fanmotion.h"

#include <algorithm>
#include <cmath>

FanMotion::FanMotion(int topRpm, int percent)
    : m_topRpm(topRpm), m_percent(std::clamp(percent, 0, 100)), m_rpm(topRpm * m_percent / 100.0)
{
}

void FanMotion::advance(std::int64_t nowMs)
{
    if (nowMs <= m_atMs)
        return;
    const double target = m_stalled ? 0.0 : m_topRpm * m_percent / 100.0;
    // The exact step of the lag, however long since the last look.
    m_rpm = target + (m_rpm - target) * std::exp(-static_cast<double>(nowMs - m_atMs) / kLagMs);
    m_atMs = nowMs;
}

void FanMotion::command(std::int64_t nowMs, int percent)
{
    advance(nowMs);
    m_percent = std::clamp(percent, 0, 100);
}

void FanMotion::stall(std::int64_t nowMs)
{
    advance(nowMs);
    m_stalled = true;
    m_rpm = 0.0;
}

void FanMotion::recover(std::int64_t nowMs)
{
    advance(nowMs);
    m_stalled = false;
}

double FanMotion::rpm(std::int64_t nowMs)
{
    advance(nowMs);
    return m_rpm;
}
