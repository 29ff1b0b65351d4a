// The report protocol: building each command from the box table and parsing
// the two replies that carry data.
#include "device/devicelink.h"

#include "core/boxmodel.h"
#include "device/boxexecutor.h"
#include "device/devicelog.h"

#include <QDebug>

#include <cmath>

namespace {

std::uint8_t portOf(int fan)
{
    return static_cast<std::uint8_t>(fan + 1);
}

bool validTarget(int box, int fan)
{
    if (isValidBox(box) && isValidFan(box, fan))
        return true;
    qCWarning(lcDevice) << "box/fan out of range:" << box << fan;
    return false;
}

} // namespace

std::uint8_t DeviceLink::scaleColour(int component, float bright)
{
    const float scaled = static_cast<float>(component & 0xFF) * bright;
    // Truncation of a value an int cannot hold is undefined; such a brightness
    // is nonsense anyway and sends 0.
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 2147483647.0f)
        return 0;
    return static_cast<std::uint8_t>(static_cast<int>(scaled) & 0xFF);
}

void DeviceLink::setFanSpeedLevel(int box, int fan, int level)
{
    if (!validTarget(box, fan) || !connectedBox(box))
        return;
    const auto percent = static_cast<std::uint8_t>(speedLevelToPercent(level));
    noteSent(box, fan, percent);
    post(box, speedCommand(fan, percent), speedKey(fan), [](const Outcome &o) {
        qCDebug(lcDevice) << "SetFanNormal:" << o.result;
        qCDebug(lcDevice) << "buf[0]:" << o.reply[0];
        qCDebug(lcDevice) << "buf[1]:" << o.reply[1];
        qCDebug(lcDevice) << "buf[2]:" << o.reply[2];
    });
}

void DeviceLink::setFanSpeedPercent(int box, int fan, int percent)
{
    if (!validTarget(box, fan) || !connectedBox(box))
        return;
    const auto sent = static_cast<std::uint8_t>(qBound(0, percent, 100));
    noteSent(box, fan, sent);
    post(box, speedCommand(fan, sent), speedKey(fan));
    qCDebug(lcDevice) << "Send speed:" << sent << "Fan = " << fan;
}

void DeviceLink::noteSent(int box, int fan, int percent)
{
    int &sent = m_state.box(box).fan(fan).sentPercent;
    if (sent == percent)
        return;
    sent = percent;
    m_state.events.percentSent(box, fan, percent);
}

Report DeviceLink::speedCommand(int fan, std::uint8_t percent)
{
    return makeCommand({0x32, 0x51, portOf(fan), 0x03, percent});
}

void DeviceLink::sendLed(int box, int fan, std::uint8_t mode, int red, int green, int blue, float bright)
{
    if (!validTarget(box, fan) || !connectedBox(box))
        return;
    post(box,
         makeCommand({0x32, 0x52, portOf(fan), mode, scaleColour(red, bright), scaleColour(green, bright),
                      scaleColour(blue, bright)}),
         lightingKey(fan, mode));
}

void DeviceLink::setFanLedSteady(int box, int fan, int red, int green, int blue, float bright)
{
    sendLed(box, fan, 0x00, red, green, blue, bright);
}

void DeviceLink::setFanLedCycle(int box, int fan)
{
    sendLed(box, fan, 0x01, 0, 0, 0, 0.0f);
}

void DeviceLink::setFanLedFlash(int box, int fan, int red, int green, int blue, float bright)
{
    sendLed(box, fan, 0x02, red, green, blue, bright);
}

void DeviceLink::sendStoredLed(int box, int fan, std::uint8_t mode)
{
    if (!validTarget(box, fan))
        return;
    const Fan &f = m_state.box(box).fan(fan);
    sendLed(box, fan, mode, f.colour.red, f.colour.green, f.colour.blue, f.brightness);
}

void DeviceLink::sendStoredSteady(int box, int fan)
{
    sendStoredLed(box, fan, 0x00);
}

void DeviceLink::sendStoredFlash(int box, int fan)
{
    sendStoredLed(box, fan, 0x02);
}

void DeviceLink::sendEffectiveLighting(int box, int fan)
{
    if (!validTarget(box, fan))
        return;
    const Lighting light = effectiveLighting(m_state.box(box).fan(fan));
    switch (light.kind) {
    case LightingKind::Steady:
        setFanLedSteady(box, fan, light.red, light.green, light.blue, light.bright);
        break;
    case LightingKind::Cycle:
        setFanLedCycle(box, fan);
        break;
    case LightingKind::Flash:
        setFanLedFlash(box, fan, light.red, light.green, light.blue, light.bright);
        break;
    case LightingKind::None:
        break;
    }
}

void DeviceLink::applyFan(int box, int fan, bool logSpeed)
{
    const Fan &f = m_state.box(box).fan(fan);
    sendEffectiveLighting(box, fan);
    if (f.source.followsCurve())
        return;
    if (logSpeed) {
        qCDebug(lcDevice).noquote() << QStringLiteral("boxArray[boxNum].speedModeFan[%1]:").arg(fan) << f.speedMode;
        qCDebug(lcDevice).noquote() << QStringLiteral("boxArray[boxNum].speedFan[%1]:").arg(fan) << f.speedLevel;
    }
    setFanSpeedLevel(box, fan, f.speedLevel);
}

void DeviceLink::applyBoxSettings(int box)
{
    if (!connectedBox(box))
        return;
    for (int fan = 0; fan < m_state.box(box).fanCount(); ++fan)
        applyFan(box, fan, true);
}

void DeviceLink::saveToController(int box)
{
    if (!connectedBox(box))
        return;
    for (int fan = 0; fan < m_state.box(box).fanCount(); ++fan)
        applyFan(box, fan, false);
    post(box, makeCommand({0x32, 0x53}), BoxExecutor::kKeep, [](const Outcome &o) {
        qCDebug(lcDevice) << "SAVE_RES:" << o.result;
        qCDebug(lcDevice) << "SAVE_RES-buf[0]:" << o.reply[0];
        qCDebug(lcDevice) << "SAVE_RES-buf[1]:" << o.reply[1];
        qCDebug(lcDevice) << "SAVE_RES-buf[2]:" << o.reply[2];
    });
}

bool DeviceLink::readFanStatus(int box, int fan, std::function<void(const FanStatusReply &)> done)
{
    if (!validTarget(box, fan) || !connectedBox(box))
        return false;
    post(box, makeCommand({0x33, 0x51, portOf(fan)}), BoxExecutor::kKeep,
         [deliver = m_executor->deliverer(), done = std::move(done)](const Outcome &o) {
             FanStatusReply reply;
             reply.length = o.result;
             reply.data = o.reply;
             deliver([done, reply] { done(reply); });
         });
    return true;
}

FanStatus DeviceLink::parseFanStatus(const std::uint8_t *reply, int length)
{
    FanStatus status;
    // The RPM sits in r5 and r6, so anything shorter carries no reading.
    if (!reply || length < 7) {
        if (length > 0)
            qCDebug(lcDevice) << "fan status reply too short:" << length;
        return status;
    }
    if (reply[0] != 0x33 || reply[1] != 0x51 || reply[2] < 1 || reply[2] > maxFanPorts()) {
        qCDebug(lcDevice) << "fan status reply with wrong header:" << reply[0] << reply[1] << reply[2];
        return status;
    }
    status.valid = true;
    status.fan = reply[2] - 1;
    status.rpm = reply[6] * 256 + reply[5];
    return status;
}

QString DeviceLink::parseFirmwareVersion(const std::uint8_t *reply, int length)
{
    // Without r2..r4 there is no version; "0" is what an absent box reports.
    if (!reply || length < 5) {
        qCDebug(lcDevice) << "firmware version reply too short:" << length;
        return QStringLiteral("0");
    }
    return QStringLiteral("%1.%2.%3").arg(reply[2]).arg(reply[3]).arg(reply[4]);
}

void DeviceLink::readFirmwareVersion(int box, std::function<void(const QString &)> done)
{
    if (!connectedBox(box)) {
        done(QStringLiteral("0"));
        return;
    }
    post(box, makeCommand({0x33, 0x50}), BoxExecutor::kKeep,
         [deliver = m_executor->deliverer(), done = std::move(done)](const Outcome &o) {
        qCDebug(lcDevice) << "res:" << o.result;
        for (int i = 0; i < 5; ++i)
            qCDebug(lcDevice).noquote() << QStringLiteral("buf[%1]:").arg(i) << o.reply[static_cast<size_t>(i)];
        const QString version = parseFirmwareVersion(o.reply.data(), o.result);
        deliver([done, version] { done(version); });
    });
}
