#include "core/speedsource.h"

#include <algorithm>
#include <cmath>

int BuiltinCurve::curvePercent(int celsius)
{
    if (celsius < 33)
        return 0;
    if (celsius >= 60)
        return 100;
    return 10 + (celsius - 33) / 3 * 10;
}

int BuiltinCurve::capPercent(int speedLevel)
{
    return (speedLevel + 5) * 10;
}

int BuiltinCurve::cappedAt(double celsius, int capPercent)
{
    // An unreadable value must not stop the fan: it runs as hot.
    if (!std::isfinite(celsius))
        return std::clamp(capPercent, 0, 100);
    // The curve has always stepped on whole degrees, truncated.
    const int whole = static_cast<int>(std::trunc(std::clamp(celsius, -1000.0, 1000.0)));
    // A level outside 0..5 in a damaged profile must still give a valid percent.
    return std::clamp(std::min(curvePercent(whole), capPercent), 0, 100);
}

SpeedSource SpeedSource::following(std::shared_ptr<const UserCurve> curve)
{
    return SpeedSource{Kind::Curve, std::move(curve)};
}

QString sensorOf(const SpeedSource &source)
{
    if (!source.followsCurve())
        return QString();
    return source.userCurve ? source.userCurve->sensor : kCpuSensorId;
}
