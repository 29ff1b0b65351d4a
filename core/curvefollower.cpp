#include "core/curvefollower.h"

#include "core/speedsource.h"

#include <algorithm>
#include <cmath>

namespace {

// Far beyond any sensor; keeps the conversion to tenths defined.
constexpr double kMaxCelsius = 10000.0;

int toTenths(double celsius)
{
    return int(std::lround(std::clamp(celsius, -kMaxCelsius, kMaxCelsius) * 10.0));
}

} // namespace

SensorFailSafe::Verdict SensorFailSafe::pass(std::optional<double> celsius)
{
    Verdict v;
    if (celsius && std::isfinite(*celsius)) {
        v.event = m_lost ? Event::Returned : Event::None;
        m_everRead = true;
        m_lost = false;
        m_missed = 0;
        v.state = State::Reading;
        v.celsius = *celsius;
        return v;
    }
    if (!m_everRead) {
        v.event = m_neverReported ? Event::None : Event::NeverRead;
        m_neverReported = true;
        return v;
    }
    m_missed = std::min(m_missed + 1, kMissedPassesToLose);
    if (m_missed < kMissedPassesToLose) {
        v.state = State::Holding;
        return v;
    }
    v.event = m_lost ? Event::None : Event::Lost;
    m_lost = true;
    v.state = State::Lost;
    return v;
}

int CurveFollower::limited(int target) const
{
    int percent = target;
    if (m_last && m_curve.stepUp > 0)
        percent = std::min(percent, *m_last + m_curve.stepUp);
    if (m_last && m_curve.stepDown > 0)
        percent = std::max(percent, *m_last - m_curve.stepDown);
    return std::max(percent, m_curve.minimum);
}

std::optional<int> CurveFollower::next(const SensorFailSafe::Verdict &verdict)
{
    switch (verdict.state) {
    case SensorFailSafe::State::Holding:
    case SensorFailSafe::State::NeverRead:
        return std::nullopt;
    case SensorFailSafe::State::Lost:
        // At once, past the step limits; the temperature starts afresh when readings return.
        m_heldTenths.reset();
        m_last = std::max(m_curve.highestPercent(), m_curve.minimum);
        return m_last;
    case SensorFailSafe::State::Reading:
        break;
    }
    const int now = toTenths(verdict.celsius);
    // Rises are followed at once; a fall only once it reaches the hysteresis.
    if (!m_heldTenths || now > *m_heldTenths || now <= *m_heldTenths - m_curve.hysteresisTenths)
        m_heldTenths = now;
    m_last = limited(m_curve.percentAt(*m_heldTenths));
    return m_last;
}

void CurveFollower::restart()
{
    m_heldTenths.reset();
    m_last.reset();
}

std::optional<int> builtinCurveNext(const SensorFailSafe::Verdict &verdict, int capPercent)
{
    if (verdict.state == SensorFailSafe::State::Lost)
        return std::clamp(capPercent, 0, 100);
    if (verdict.state != SensorFailSafe::State::Reading)
        return std::nullopt;
    return BuiltinCurve::cappedAt(verdict.celsius, capPercent);
}
