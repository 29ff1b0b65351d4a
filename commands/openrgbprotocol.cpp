#include "commands/openrgbprotocol.h"

#include <QtEndian>

#include <algorithm>

namespace OpenRgb {
namespace {

const char kMagic[4] = {'O', 'R', 'G', 'B'};

// Appends little-endian fields, as the wire wants them.
struct Writer {
    QByteArray bytes;
    Writer &u16(quint16 v) { return raw(qToLittleEndian(v)); }
    Writer &u32(quint32 v) { return raw(qToLittleEndian(v)); }
    template <typename T> Writer &raw(T v)
    {
        bytes.append(reinterpret_cast<const char *>(&v), int(sizeof v));
        return *this;
    }
    // Counted and zero-terminated, the count including the zero.
    Writer &text(const QString &s)
    {
        const QByteArray utf8 = s.toUtf8().left(0xFFFE);
        u16(quint16(utf8.size() + 1));
        bytes.append(utf8).append('\0');
        return *this;
    }
    Writer &colour(OpenRgbColour c) { return u32(quint32(c.red) | quint32(c.green) << 8 | quint32(c.blue) << 16); }
};

// Takes fields from a payload; once a field runs past the end, ok() stays false.
struct Reader {
    const QByteArray &bytes;
    int at = 0;
    bool good = true;
    bool take(int n)
    {
        good = good && n >= 0 && bytes.size() - at >= n;
        at += good ? n : 0;
        return good;
    }
    quint32 u32()
    {
        const int start = at;
        return take(4) ? qFromLittleEndian<quint32>(bytes.constData() + start) : 0;
    }
    quint16 u16()
    {
        const int start = at;
        return take(2) ? qFromLittleEndian<quint16>(bytes.constData() + start) : 0;
    }
    OpenRgbColour colour()
    {
        const quint32 v = u32();
        return {quint8(v), quint8(v >> 8), quint8(v >> 16)};
    }
    std::vector<OpenRgbColour> colours(quint16 count)
    {
        std::vector<OpenRgbColour> list;
        if (bytes.size() - at < count * 4)
            return good = false, list;
        for (quint16 i = 0; i < count; ++i)
            list.push_back(colour());
        return list;
    }
};

const ModeInfo kModes[kOpenRgbModeCount] = {
    {"Direct", ModeFlag::HasPerLedColour | ModeFlag::HasBrightness | ModeFlag::ManualSave, 1},
    {"Static", ModeFlag::HasModeColour | ModeFlag::HasBrightness | ModeFlag::ManualSave, 2},
    {"Colour cycle", ModeFlag::ManualSave, 0},
    {"Flashing", ModeFlag::HasModeColour | ModeFlag::HasBrightness | ModeFlag::ManualSave, 2},
    {"Off", ModeFlag::ManualSave, 0},
};

void writeMode(Writer &w, int index, const OpenRgbController &c, quint32 version)
{
    const ModeInfo &m = kModes[index];
    const bool hasColour = m.colourMode == 2;
    const bool hasBrightness = version >= 3;  // its range and value came with version 3
    w.text(QLatin1String(m.name)).u32(quint32(index)).u32(flagsFor(m.flags, version));
    w.u32(0).u32(0);  // speed range: the boxes have none
    if (hasBrightness)
        w.u32(0).u32(100);
    w.u32(hasColour).u32(hasColour).u32(0);  // colours min, max; speed
    if (hasBrightness)
        w.u32(quint32(std::clamp(c.brightness, 0, 100)));
    w.u32(0).u32(m.colourMode).u16(hasColour);  // direction, colour mode, colour count
    if (hasColour)
        w.colour(c.modeColour);
}

void writeZones(Writer &w, const OpenRgbController &c, quint32 version)
{
    const quint16 fans = quint16(std::min<size_t>(c.leds.size(), 0xFFFF));
    w.u16(fans);
    for (quint16 f = 0; f < fans; ++f) {
        // Single, exactly one LED, no matrix map.
        w.text(QStringLiteral("Fan %1").arg(f + 1)).u32(0).u32(1).u32(1).u32(1).u16(0);
        if (version >= 4)
            w.u16(0);  // segments
    }
    w.u16(fans);
    for (quint16 f = 0; f < fans; ++f)
        w.text(QStringLiteral("Fan %1").arg(f + 1)).u32(f);
    w.u16(fans);
    for (quint16 f = 0; f < fans; ++f)
        w.colour(c.leds[f]);
}

QByteArray sized(const QByteArray &body)
{
    return Writer{}.u32(quint32(body.size() + 4)).bytes + body;
}

} // namespace

QByteArray encode(quint32 device, quint32 id, const QByteArray &payload)
{
    Writer w;
    w.bytes.append(kMagic, 4);
    return w.u32(device).u32(id).u32(quint32(payload.size())).bytes + payload;
}

QByteArray number(quint32 value)
{
    return Writer{}.u32(value).bytes;
}

void Decoder::feed(const QByteArray &bytes)
{
    if (m_error.isEmpty())
        m_buffer += bytes;
}

Decoder::Result Decoder::next(Received *packet)
{
    if (!m_error.isEmpty())
        return Result::Error;
    // The magic is checked as it arrives, so garbage is caught at its first byte.
    const int magic = std::min(m_buffer.size(), 4);
    if (memcmp(m_buffer.constData(), kMagic, size_t(magic)) != 0) {
        m_error = QStringLiteral("not an OpenRGB packet (bad magic)");
        return Result::Error;
    }
    if (m_buffer.size() < kHeaderSize)
        return Result::NeedMore;
    Header h;
    h.device = qFromLittleEndian<quint32>(m_buffer.constData() + 4);
    h.id = qFromLittleEndian<quint32>(m_buffer.constData() + 8);
    h.size = qFromLittleEndian<quint32>(m_buffer.constData() + 12);
    if (h.size > kMaxPayload) {
        m_error = QStringLiteral("packet %1 claims %2 bytes, more than %3").arg(h.id).arg(h.size).arg(kMaxPayload);
        return Result::Error;
    }
    if (quint32(m_buffer.size() - kHeaderSize) < h.size)
        return Result::NeedMore;
    packet->header = h;
    packet->payload = m_buffer.mid(kHeaderSize, int(h.size));
    m_buffer.remove(0, kHeaderSize + int(h.size));
    return Result::Packet;
}

qint64 Decoder::wanted() const
{
    if (m_buffer.size() < kHeaderSize)
        return kHeaderSize - m_buffer.size();
    const quint32 size = qFromLittleEndian<quint32>(m_buffer.constData() + 12);
    return std::max<qint64>(1, qint64(kHeaderSize) + std::min(size, kMaxPayload) - m_buffer.size());
}

quint32 negotiate(quint32 clientVersion)
{
    return std::min(clientVersion, kServerVersion);
}

quint32 flagsFor(quint32 flags, quint32 version)
{
    return flags & (version >= 3 ? 0x3FFu : 0xFFu);
}

const ModeInfo &modeInfo(OpenRgbMode mode)
{
    return kModes[std::clamp(int(mode), 0, kOpenRgbModeCount - 1)];
}

QByteArray controllerData(const OpenRgbController &c, quint32 version)
{
    Writer w;
    w.u32(quint32(kDeviceTypeCooler)).text(c.name());
    if (version >= 1)
        w.text(QStringLiteral("Brenvar"));
    w.text(QStringLiteral("Zaldo RGB fan controller box")).text(c.firmware).text(c.serial()).text(c.location());
    w.u16(kOpenRgbModeCount).u32(quint32(c.activeMode));
    for (int m = 0; m < kOpenRgbModeCount; ++m)
        writeMode(w, m, c, version);
    writeZones(w, c, version);
    return sized(w.bytes);
}

QByteArray profileList(const QStringList &names)
{
    Writer w;
    w.u16(quint16(names.size()));
    for (const QString &n : names)
        w.text(n);
    return sized(w.bytes);
}

std::optional<quint32> decodeU32(const QByteArray &payload)
{
    Reader r{payload};
    const quint32 v = r.u32();
    return r.good ? std::optional<quint32>(v) : std::nullopt;
}

std::optional<std::vector<OpenRgbColour>> decodeUpdateLeds(const QByteArray &payload)
{
    Reader r{payload};
    r.u32();  // data size
    auto colours = r.colours(r.u16());
    return r.good ? std::optional(std::move(colours)) : std::nullopt;
}

std::optional<std::pair<quint32, std::vector<OpenRgbColour>>> decodeUpdateZoneLeds(const QByteArray &payload)
{
    Reader r{payload};
    r.u32();  // data size
    const quint32 zone = r.u32();
    auto colours = r.colours(r.u16());
    return r.good ? std::optional(std::pair(zone, std::move(colours))) : std::nullopt;
}

std::optional<std::pair<quint32, OpenRgbColour>> decodeUpdateSingleLed(const QByteArray &payload)
{
    Reader r{payload};
    const quint32 led = r.u32();
    const OpenRgbColour colour = r.colour();
    return r.good ? std::optional(std::pair(led, colour)) : std::nullopt;
}

std::optional<std::pair<qint32, qint32>> decodeResizeZone(const QByteArray &payload)
{
    Reader r{payload};
    const qint32 zone = qint32(r.u32()), size = qint32(r.u32());
    return r.good ? std::optional(std::pair(zone, size)) : std::nullopt;
}

QString decodeText(const QByteArray &payload)
{
    const int end = payload.indexOf('\0');
    return QString::fromUtf8(end < 0 ? payload : payload.left(end));
}

std::optional<ModeUpdate> decodeModeUpdate(const QByteArray &payload, quint32 version)
{
    Reader r{payload};
    ModeUpdate u;
    r.u32();  // data size
    u.mode = qint32(r.u32());
    r.take(r.u16());  // name
    r.take(4 * 4 + (version >= 3 ? 8 : 0));  // value, flags, speed range, brightness range
    r.take(3 * 4);  // colours min, max; speed
    if (version >= 3)
        u.brightness = r.u32();
    r.take(2 * 4);  // direction, colour mode
    const auto colours = r.colours(r.u16());
    if (!colours.empty())
        u.colour = colours.front();
    return r.good ? std::optional(u) : std::nullopt;
}

} // namespace OpenRgb
