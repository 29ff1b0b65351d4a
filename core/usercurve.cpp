#include "core/usercurve.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

const QString kDegrees = QString::fromUtf8(" °C");

// "-12.5", "40": at most one decimal, nothing else.
bool parseTenths(const QString &text, int *tenths)
{
    static const QRegularExpression number(QStringLiteral("^(-?)(\\d{1,4})(?:\\.(\\d))?$"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return false;
    const int magnitude = m.captured(2).toInt() * 10 + (m.capturedLength(3) ? m.captured(3).toInt() : 0);
    *tenths = m.capturedLength(1) ? -magnitude : magnitude;
    return true;
}

bool parsePercent(const QString &text, int *percent)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,4}$"));
    if (!digits.match(text).hasMatch())
        return false;
    *percent = text.toInt();
    return true;
}

QString tenthsText(int tenths)
{
    const QString whole = QString::number(std::abs(tenths) / 10);
    const QString sign = tenths < 0 ? QStringLiteral("-") : QString();
    return sign + whole + (tenths % 10 ? QLatin1Char('.') + QString::number(std::abs(tenths) % 10) : QString());
}

// The bad part as the error line shows it: one line, and short.
QString quoted(const QString &part)
{
    constexpr int kShown = 40;
    QString shown = part.left(kShown);
    for (QChar &c : shown) {
        const QChar::Category k = c.category();
        if (k == QChar::Other_Control || k == QChar::Separator_Line || k == QChar::Separator_Paragraph)
            c = QLatin1Char('?');
    }
    return QLatin1Char('"') + shown + (part.size() > kShown ? QStringLiteral("...") : QString()) + QLatin1Char('"');
}

QString pointError(const QString &point, const QString &what) { return QStringLiteral("point ") + quoted(point) + ": " + what; }

QString checkPoint(const CurvePoint &p, const CurvePoint *before)
{
    if (p.tenths < UserCurve::kMinTenths || p.tenths > UserCurve::kMaxTenths)
        return QStringLiteral("temperature out of range ") + tenthsText(UserCurve::kMinTenths) + ".."
               + tenthsText(UserCurve::kMaxTenths) + kDegrees;
    if (p.percent < 0 || p.percent > 100)
        return QStringLiteral("percent out of range 0..100");
    if (before && p.tenths <= before->tenths)
        return QStringLiteral("temperatures must rise (the point before is at ") + tenthsText(before->tenths)
               + kDegrees + ")";
    return QString();
}

QString pointText(const CurvePoint &p) { return tenthsText(p.tenths) + QLatin1Char(':') + QString::number(p.percent); }

// The options that take a number: their key, where the value goes, its range
// and whether it is a temperature (tenths) or a percent.
struct NumberOption {
    const char *key;
    int UserCurve::*field;
    int low, high;
    bool tenths;
};
const NumberOption kNumberOptions[] = {
    {"hysteresis", &UserCurve::hysteresisTenths, 0, UserCurve::kMaxHysteresisTenths, true},
    {"step-up", &UserCurve::stepUp, 0, 100, false},
    {"step-down", &UserCurve::stepDown, 0, 100, false},
    {"min", &UserCurve::minimum, 0, 100, false},
};

QString rangeText(const NumberOption &o)
{
    return o.tenths ? tenthsText(o.low) + ".." + tenthsText(o.high) + kDegrees
                    : QString::number(o.low) + ".." + QString::number(o.high) + " %";
}

bool isBadSensorCharacter(QChar c) { return c == QLatin1Char(';') || c.category() == QChar::Other_Control; }

QString sensorError(const QString &id)
{
    if (id.isEmpty())
        return QStringLiteral("empty sensor id");
    if (id.size() > UserCurve::kMaxSensorIdLength)
        return QStringLiteral("sensor id longer than %1 characters").arg(UserCurve::kMaxSensorIdLength);
    if (std::any_of(id.begin(), id.end(), isBadSensorCharacter) || id != id.trimmed())
        return QStringLiteral("sensor id with ';', a control character or spaces at an end");
    return QString();
}

QString parsePoints(const QString &text, QVector<CurvePoint> *points)
{
    if (text.trimmed().isEmpty())
        return QStringLiteral("empty curve");
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < UserCurve::kMinPoints || parts.size() > UserCurve::kMaxPoints)
        return QStringLiteral("too %1 points: %2 (%3..%4)")
            .arg(parts.size() < UserCurve::kMinPoints ? "few" : "many")
            .arg(parts.size())
            .arg(UserCurve::kMinPoints)
            .arg(UserCurve::kMaxPoints);
    for (const QString &raw : parts) {
        const QString part = raw.trimmed();
        const QStringList pair = part.split(QLatin1Char(':'));
        if (pair.size() != 2)
            return pointError(part, QStringLiteral("not temperature:percent"));
        CurvePoint p;
        for (int i = 0; i < 2; ++i) {
            const QString n = pair[i].trimmed();
            if (!(i == 0 ? parseTenths(n, &p.tenths) : parsePercent(n, &p.percent)))
                return pointError(part, QStringLiteral("bad number ") + quoted(n));
        }
        const QString wrong = checkPoint(p, points->isEmpty() ? nullptr : &points->constLast());
        if (!wrong.isEmpty())
            return pointError(part, wrong);
        points->append(p);
    }
    return QString();
}

QString applyOption(const CurveOption &option, UserCurve *curve)
{
    const QString key = option.key.trimmed(), value = option.value.trimmed();
    const QString named = QStringLiteral("option ") + quoted(key + QLatin1Char('=') + value) + ": ";
    if (key == QLatin1String("sensor")) {
        const QString wrong = sensorError(value);
        curve->sensor = value;
        return wrong.isEmpty() ? QString() : named + wrong;
    }
    for (const NumberOption &o : kNumberOptions) {
        if (key != QLatin1String(o.key))
            continue;
        int n = 0;
        if (!(o.tenths ? parseTenths(value, &n) : parsePercent(value, &n)))
            return named + QStringLiteral("bad number");
        if (n < o.low || n > o.high)
            return named + QStringLiteral("out of range ") + rangeText(o);
        curve->*o.field = n;
        return QString();
    }
    return named + QStringLiteral("unknown (sensor, hysteresis, step-up, step-down, min)");
}

CurveParse failed(const QString &error) { return {std::nullopt, error}; }

} // namespace

int UserCurve::percentAt(int tenths) const
{
    if (points.isEmpty())
        return 0;
    if (tenths <= points.constFirst().tenths)
        return points.constFirst().percent;
    for (int i = 1; i < points.size(); ++i) {
        const CurvePoint &a = points[i - 1], &b = points[i];
        if (tenths <= b.tenths)
            return a.percent
                   + int(std::lround(double(b.percent - a.percent) * (tenths - a.tenths) / (b.tenths - a.tenths)));
    }
    return points.constLast().percent;
}

int UserCurve::highestPercent() const
{
    int highest = 0;
    for (const CurvePoint &p : points)
        highest = std::max(highest, p.percent);
    return highest;
}

bool UserCurve::operator==(const UserCurve &o) const
{
    return sensor == o.sensor && points == o.points && hysteresisTenths == o.hysteresisTenths
           && stepUp == o.stepUp && stepDown == o.stepDown && minimum == o.minimum;
}

QString checkUserCurve(const UserCurve &curve)
{
    if (curve.points.size() < UserCurve::kMinPoints || curve.points.size() > UserCurve::kMaxPoints)
        return QStringLiteral("%1 points (%2..%3)").arg(curve.points.size()).arg(UserCurve::kMinPoints).arg(UserCurve::kMaxPoints);
    for (int i = 0; i < curve.points.size(); ++i) {
        const QString wrong = checkPoint(curve.points[i], i > 0 ? &curve.points[i - 1] : nullptr);
        if (!wrong.isEmpty())
            return pointError(pointText(curve.points[i]), wrong);
    }
    for (const NumberOption &o : kNumberOptions) {
        if (curve.*o.field < o.low || curve.*o.field > o.high)
            return QStringLiteral("%1 out of range ").arg(QLatin1String(o.key)) + rangeText(o);
    }
    return sensorError(curve.sensor);
}

CurveParse parseUserCurve(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(';'));
    QVector<CurveOption> options;
    for (int i = 1; i < parts.size(); ++i) {
        const int eq = parts[i].indexOf(QLatin1Char('='));
        if (eq < 0)
            return failed(QStringLiteral("option ") + quoted(parts[i].trimmed()) + ": not key=value");
        options.append({parts[i].left(eq), parts[i].mid(eq + 1)});
    }
    return parseUserCurve(parts.constFirst(), options);
}

CurveParse parseUserCurve(const QString &points, const QVector<CurveOption> &options)
{
    UserCurve curve;
    const QString wrong = parsePoints(points, &curve.points);
    if (!wrong.isEmpty())
        return failed(wrong);
    QStringList seen;
    for (const CurveOption &option : options) {
        const QString key = option.key.trimmed();
        if (seen.contains(key))
            return failed(QStringLiteral("option ") + quoted(key) + ": given twice");
        seen << key;
        const QString bad = applyOption(option, &curve);
        if (!bad.isEmpty())
            return failed(bad);
    }
    return {curve, QString()};
}

QString serialiseUserCurve(const UserCurve &curve)
{
    QStringList points;
    for (const CurvePoint &p : curve.points)
        points << pointText(p);
    QString text = points.join(QLatin1Char(',')) + QStringLiteral(";sensor=") + curve.sensor;
    for (const NumberOption &o : kNumberOptions) {
        const int n = curve.*o.field;
        if (n != 0)
            text += QLatin1Char(';') + QLatin1String(o.key) + QLatin1Char('=') + (o.tenths ? tenthsText(n) : QString::number(n));
    }
    return text;
}
