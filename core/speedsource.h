#pragma once

#include "core/usercurve.h"

#include <QString>

#include <memory>

// The id of the CPU temperature the monitor derives.
inline const QString kCpuSensorId = QStringLiteral("cpu");

// The curve every fan follows until told otherwise, on whole degrees of the
// CPU: 0 % below 33 °C, then 10 % and 10 % more every 3 °C, 100 % from 60 °C,
// never above the fan's level's cap of (level + 5) * 10 %.
class BuiltinCurve {
public:
    // The percent at this reading for a fan set to speedLevel (0..5), 0..100.
    int percentAt(double celsius, int speedLevel) const { return cappedAt(celsius, capPercent(speedLevel)); }
    // The same under a cap in percent; an unreadable value gives the cap.
    static int cappedAt(double celsius, int capPercent);
    static int curvePercent(int celsius);
    static int capPercent(int speedLevel);
};

// Where a fan's speed comes from: its fixed level, or a curve of a sensor:
// the built-in one, or a curve of the user's own points.
struct SpeedSource {
    enum class Kind { Fixed, Curve };
    Kind kind = Kind::Curve;
    std::shared_ptr<const UserCurve> userCurve;  // null: the built-in curve

    bool followsCurve() const { return kind == Kind::Curve; }
    bool followsUserCurve() const { return followsCurve() && userCurve; }
    static SpeedSource fixed() { return SpeedSource{Kind::Fixed, nullptr}; }
    // Null curve: the built-in one.
    static SpeedSource following(std::shared_ptr<const UserCurve> curve = nullptr);
};

// The sensor a curve source follows; empty for a fixed level.
QString sensorOf(const SpeedSource &source);
