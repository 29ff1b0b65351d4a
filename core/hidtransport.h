#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An attached interface that enumerates but does not open, typically because
// its device node belongs to root (no udev rule installed).
struct HidOpenFailure {
    std::string path;
    int error = 0;  // errno of the open
};

// One opened HID interface. The only code that talks to hidapi (or to the box
// emulator) sits behind this.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    // Writes one output report (byte 0 = report ID). Returns bytes written or -1.
    virtual int write(const std::uint8_t *data, std::size_t length) = 0;
    // Reads one input report. Returns bytes read, 0 when nothing arrived within
    // timeoutMs (0 = do not wait), -1 on error (device gone).
    virtual int read(std::uint8_t *data, std::size_t length, int timeoutMs) = 0;
};

class HidTransport {
public:
    virtual ~HidTransport() = default;
    // Opens the first device with this vendor and product ID; null when none opens.
    virtual std::unique_ptr<HidDevice> open(std::uint16_t vendorId, std::uint16_t productId) = 0;
    // Number of attached HID interfaces with exactly this vendor and product ID.
    virtual int countDevices(std::uint16_t vendorId, std::uint16_t productId) = 0;
    // The attached interfaces with exactly this vendor and product ID that this
    // user cannot open for reading and writing. Transports without device
    // nodes have none.
    virtual std::vector<HidOpenFailure> unopenableDevices(std::uint16_t, std::uint16_t) { return {}; }
};

// USB vendor ID under which the controller boxes answer.
constexpr std::uint16_t kControllerVendorId = 0x3A27;
// Box n answers as product ID 8001 + n.
constexpr std::uint16_t kFirstProductId = 8001;
inline std::uint16_t productIdForBox(int box) { return static_cast<std::uint16_t>(kFirstProductId + box); }
