// Device replies: the fan-status and firmware-version parsers on raw bytes,
// then the same bytes as the replies of boxes 0 and 2 to a connect, a version
// read and the RPM poll (stale-reply drain included).
//
// Script: a length byte (0xFF = read error, otherwise length mod 66), then that
// many reply bytes; an exhausted script reads as "no reply in time".

#include "fuzzcommon.h"
#include "core/hidtransport.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Boxes 0 and 2, each answering from the same script.
struct ScriptedTransport : HidTransport, HidDevice {
    ScriptedTransport(const uint8_t *data, size_t size) : data(data), size(size) {}
    struct Handle : HidDevice {
        explicit Handle(HidDevice &d) : d(d) {}
        int write(const std::uint8_t *p, std::size_t n) override { return d.write(p, n); }
        int read(std::uint8_t *p, std::size_t n, int t) override { return d.read(p, n, t); }
        HidDevice &d;
    };
    static bool present(std::uint16_t vid, std::uint16_t pid)
    {
        return vid == kControllerVendorId && (pid == productIdForBox(0) || pid == productIdForBox(2));
    }
    std::unique_ptr<HidDevice> open(std::uint16_t vid, std::uint16_t pid) override
    {
        return present(vid, pid) ? std::make_unique<Handle>(*this) : nullptr;
    }
    int countDevices(std::uint16_t vid, std::uint16_t pid) override { return present(vid, pid); }
    int write(const std::uint8_t *, std::size_t length) override { return static_cast<int>(length); }
    int read(std::uint8_t *out, std::size_t length, int) override
    {
        if (pos >= size)
            return 0;
        const uint8_t head = data[pos++];
        if (head == 0xFF)
            return -1;
        const size_t n = std::min<size_t>({head % 66u, size - pos, length});
        std::memcpy(out, data + pos, n);
        pos += n;
        return static_cast<int>(n);
    }
    const uint8_t *data;
    size_t size, pos = 0;
};

void checkStatus(const FanStatus &status)
{
    if (status.valid && (!isValidFanOfSomeBox(status.fan) || status.rpm < 0 || status.rpm > 65535))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The heap copy lets the sanitizer see any read past the given length.
    std::vector<uint8_t> exact(data, data + size);
    checkStatus(DeviceLink::parseFanStatus(exact.empty() ? nullptr : exact.data(), int(size)));
    DeviceLink::parseFirmwareVersion(exact.empty() ? nullptr : exact.data(), int(size));
    Report report{};
    std::memcpy(report.data(), data, std::min<size_t>(size, report.size()));
    for (int n : {-1, 0, 3, 5, 7, kReportSize}) {
        checkStatus(DeviceLink::parseFanStatus(report.data(), n));
        DeviceLink::parseFirmwareVersion(report.data(), n);
    }

    ScriptedTransport transport(data, size);
    fuzz::Core core(transport, fuzz::start());
    core.link.readFirmwareVersion([](const QString &) {});
    core.timers.pollRpm();
    FanStatusReply reply;
    core.link.readFanStatus(2, 1, [&reply](const FanStatusReply &r) { reply = r; });
    if (reply.length > kReportSize)
        std::abort();
    checkStatus(DeviceLink::parseFanStatus(reply.data.data(), reply.length));
    core.timers.pollRpm();
    return 0;
}
