#pragma once

#include "commands/openrgbbackend.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// The OpenRGB SDK wire format, versions 0 to 4: little-endian, every packet a
// 16-byte header ("ORGB", device index, packet id, payload size) and its payload.
namespace OpenRgb {

constexpr quint32 kServerVersion = 4;
constexpr int kHeaderSize = 16;
// A controller's data is small; anything claiming more is not a client of ours.
constexpr quint32 kMaxPayload = 64 * 1024;
constexpr quint16 kDefaultPort = 6743;  // beside OpenRGB's own 6742

namespace Packet {
constexpr quint32 RequestControllerCount = 0;
constexpr quint32 RequestControllerData = 1;
constexpr quint32 RequestProtocolVersion = 40;
constexpr quint32 SetClientName = 50;
constexpr quint32 DeviceListUpdated = 100;
constexpr quint32 RequestProfileList = 150;
constexpr quint32 RequestSaveProfile = 151;
constexpr quint32 RequestLoadProfile = 152;
constexpr quint32 RequestDeleteProfile = 153;
constexpr quint32 ResizeZone = 1000;
constexpr quint32 UpdateLeds = 1050;
constexpr quint32 UpdateZoneLeds = 1051;
constexpr quint32 UpdateSingleLed = 1052;
constexpr quint32 SetCustomMode = 1100;
constexpr quint32 UpdateMode = 1101;
constexpr quint32 SaveMode = 1102;
} // namespace Packet

namespace ModeFlag {
constexpr quint32 HasBrightness = 1u << 4;
constexpr quint32 HasPerLedColour = 1u << 5;
constexpr quint32 HasModeColour = 1u << 6;
constexpr quint32 ManualSave = 1u << 8;
} // namespace ModeFlag

constexpr qint32 kDeviceTypeCooler = 3;

struct Header {
    quint32 device = 0;
    quint32 id = 0;
    quint32 size = 0;
};

struct Received {
    Header header;
    QByteArray payload;
};

QByteArray encode(quint32 device, quint32 id, const QByteArray &payload = {});
// A payload of one unsigned number (a count, a version).
QByteArray number(quint32 value);

// Takes a client's bytes as they come and hands out whole packets. Once it
// has failed it stays failed: the stream cannot be trusted past a bad header.
class Decoder {
public:
    enum class Result { NeedMore, Packet, Error };
    void feed(const QByteArray &bytes);
    // Result::Error leaves the reason in error().
    Result next(Received *packet);
    QString error() const { return m_error; }
    bool midPacket() const { return !m_buffer.isEmpty(); }
    // How many more bytes would complete the packet under way (at least 1).
    qint64 wanted() const;

private:
    QByteArray m_buffer;
    QString m_error;
};

// The version both sides speak: the lower of the client's and ours.
quint32 negotiate(quint32 clientVersion);
// The mode flags a version knows: the save flags came with version 3.
quint32 flagsFor(quint32 flags, quint32 version);

struct ModeInfo {
    const char *name;
    quint32 flags;
    quint32 colourMode;  // 0 none, 1 per LED, 2 mode-specific
};
const ModeInfo &modeInfo(OpenRgbMode mode);

// The controller-data reply's payload in the layout of the version.
QByteArray controllerData(const OpenRgbController &controller, quint32 version);
QByteArray profileList(const QStringList &names);

// Payload decoders; nullopt when the payload is too short for what it claims.
std::optional<quint32> decodeU32(const QByteArray &payload);
std::optional<std::vector<OpenRgbColour>> decodeUpdateLeds(const QByteArray &payload);
std::optional<std::pair<quint32, std::vector<OpenRgbColour>>> decodeUpdateZoneLeds(const QByteArray &payload);
std::optional<std::pair<quint32, OpenRgbColour>> decodeUpdateSingleLed(const QByteArray &payload);
std::optional<std::pair<qint32, qint32>> decodeResizeZone(const QByteArray &payload);
// The text up to its terminating zero.
QString decodeText(const QByteArray &payload);

struct ModeUpdate {
    qint32 mode = 0;
    std::optional<OpenRgbColour> colour;    // the first mode colour sent
    std::optional<quint32> brightness;      // from version 3
};
// Update-mode and save-mode, whose mode block follows the client's version.
std::optional<ModeUpdate> decodeModeUpdate(const QByteArray &payload, quint32 version);

} // namespace OpenRgb
