// OpenRGB SDK bytes as a client sends them, in pieces of the first byte's size:
// the packet decoder, then each packet's handling against two boxes of 3 and 4 fans.

#include "fuzzcommon.h"
#include "commands/openrgbsession.h"

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Refuses any call a client should not get through.
struct Backend : OpenRgbBackend {
    std::vector<OpenRgbController> boxes{{1, "1-1", "", OpenRgbMode::Direct, std::vector<OpenRgbColour>(3), {}, 50},
                                         {2, "1-2", "", OpenRgbMode::Off, std::vector<OpenRgbColour>(4), {}, 0}};
    int controllerCount() const override { return 2; }
    OpenRgbController describe(int i) const override { return check(i >= 0 && i < 2), boxes[size_t(i)]; }
    int leds(int i) const { return check(i >= 0 && i < 2), int(boxes[size_t(i)].leds.size()); }
    void setLeds(int i, const std::vector<OpenRgbColour> &c) override { check(int(c.size()) <= leds(i)); }
    void setZoneLeds(int i, int z, const std::vector<OpenRgbColour> &c) override { check(z >= 0 && z < leds(i) && c.size() <= 1); }
    void setSingleLed(int i, int led, OpenRgbColour) override { check(led >= 0 && led < leds(i)); }
    void setMode(int i, OpenRgbMode m, OpenRgbColour, std::optional<int> b) override
    {
        check(leds(i) && int(m) >= 0 && int(m) < kOpenRgbModeCount && (!b || (*b >= 0 && *b <= 100)));
        check(!b || (OpenRgb::modeInfo(m).flags & OpenRgb::ModeFlag::HasBrightness));
    }
    void saveMode(int i) override { leds(i); }
    QStringList profileNames() const override { return {"1", "2", "3", "4", "5"}; }
    void loadProfile(int n) override { check(n >= 0 && n < 5); }
    void saveProfile(int n) override { check(n >= 0 && n < 5); }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = (fuzz::start(), true);  // no files are touched: once is enough
    if (!quiet || size == 0)
        return 0;
    Backend backend;
    OpenRgbSession session(backend);
    OpenRgb::Decoder decoder;
    const QByteArray bytes = fuzz::bytes(data + 1, size - 1);
    const int piece = 1 + data[0] % 32;
    for (int at = 0; at < bytes.size(); at += piece) {
        decoder.feed(bytes.mid(at, piece));
        OpenRgb::Received packet;
        OpenRgb::Decoder::Result result;
        while ((result = decoder.next(&packet)) == OpenRgb::Decoder::Result::Packet) {
            check(packet.payload.size() == int(packet.header.size) && packet.header.size <= OpenRgb::kMaxPayload);
            const QByteArray reply = session.handle(packet);
            check(reply.isEmpty() || (reply.startsWith("ORGB") && reply.size() >= OpenRgb::kHeaderSize));
            check(session.version() <= OpenRgb::kServerVersion);
        }
        check(decoder.wanted() >= 1);
        if (result == OpenRgb::Decoder::Result::Error)
            return check(!decoder.error().isEmpty()), 0;
    }
    return 0;
}
