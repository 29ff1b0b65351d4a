#include "commands/openrgbsession.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcOpenRgbSession, "zaldo.openrgb")

using namespace OpenRgb;

QByteArray OpenRgbSession::handle(const Received &packet)
{
    const quint32 device = packet.header.device;
    switch (packet.header.id) {
    case Packet::RequestControllerCount:
        return encode(0, packet.header.id, number(quint32(std::max(0, m_backend.controllerCount()))));
    case Packet::RequestControllerData:
        return controllerData(device, packet.payload);
    case Packet::RequestProtocolVersion: {
        m_version = negotiate(decodeU32(packet.payload).value_or(0));
        return encode(0, packet.header.id, number(m_version));
    }
    case Packet::SetClientName:
        m_name = decodeText(packet.payload).left(100);
        qCInfo(lcOpenRgbSession) << "OpenRGB client named itself:" << m_name;
        return {};
    case Packet::RequestProfileList:
        return encode(0, packet.header.id, profileList(m_backend.profileNames()));
    case Packet::RequestSaveProfile:
    case Packet::RequestLoadProfile:
    case Packet::RequestDeleteProfile:
        profile(packet.header.id, decodeText(packet.payload));
        return {};
    case Packet::ResizeZone:
        qCInfo(lcOpenRgbSession) << "OpenRGB: resize zone refused, a fan port has one LED";
        return {};
    case Packet::UpdateLeds:
    case Packet::UpdateZoneLeds:
    case Packet::UpdateSingleLed:
        if (known(device))
            colours(packet, int(m_backend.describe(int(device)).leds.size()));
        return {};
    case Packet::SetCustomMode:
        if (known(device))
            m_backend.setMode(int(device), OpenRgbMode::Direct, m_backend.describe(int(device)).modeColour, std::nullopt);
        return {};
    case Packet::UpdateMode:
    case Packet::SaveMode:
        updateMode(device, packet.payload, packet.header.id == Packet::SaveMode);
        return {};
    default:
        // Newer clients send more than we know; it is read past, not an error.
        qCDebug(lcOpenRgbSession) << "OpenRGB: packet" << packet.header.id << "ignored";
        return {};
    }
}

bool OpenRgbSession::known(quint32 device) const
{
    if (device < quint32(m_backend.controllerCount()))
        return true;
    qCDebug(lcOpenRgbSession) << "OpenRGB: no controller" << device;
    return false;
}

QByteArray OpenRgbSession::controllerData(quint32 device, const QByteArray &payload) const
{
    if (!known(device))
        return {};
    const quint32 version = negotiate(decodeU32(payload).value_or(0));
    return encode(device, Packet::RequestControllerData,
                  OpenRgb::controllerData(m_backend.describe(int(device)), version));
}

void OpenRgbSession::colours(const Received &packet, int leds)
{
    const int device = int(packet.header.device);
    // Colours past the LEDs there are go unused.
    const auto fit = [](std::vector<OpenRgbColour> c, int n) {
        c.resize(std::min(c.size(), size_t(n)));
        return c;
    };
    if (packet.header.id == Packet::UpdateLeds) {
        if (const auto c = decodeUpdateLeds(packet.payload))
            return m_backend.setLeds(device, fit(*c, leds));
    } else if (packet.header.id == Packet::UpdateZoneLeds) {
        const auto z = decodeUpdateZoneLeds(packet.payload);
        if (z && z->first < quint32(leds))
            return m_backend.setZoneLeds(device, int(z->first), fit(z->second, 1));
    } else if (const auto l = decodeUpdateSingleLed(packet.payload); l && l->first < quint32(leds)) {
        return m_backend.setSingleLed(device, int(l->first), l->second);
    }
    qCDebug(lcOpenRgbSession) << "OpenRGB: LED packet" << packet.header.id << "not applied (short, or no such LED):" << device;
}

void OpenRgbSession::updateMode(quint32 device, const QByteArray &payload, bool save)
{
    const auto u = decodeModeUpdate(payload, m_version);
    if (!known(device))
        return;
    if (!u || u->mode < 0 || u->mode >= kOpenRgbModeCount) {
        qCWarning(lcOpenRgbSession) << "OpenRGB: mode update refused, not a mode of ours";
        return;
    }
    const OpenRgbMode mode = OpenRgbMode(u->mode);
    // Brightness only where the mode has one; otherwise the fan keeps its own.
    std::optional<int> brightness;
    if (u->brightness && (modeInfo(mode).flags & ModeFlag::HasBrightness)) {
        if (*u->brightness > 100) {
            qCWarning(lcOpenRgbSession) << "OpenRGB: mode update refused, brightness" << *u->brightness << "above 100";
            return;
        }
        brightness = int(*u->brightness);
    }
    const OpenRgbColour colour = u->colour.value_or(m_backend.describe(int(device)).modeColour);
    m_backend.setMode(int(device), mode, colour, brightness);
    if (save)
        m_backend.saveMode(int(device));
}

void OpenRgbSession::profile(quint32 id, const QString &name)
{
    const int n = int(m_backend.profileNames().indexOf(name));
    if (id == Packet::RequestDeleteProfile || n < 0) {
        qCWarning(lcOpenRgbSession) << "OpenRGB: profile request refused:" << id << name.left(100);
        return;
    }
    if (id == Packet::RequestLoadProfile)
        m_backend.loadProfile(n);
    else
        m_backend.saveProfile(n);
}
