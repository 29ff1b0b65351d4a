#pragma once

// Boxes that answer at once from memory, so a benchmark measures only the
// program's own work per exchange: no sleeps, no trace, no firmware model.

#include "core/hidtransport.h"

#include <array>
#include <cstring>

class InstantDevice : public HidDevice {
public:
    int write(const std::uint8_t *data, std::size_t length) override
    {
        if (length < 2)
            return -1;
        const std::size_t n = length - 1 < m_reply.size() ? length - 1 : m_reply.size();
        std::memcpy(m_reply.data(), data + 1, n);
        if (m_reply[0] == 0x33 && m_reply[1] == 0x51) {
            m_reply[5] = 0xD2;  // 1234 RPM
            m_reply[6] = 0x04;
        }
        m_pending = true;
        return static_cast<int>(length);
    }
    int read(std::uint8_t *data, std::size_t length, int) override
    {
        if (!m_pending)
            return 0;
        m_pending = false;
        const std::size_t n = length < m_reply.size() ? length : m_reply.size();
        std::memcpy(data, m_reply.data(), n);
        return static_cast<int>(n);
    }

private:
    std::array<std::uint8_t, 64> m_reply{};
    bool m_pending = false;
};

class InstantTransport : public HidTransport {
public:
    std::unique_ptr<HidDevice> open(std::uint16_t vendorId, std::uint16_t productId) override
    {
        if (vendorId != kControllerVendorId || productId < kFirstProductId || productId >= kFirstProductId + 16)
            return nullptr;
        return std::make_unique<InstantDevice>();
    }
    int countDevices(std::uint16_t vendorId, std::uint16_t productId) override
    {
        return vendorId == kControllerVendorId && productId >= kFirstProductId && productId < kFirstProductId + 16;
    }
};
