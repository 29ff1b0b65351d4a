#pragma once

#include "core/hidtransport.h"

#include <functional>

struct hid_device_;

// An interface opened through hidapi; closed with the object.
class HidapiDevice : public HidDevice {
public:
    explicit HidapiDevice(hid_device_ *handle);
    ~HidapiDevice() override;
    HidapiDevice(const HidapiDevice &) = delete;
    HidapiDevice &operator=(const HidapiDevice &) = delete;

    int write(const std::uint8_t *data, std::size_t length) override;
    int read(std::uint8_t *data, std::size_t length, int timeoutMs) override;

private:
    hid_device_ *m_handle;
};

// The real boxes. The only code in the program that calls hidapi.
class HidapiTransport : public HidTransport {
public:
    HidapiTransport();

    std::unique_ptr<HidDevice> open(std::uint16_t vendorId, std::uint16_t productId) override;
    int countDevices(std::uint16_t vendorId, std::uint16_t productId) override;
    std::vector<HidOpenFailure> unopenableDevices(std::uint16_t vendorId, std::uint16_t productId) override;

    // errno of opening this device node for reading and writing, 0 when it opens.
    static int openError(const char *path);

    // Runs call(remainingMs) again while it fails with errno EINTR (a signal
    // interrupted it), with the time left of timeoutMs; a negative timeout
    // (wait for ever) is passed on unchanged. Gives up after a few retries.
    static int retryInterrupted(const std::function<int(int remainingMs)> &call, int timeoutMs);

private:
    static bool ensureInitialised();
};
