#pragma once

// A fan curve of the user's own points over one sensor, and the text it is
// kept in (profile) and typed as (command line):
//   30:20,50:40,70:80,85:100;sensor=k10temp/Tctl;hysteresis=3;step-up=10;step-down=5;min=20
// Points are "°C:%"; every option is optional (the sensor defaults to "cpu").

#include <QString>
#include <QVector>

#include <optional>

// Temperatures are kept in tenths of a degree: readings keep their tenths and
// every comparison (rising points, hysteresis) is exact.
struct CurvePoint {
    int tenths = 0;   // °C x 10
    int percent = 0;  // 0..100
    bool operator==(const CurvePoint &o) const { return tenths == o.tenths && percent == o.percent; }
};

struct UserCurve {
    static constexpr int kMinPoints = 2;
    static constexpr int kMaxPoints = 16;
    static constexpr int kMinTenths = -500;  // -50 °C
    static constexpr int kMaxTenths = 1500;  // 150 °C
    static constexpr int kMaxHysteresisTenths = 500;
    static constexpr int kMaxSensorIdLength = 200;

    QString sensor = QStringLiteral("cpu");
    QVector<CurvePoint> points;  // temperatures strictly rising
    int hysteresisTenths = 0;    // on the way down only
    int stepUp = 0;              // most percent more per pass; 0 = no limit
    int stepDown = 0;            // most percent less per pass; 0 = no limit
    int minimum = 0;             // never less than this percent

    // Linear between points (rounded to whole percent), flat beyond the ends.
    int percentAt(int tenths) const;
    int highestPercent() const;

    bool operator==(const UserCurve &o) const;
    bool operator!=(const UserCurve &o) const { return !(*this == o); }
};

// Empty when the curve keeps every rule; else one line naming the bad part.
QString checkUserCurve(const UserCurve &curve);

struct CurveParse {
    std::optional<UserCurve> curve;
    QString error;  // one line, set when there is no curve
};

struct CurveOption {
    QString key;  // sensor, hysteresis, step-up, step-down, min
    QString value;
};

// The whole text: points, then ";key=value" options.
CurveParse parseUserCurve(const QString &text);
// The points and the options apart, as the command line has them.
CurveParse parseUserCurve(const QString &points, const QVector<CurveOption> &options);
// The text parseUserCurve reads back to an equal curve; options at 0 are left out.
QString serialiseUserCurve(const UserCurve &curve);
