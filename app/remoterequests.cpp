#include "app/remoterequests.h"

#include "app/options.h"
#include "commands/boxselection.h"
#include "commands/statusreport.h"
#include "core/boxmodel.h"
#include "core/controllerstate.h"
#include "core/hidtransport.h"
#include "device/devicelink.h"
#include "monitor/sensorregistry.h"
#include "storage/settingsstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace {
const EntryRules kCommandLine = EntryRules::commandLine();
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
    if (verb == QLatin1String("sensors")) {
        o.sensors = true;
        if (w.size() > 1)
            o.refusal = defineSensor(w, &o);
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
    if (o.sensors)
        return QJsonDocument(StatusReport::sensors(m_state)).toJson(QJsonDocument::Compact);
    const QJsonObject result = o.box >= 0 ? StatusReport::fan(m_state, o.box, o.fan) : status(silentBoxes);
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

QString RemoteRequests::defineSensor(const QStringList &w, Outcome *outcome)
{
    QVector<UserSensorDef> &defs = m_state.userSensors;
    const auto same = std::find_if(defs.begin(), defs.end(), [&](const UserSensorDef &d) { return d.id == w.value(2); });
    if (w.value(1) == QLatin1String("remove") && w.size() == 3) {
        // A curve that follows it fails safe as for any sensor gone.
        if (same == defs.end())
            return QStringLiteral("no sensor \"%1\" of yours").arg(w.at(2));
        defs.erase(same);
    } else if (w.value(1) == QLatin1String("add") && w.size() == 4) {
        const UserSensorParse parsed = parseUserSensor(w.at(2), QUrl::fromPercentEncoding(w.at(3).toUtf8()));
        const QString refused = parsed.def ? SensorRegistry::check(defs, *parsed.def) : parsed.error;
        if (!refused.isEmpty())
            return refused;
        if (same != defs.end())
            *same = *parsed.def;
        else
            defs.append(*parsed.def);
    } else {
        return QStringLiteral("not a request: %1").arg(w.join(QLatin1Char(' ')).left(40));
    }
    m_state.events.sensorsDefined();
    if (!m_store.saveDeviceSettings())
        outcome->failure = QStringLiteral("Device.ini could not be written; the sensor holds until the program ends");
    return {};
}

QString RemoteRequests::set(const QStringList &w, Outcome *outcome)
{
    int box = 0;
    int fan = 0;
    if (!parseRuled(w.at(1), isValidBox, 1, &box) || !parseRuled(w.at(2), isValidFanOfSomeBox, 1, &fan)
        || !isValidFan(box - 1, fan - 1))
        return QStringLiteral("box 1-16 and fan 1-%1 expected").arg(isValidBox(box - 1) ? fanPortsOf(box - 1) : maxFanPorts());
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
    case FanSetting::What::Curve:
        m_ops.setUserCurve(kCommandLine, box, fan, s.curve);
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
    case FanSetting::What::MinRpm:
        m_ops.setMinRpm(kCommandLine, box, fan, s.number);
        break;
    case FanSetting::What::Kick:
        m_ops.setKick(kCommandLine, box, fan, s.number == 1);
        break;
    }
    outcome->box = box;
    outcome->fan = fan;
    return {};
}


QJsonObject RemoteRequests::status(const QList<int> &silentBoxes)
{
    StatusReport::BoxFacts facts;
    facts.firmware = [this](int box) { return m_firmware[idx(box)]; };
    facts.silentBoxes = silentBoxes;
    facts.unopenable = [this](int box) {
        return !m_link.transport().unopenableDevices(kControllerVendorId, productIdForBox(box)).empty();
    };
    return StatusReport::status(m_state, facts);
}
