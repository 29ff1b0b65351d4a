#include "commands/statusreport.h"

#include "core/controllerstate.h"

#include <QJsonArray>

namespace {

const char *modeName(LedMode mode)
{
    switch (mode) {
    case LedMode::Steady: return "steady";
    case LedMode::Cycle: return "cycle";
    case LedMode::Flash: return "flash";
    }
    return "unknown";
}

QString hexColour(const Colour &c)
{
    return QStringLiteral("%1%2%3")
        .arg(c.red, 2, 16, QLatin1Char('0'))
        .arg(c.green, 2, 16, QLatin1Char('0'))
        .arg(c.blue, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString celsiusText(const QJsonValue &reading) { return QString::number(reading.toDouble(), 'f', 1) + QString::fromUtf8(" °C"); }

QString describeSpeed(const QJsonObject &f)
{
    const int level = f.value(QLatin1String("speedLevel")).toInt();
    if (!f.value(QLatin1String("temperatureMode")).toBool())
        return QStringLiteral("speed level %1").arg(level);
    const QString text = f.value(QLatin1String("curve")).isString()
                             ? QStringLiteral("curve of %1").arg(f.value(QLatin1String("sensor")).toString())
                             : QStringLiteral("temperature curve up to level %1").arg(level);
    QStringList facts;
    if (f.value(QLatin1String("reading")).isDouble())
        facts << celsiusText(f.value(QLatin1String("reading")));
    const QString state = f.value(QLatin1String("sensorState")).toString();
    if (!state.isEmpty() && state != QLatin1String("reading"))
        facts << QStringLiteral("sensor ") + state;
    if (f.value(QLatin1String("percentSent")).isDouble())
        facts << QStringLiteral("%1 % sent").arg(f.value(QLatin1String("percentSent")).toInt());
    return facts.isEmpty() ? text : text + QStringLiteral(" (") + facts.join(QStringLiteral(", ")) + ')';
}

// Only what differs from the stall watch's defaults.
QString describeWatch(const QJsonObject &f)
{
    QString text;
    if (!f.value(QLatin1String("kick")).toBool(true))
        text += QStringLiteral(", no kick");
    if (const int minimum = f.value(QLatin1String("minRpm")).toInt())
        text += QStringLiteral(", minimum %1 RPM").arg(minimum);
    return text;
}

QString describeSensor(const QJsonObject &s)
{
    const QJsonValue reading = s.value(QLatin1String("reading"));
    const QString state = s.value(QLatin1String("state")).toString();
    return s.value(QLatin1String("id")).toString() + QStringLiteral(": ")
           + (reading.isDouble() ? celsiusText(reading) : QStringLiteral("no reading"))
           + (state == QLatin1String("reading") ? QString() : QStringLiteral(", ") + state) + QStringLiteral(", ")
           + s.value(QLatin1String("label")).toString() + QStringLiteral(" (")
           + s.value(QLatin1String("source")).toString() + QStringLiteral(")\n");
}

const SensorStatus *sensorStatus(const ControllerState &state, const QString &id)
{
    for (const SensorStatus &s : state.sensors) {
        if (s.id == id)
            return &s;
    }
    return nullptr;
}

QJsonValue readingValue(const std::optional<double> &reading) { return reading ? QJsonValue(*reading) : QJsonValue(); }

QString describeFan(const QJsonObject &f)
{
    const QJsonValue rpm = f.value(QLatin1String("rpm"));
    return QStringLiteral("Fan %1: %2%3, stopped-fan alarm %4, colour %5, brightness %6 %, %7, LEDs %8, %9")
        .arg(f.value(QLatin1String("fan")).toInt())
        .arg(rpm.isNull() ? QStringLiteral("RPM not read") : QStringLiteral("%1 RPM").arg(rpm.toInt()))
        .arg(f.value(QLatin1String("stopped")).toBool() ? QStringLiteral(" (STOPPED)") : QString())
        .arg(f.value(QLatin1String("alarm")).toBool() ? QStringLiteral("on") : QStringLiteral("off"))
        .arg(f.value(QLatin1String("color")).toString())
        .arg(f.value(QLatin1String("brightness")).toInt())
        .arg(f.value(QLatin1String("mode")).toString())
        .arg(f.value(QLatin1String("ledsOff")).toBool() ? QStringLiteral("off") : QStringLiteral("on"))
        .arg(describeSpeed(f))
        + describeWatch(f);
}

QJsonObject boxObject(const ControllerState &state, const StatusReport::BoxFacts &facts, int n)
{
    const bool connected = state.box(n).isConnected;
    QJsonArray fans;
    QJsonValue firmware;
    const bool answered = connected && !facts.silentBoxes.contains(n);
    if (answered && facts.firmware) {
        const QString version = facts.firmware(n);
        if (!version.isEmpty() && version != QLatin1String("0"))
            firmware = version;
    }
    if (connected) {
        for (int f = 0; f < state.box(n).fanCount(); ++f)
            fans.append(StatusReport::fan(state, n, f));
    }
    return QJsonObject{{QStringLiteral("box"), n + 1},
                       {QStringLiteral("accessible"), connected},
                       {QStringLiteral("answered"), answered},
                       {QStringLiteral("firmware"), firmware},
                       {QStringLiteral("fans"), fans}};
}

} // namespace

QJsonObject StatusReport::fan(const ControllerState &state, int box, int fan)
{
    const Fan &f = state.box(box).fan(fan);
    const bool read = f.alarmOn && f.rpm >= 0;
    const bool curve = f.source.followsCurve();
    const SensorStatus *sensor = curve ? sensorStatus(state, sensorOf(f.source)) : nullptr;
    // A sensor no pass has listed has never given a reading.
    const QJsonValue sensorState = !curve ? QJsonValue() : sensor ? sensor->state : QStringLiteral("never read");
    return QJsonObject{
        {QStringLiteral("box"), box + 1},
        {QStringLiteral("fan"), fan + 1},
        {QStringLiteral("rpm"), read ? QJsonValue(f.rpm) : QJsonValue()},
        {QStringLiteral("alarm"), f.alarmOn},
        {QStringLiteral("stopped"), f.alertShown && f.alarmOn},
        {QStringLiteral("color"), hexColour(f.colour)},
        {QStringLiteral("brightness"), qRound(f.brightness * 100.0f)},
        {QStringLiteral("mode"), QLatin1String(modeName(f.lighting))},
        {QStringLiteral("ledsOff"), f.ledsOff},
        {QStringLiteral("speedLevel"), f.speedLevel},
        {QStringLiteral("temperatureMode"), curve},
        {QStringLiteral("source"), curve ? QStringLiteral("curve") : QStringLiteral("fixed")},
        {QStringLiteral("sensor"), curve ? QJsonValue(sensorOf(f.source)) : QJsonValue()},
        {QStringLiteral("percentSent"), f.sentPercent >= 0 ? QJsonValue(f.sentPercent) : QJsonValue()},
        {QStringLiteral("kick"), f.kickOn},
        {QStringLiteral("minRpm"), f.minRpm},
        {QStringLiteral("curve"), f.source.followsUserCurve() ? QJsonValue(serialiseUserCurve(*f.source.userCurve)) : QJsonValue()},
        {QStringLiteral("reading"), sensor ? readingValue(sensor->reading) : QJsonValue()},
        {QStringLiteral("sensorState"), sensorState},
    };
}

QJsonObject StatusReport::sensors(const ControllerState &state)
{
    QJsonArray list;
    for (const SensorStatus &s : state.sensors)
        list.append(QJsonObject{{QStringLiteral("id"), s.id},
                                {QStringLiteral("label"), s.label},
                                {QStringLiteral("source"), s.source},
                                {QStringLiteral("reading"), readingValue(s.reading)},
                                {QStringLiteral("state"), s.state}});
    return QJsonObject{{QStringLiteral("sensors"), list}};
}

QJsonObject StatusReport::status(const ControllerState &state, const BoxFacts &facts)
{
    QJsonArray boxes;
    for (int n = 0; n < kBoxCount; ++n) {
        if (state.box(n).isConnected || (facts.unopenable && facts.unopenable(n)))
            boxes.append(boxObject(state, facts, n));
    }
    return QJsonObject{{QStringLiteral("profile"), state.currentProfile},
                       {QStringLiteral("selectedBox"), state.controllerBoxNumber + 1},
                       {QStringLiteral("cpuTemperature"), state.cpuTemp},
                       {QStringLiteral("boxes"), boxes}};
}

QStringList StatusReport::stoppedFans(const ControllerState &state)
{
    QStringList lines;
    for (int b = 0; b < kBoxCount; ++b) {
        for (int f = 0; f < state.box(b).fanCount(); ++f) {
            const Fan &fan = state.box(b).fan(f);
            if (state.box(b).isConnected && fan.alertShown && fan.alarmOn)
                lines << QStringLiteral("Box %1, Fan %2 stopped").arg(b + 1).arg(f + 1);
        }
    }
    return lines;
}

QJsonObject StatusReport::boxesOnly(const QJsonObject &status)
{
    QJsonArray boxes;
    for (const QJsonValue &v : status.value(QLatin1String("boxes")).toArray()) {
        QJsonObject box = v.toObject();
        box.remove(QLatin1String("fans"));
        boxes.append(box);
    }
    return QJsonObject{{QStringLiteral("boxes"), boxes}};
}

QString StatusReport::describe(const QJsonObject &answer)
{
    if (answer.contains(QLatin1String("quitting")))
        return QStringLiteral("The running copy is ending.\n");
    if (answer.contains(QLatin1String("sensors"))) {
        QString text;
        for (const QJsonValue &s : answer.value(QLatin1String("sensors")).toArray())
            text += describeSensor(s.toObject());
        return text.isEmpty() ? QStringLiteral("No sensors found.\n") : text;
    }
    if (!answer.contains(QLatin1String("boxes")))
        return QStringLiteral("Box %1 ").arg(answer.value(QLatin1String("box")).toInt()) + describeFan(answer) + '\n';
    QString text;
    if (answer.contains(QLatin1String("profile")))
        text = QStringLiteral("Profile %1, box %2 selected, CPU temperature %3 °C\n")
                   .arg(answer.value(QLatin1String("profile")).toInt())
                   .arg(answer.value(QLatin1String("selectedBox")).toInt())
                   .arg(answer.value(QLatin1String("cpuTemperature")).toInt());
    const QJsonArray boxes = answer.value(QLatin1String("boxes")).toArray();
    if (boxes.isEmpty())
        text += QStringLiteral("No box attached.\n");
    for (const QJsonValue &v : boxes) {
        const QJsonObject box = v.toObject();
        const QString number = QString::number(box.value(QLatin1String("box")).toInt());
        if (!box.value(QLatin1String("accessible")).toBool()) {
            text += QStringLiteral("Box %1: attached but not accessible (no permission; install the udev rule)\n").arg(number);
            continue;
        }
        const QJsonValue firmware = box.value(QLatin1String("firmware"));
        if (!box.value(QLatin1String("answered")).toBool(true))
            text += QStringLiteral("Box %1: did not answer in time; its fans show what was last sent to it\n").arg(number);
        else
            text += QStringLiteral("Box %1: firmware %2\n")
                        .arg(number, firmware.isNull() ? QStringLiteral("unknown") : firmware.toString());
        for (const QJsonValue &f : box.value(QLatin1String("fans")).toArray())
            text += QStringLiteral("  ") + describeFan(f.toObject()) + '\n';
    }
    return text;
}
