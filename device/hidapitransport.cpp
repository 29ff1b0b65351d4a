#include "device/hidapitransport.h"

#include "device/devicelog.h"

#include <QByteArray>
#include <QDebug>
#include <QElapsedTimer>
#include <QString>

#include <hidapi/hidapi.h>

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcHid, "zaldo.device.hid")

namespace {

constexpr int kMaxInterruptRetries = 8;

QByteArray hex(const std::uint8_t *data, std::size_t length)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<int>(length)).toHex(' ');
}

QString errorText(hid_device *dev)
{
    const wchar_t *text = hid_error(dev);
    return text ? QString::fromWCharArray(text) : QString();
}

} // namespace

int HidapiTransport::retryInterrupted(const std::function<int(int remainingMs)> &call, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    int remaining = timeoutMs;
    for (int attempt = 0;; ++attempt) {
        errno = 0;
        const int result = call(remaining);
        const int err = errno;
        if (result >= 0 || err != EINTR || attempt >= kMaxInterruptRetries)
            return result;
        if (timeoutMs >= 0) {
            remaining = timeoutMs - static_cast<int>(clock.elapsed());
            if (remaining < 0)
                remaining = 0;
        }
        qCDebug(lcHid) << "interrupted, retrying with" << remaining << "ms left";
    }
}

bool HidapiTransport::ensureInitialised()
{
    static const bool ok = [] {
        if (hid_init() != 0) {
            qCWarning(lcHid) << "hid_init failed:" << errorText(nullptr);
            return false;
        }
        return true;
    }();
    return ok;
}

HidapiTransport::HidapiTransport()
{
    ensureInitialised();
}

std::unique_ptr<HidDevice> HidapiTransport::open(std::uint16_t vendorId, std::uint16_t productId)
{
    // hidapi treats 0 as "any"; nobody may open a device by wildcard.
    if (vendorId == 0 || productId == 0 || !ensureInitialised())
        return nullptr;
    hid_device *handle = hid_open(vendorId, productId, nullptr);
    if (!handle) {
        qCDebug(lcHid) << "hid_open" << Qt::hex << vendorId << productId << "failed:" << errorText(nullptr);
        return nullptr;
    }
    return std::make_unique<HidapiDevice>(handle);
}

int HidapiTransport::countDevices(std::uint16_t vendorId, std::uint16_t productId)
{
    if (vendorId == 0 || productId == 0 || !ensureInitialised())
        return 0;
    hid_device_info *list = hid_enumerate(vendorId, productId);
    int count = 0;
    for (const hid_device_info *info = list; info; info = info->next) {
        if (info->vendor_id == vendorId && info->product_id == productId)
            ++count;
    }
    hid_free_enumeration(list);
    return count;
}

std::vector<HidOpenFailure> HidapiTransport::unopenableDevices(std::uint16_t vendorId, std::uint16_t productId)
{
    std::vector<HidOpenFailure> failures;
    if (vendorId == 0 || productId == 0 || !ensureInitialised())
        return failures;
    hid_device_info *list = hid_enumerate(vendorId, productId);
    for (const hid_device_info *info = list; info; info = info->next) {
        if (info->vendor_id != vendorId || info->product_id != productId || !info->path)
            continue;
        // hid_open only says "failed"; the node itself tells why.
        if (const int error = openError(info->path))
            failures.push_back({info->path, error});
    }
    hid_free_enumeration(list);
    return failures;
}

int HidapiTransport::openError(const char *path)
{
    const int fd = ::open(path, O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

HidapiDevice::HidapiDevice(hid_device *handle) : m_handle(handle) {}

HidapiDevice::~HidapiDevice()
{
    if (m_handle)
        hid_close(m_handle);
}

int HidapiDevice::write(const std::uint8_t *data, std::size_t length)
{
    if (!data || length == 0 || length > INT_MAX)
        return -1;
    qCDebug(lcHid) << "hid_write:" << hex(data, length);
    const int result = HidapiTransport::retryInterrupted([&](int) { return hid_write(m_handle, data, length); }, -1);
    if (result < 0)
        qCDebug(lcHid) << "hid_write failed:" << errorText(m_handle);
    return result;
}

int HidapiDevice::read(std::uint8_t *data, std::size_t length, int timeoutMs)
{
    if (!data || length == 0 || length > INT_MAX)
        return -1;
    const int result =
        HidapiTransport::retryInterrupted([&](int remaining) { return hid_read_timeout(m_handle, data, length, remaining); }, timeoutMs);
    if (result > 0)
        qCDebug(lcHid) << "hid_read:" << hex(data, static_cast<std::size_t>(result));
    else if (result < 0)
        qCDebug(lcHid) << "hid_read failed:" << errorText(m_handle);
    return result;
}
