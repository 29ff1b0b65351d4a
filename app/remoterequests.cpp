#include "app/remoterequests.h"

#include "app/options.h"
#include "commands/boxselection.h"
#include "core/controllerstate.h"
#include "core/hidtransport.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace {
constexpr auto kCommandLine = FanOperations::Caller::CommandLine;

const char *modeName(LedMode mode)
{
    switch (mode) {
    case LedMode::Steady: return "steady";
    case LedMode::Cycle: return "cycle";
    case LedMode::Flash: return "flash";
    }
    return "unknown";
}

QString describeFan(const QJsonObject &f)
{
    const QJsonValue rpm = f.value(QLatin1String("rpm"));
    const int level = f.value(QLatin1String("speedLevel")).toInt();
    return QStringLiteral("Fan %1: %2%3, stopped-fan alarm %4, colour %5, brightness %6 %, %7, LEDs %8, %9")
        .arg(f.value(QLatin1String("fan")).toInt())
        .arg(rpm.isNull() ? QStringLiteral("RPM not read") : QStringLiteral("%1 RPM").arg(rpm.toInt()))
        .arg(f.value(QLatin1String("stopped")).toBool() ? QStringLiteral(" (STOPPED)") : QString())
        .arg(f.value(QLatin1String("alarm")).toBool() ? QStringLiteral("on") : QStringLiteral("off"))
        .arg(f.value(QLatin1String("color")).toString())
        .arg(f.value(QLatin1String("brightness")).toInt())
        .arg(f.value(QLatin1String("mode")).toString())
        .arg(f.value(QLatin1String("ledsOff")).toBool() ? QStringLiteral("off") : QStringLiteral("on"))
        .arg(f.value(QLatin1String("temperatureMode")).toBool()
                 ? QStringLiteral("temperature curve up to level %1").arg(level)
                 : QStringLiteral("speed level %1").arg(level));
}
} // namespace

RemoteRequests::RemoteRequests(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes)
    : m_state(state), m_link(link), m_store(store), m_boxes(boxes), m_ops(state, link, store, boxes)
{
}

void RemoteRequests::answer(const QByteArray &line, std::function<void(const QByteArray &)> reply)
{
    auto outcome = std::make_shared<Outcome>();
    m_link.afterExchanges([&] { *outcome = carryOut(line); },
                          [this, outcome, reply = std::move(reply)](const QList<int> &silentBoxes) {
                              reply(compose(*outcome, silentBoxes));
                          });
}

RemoteRequests::Outcome RemoteRequests::carryOut(const QByteArray &line)
{
    const QStringList w = QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString verb = w.value(0);
    Outcome o;
    int profile = 0;
    if (verb == QLatin1String("set") && w.size() == 5) {
        o.refusal = set(w, &o);
        return o;
    }
    if (verb == QLatin1String("profile") && w.value(1) == QLatin1String("save") && w.size() == 2) {
        o.saves = true;
        if (!m_boxes.saveCurrentProfile())
            o.failure = QStringLiteral("the profile files could not be written");
    } else if (verb == QLatin1String("profile") && w.value(1) == QLatin1String("load") && w.size() >= 3
               && w.size() <= 4 && parseNumberIn(w.at(2), 1, 5, &profile)) {
        o.refusal = loadProfile(profile, w.value(3));
        if (!o.refusal.isEmpty())
            return o;
    } else if (verb != QLatin1String("status") || w.size() != 1) {
        o.refusal = QStringLiteral("not a request: %1").arg(QString::fromUtf8(line.left(40)));
        return o;
    }
    // The status shown reads every box's firmware afresh.
    for (int n = 0; n < kBoxCount; ++n) {
        if (m_state.boxArray[idx(n)].isConnected)
            m_link.readFirmwareVersion(n, [this, n](const QString &version) { m_firmware[idx(n)] = version; });
    }
    return o;
}

QByteArray RemoteRequests::compose(const Outcome &o, const QList<int> &silentBoxes)
{
    if (!o.refusal.isEmpty())
        return "error: " + o.refusal.toUtf8();
    if (!o.failure.isEmpty())
        return "failed: " + o.failure.toUtf8();
    QStringList silent;
    for (int box : silentBoxes) {
        if (o.box < 0 || box == o.box)
            silent << QString::number(box + 1);
    }
    const QString names = (silent.size() == 1 ? QStringLiteral("box ") : QStringLiteral("boxes "))
                          + silent.join(QStringLiteral(", "));
    if (o.box >= 0 && !silent.isEmpty())
        return "failed: " + names.toUtf8() + " did not answer";
    if (o.saves && !silent.isEmpty())
        return "failed: " + names.toUtf8() + " did not answer the save report; the profile files were written";
    const QJsonObject result = o.box >= 0 ? fanObject(o.box, o.fan) : status(silentBoxes);
    return QJsonDocument(result).toJson(QJsonDocument::Compact);
}

QString RemoteRequests::loadProfile(int profile, const QString &boxWord)
{
    int box = m_state.controllerBoxNumber + 1;
    if (!boxWord.isEmpty() && !parseRuled(boxWord, isValidBox, 1, &box))
        return QStringLiteral("box 1-16 expected");
    if (!m_state.boxArray[idx(box - 1)].isConnected)
        return QStringLiteral("box %1 is not connected").arg(box);
    if (box - 1 == m_state.controllerBoxNumber) {
        m_ops.loadProfile(profile);
        return {};
    }
    // Another box than the panel's: the panel's profile number stays.
    m_store.loadProfileIni(box - 1, profile);
    m_ops.reapplyBox(box - 1);
    return {};
}

QString RemoteRequests::set(const QStringList &w, Outcome *outcome)
{
    int box = 0;
    int fan = 0;
    if (!parseRuled(w.at(1), isValidBox, 1, &box) || !parseRuled(w.at(2), isValidFan, 1, &fan))
        return QStringLiteral("box 1-16 and fan 1-3 expected");
    if (!m_state.boxArray[idx(box - 1)].isConnected)
        return QStringLiteral("box %1 is not connected").arg(box);
    --box;
    --fan;
    FanSetting s;
    QString error;
    if (!parseFanSetting(w.at(3), w.at(4), &s, &error))
        return error;
    switch (s.what) {
    case FanSetting::What::Colour:
        m_ops.setColour(kCommandLine, box, fan, s.red, s.green, s.blue);
        break;
    case FanSetting::What::Brightness:
        m_ops.setBrightness(kCommandLine, box, fan, static_cast<float>(s.number) / 100.0f);
        break;
    case FanSetting::What::Speed:
        if (s.number < 0)
            m_ops.setTemperatureMode(kCommandLine, box, fan, true);
        else
            m_ops.setFixedSpeed(kCommandLine, box, fan, s.number);
        break;
    case FanSetting::What::Mode:
        if (s.word == QLatin1String("off") || s.word == QLatin1String("on"))
            m_ops.setLedsOff(kCommandLine, box, fan, s.word == QLatin1String("off") ? 1 : 0);
        else
            m_ops.setLightingMode(kCommandLine, box, fan,
                                  s.word == QLatin1String("cycle")   ? LedMode::Cycle
                                  : s.word == QLatin1String("flash") ? LedMode::Flash
                                                                     : LedMode::Steady);
        break;
    }
    outcome->box = box;
    outcome->fan = fan;
    return {};
}

QJsonObject RemoteRequests::fanObject(int box, int fan) const
{
    const ControllerBox &b = m_state.boxArray[idx(box)];
    const size_t f = idx(fan);
    const bool read = b.monitorFan[f] && b.rpmFan[f] >= 0;
    return QJsonObject{
        {QStringLiteral("box"), box + 1},
        {QStringLiteral("fan"), fan + 1},
        {QStringLiteral("rpm"), read ? QJsonValue(b.rpmFan[f]) : QJsonValue()},
        {QStringLiteral("alarm"), b.monitorFan[f]},
        {QStringLiteral("stopped"), b.isAlertShownFan[f] && b.monitorFan[f]},
        {QStringLiteral("color"), QStringLiteral("%1%2%3")
                                      .arg(b.RColorFan[f], 2, 16, QLatin1Char('0'))
                                      .arg(b.GColorFan[f], 2, 16, QLatin1Char('0'))
                                      .arg(b.BColorFan[f], 2, 16, QLatin1Char('0'))
                                      .toUpper()},
        {QStringLiteral("brightness"), qRound(b.brightFan[f] * 100.0f)},
        {QStringLiteral("mode"), QLatin1String(modeName(b.LEDModeFan[f]))},
        {QStringLiteral("ledsOff"), b.isTurnOffLedFan[f]},
        {QStringLiteral("speedLevel"), b.speedFan[f]},
        {QStringLiteral("temperatureMode"), b.isPWMFan[f]},
    };
}

QJsonObject RemoteRequests::status(const QList<int> &silentBoxes)
{
    QJsonArray boxes;
    for (int n = 0; n < kBoxCount; ++n) {
        const bool connected = m_state.boxArray[idx(n)].isConnected;
        if (!connected && m_link.transport().unopenableDevices(kControllerVendorId, productIdForBox(n)).empty())
            continue;
        QJsonArray fans;
        QJsonValue firmware;
        const bool answered = connected && !silentBoxes.contains(n);
        if (answered) {
            const QString version = m_firmware[idx(n)];
            if (!version.isEmpty() && version != QLatin1String("0"))
                firmware = version;
        }
        if (connected) {
            for (int f = 0; f < kFanCount; ++f)
                fans.append(fanObject(n, f));
        }
        boxes.append(QJsonObject{{QStringLiteral("box"), n + 1},
                                 {QStringLiteral("accessible"), connected},
                                 {QStringLiteral("answered"), answered},
                                 {QStringLiteral("firmware"), firmware},
                                 {QStringLiteral("fans"), fans}});
    }
    return QJsonObject{{QStringLiteral("profile"), m_state.currentProfile},
                       {QStringLiteral("selectedBox"), m_state.controllerBoxNumber + 1},
                       {QStringLiteral("cpuTemperature"), m_state.cpuTemp},
                       {QStringLiteral("boxes"), boxes}};
}

QJsonObject RemoteRequests::boxesOnly(const QJsonObject &status)
{
    QJsonArray boxes;
    for (const QJsonValue &v : status.value(QLatin1String("boxes")).toArray()) {
        QJsonObject box = v.toObject();
        box.remove(QLatin1String("fans"));
        boxes.append(box);
    }
    return QJsonObject{{QStringLiteral("boxes"), boxes}};
}

QString RemoteRequests::describe(const QJsonObject &answer)
{
    if (answer.contains(QLatin1String("quitting")))
        return QStringLiteral("The running copy is ending.\n");
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
