#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// A sensor's reading in degrees Celsius by its id; none while it has none.
using SensorReader = std::function<std::optional<double>(const QString &sensorId)>;

// The id of the CPU temperature the monitor derives.
inline const QString kCpuSensorId = QStringLiteral("cpu");

// A curve a fan's speed follows: a percent from the reading of its sensor.
class FanCurve {
public:
    virtual ~FanCurve() = default;
    virtual QString sensor() const = 0;
    // The percent at this reading for a fan set to speedLevel (0..5), 0..100.
    virtual int percentAt(double celsius, int speedLevel) const = 0;
};

// The curve every fan follows until told otherwise, on whole degrees of the
// CPU: 0 % below 33 °C, then 10 % and 10 % more every 3 °C, 100 % from 60 °C,
// never above the fan's level's cap of (level + 5) * 10 %.
class BuiltinCurve : public FanCurve {
public:
    QString sensor() const override { return kCpuSensorId; }
    int percentAt(double celsius, int speedLevel) const override;
    static int curvePercent(int celsius);
    static int capPercent(int speedLevel);
};

// Where a fan's speed comes from: its fixed level, or a curve of a sensor
// (by default the built-in one).
struct SpeedSource {
    enum class Kind { Fixed, Curve };
    Kind kind = Kind::Curve;
    std::shared_ptr<const FanCurve> curve;

    bool followsCurve() const { return kind == Kind::Curve; }
    static SpeedSource fixed() { return SpeedSource{Kind::Fixed, nullptr}; }
    // Null curve: the built-in one.
    static SpeedSource following(std::shared_ptr<const FanCurve> curve = nullptr);
};

// The curve a source follows; the built-in one for a Fixed source as well, as
// its level still caps it when the fan is switched back.
const FanCurve &curveOf(const SpeedSource &source);
