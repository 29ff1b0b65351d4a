// Opening the boxes, the presence map, device counting and the one place where
// a request is written and its reply read.
#include "device/devicelink.h"

#include "device/devicelog.h"
#include "core/hidtransport.h"

#include <QDebug>

#include <array>
#include <cstring>

Q_LOGGING_CATEGORY(lcDevice, "zaldo.device")

DeviceLink::DeviceLink(ControllerState &state, HidTransport &transport)
    : m_state(state), m_transport(transport)
{
}

Report DeviceLink::makeCommand(std::initializer_list<std::uint8_t> bytes)
{
    Report command{};
    size_t i = 0;
    for (std::uint8_t b : bytes) {
        if (i >= command.size())
            break;
        command[i++] = b;
    }
    return command;
}

bool DeviceLink::connectedBox(int box) const
{
    if (!isValidBox(box)) {
        qCWarning(lcDevice) << "box number out of range:" << box;
        return false;
    }
    return m_state.boxArray[static_cast<size_t>(box)].isConnected;
}

int DeviceLink::drainStaleReplies(int box, HidDevice &device)
{
    Report stale{};
    for (int i = 0; i < kMaxDrainReads; ++i) {
        const int n = device.read(stale.data(), stale.size(), 0);
        if (n <= 0)
            return i;
        qCDebug(lcDevice) << "stale reply dropped, box" << box << "length" << n
                          << "r0:" << stale[0] << "r1:" << stale[1];
    }
    qCWarning(lcDevice) << "box" << box << "keeps sending unrequested reports";
    return kMaxDrainReads;
}

int DeviceLink::replyTimeoutFor(int box) const
{
    const int missed = m_missedReplies[static_cast<size_t>(box)];
    if (missed < kSilentAfterMisses || missed % kSilentProbeEvery == 0)
        return kReplyTimeoutMs;
    return 0;
}

int DeviceLink::exchange(int box, const Report &command, Report &reply, int *written)
{
    reply.fill(0);
    if (written)
        *written = -1;
    HidDevice *device = m_state.boxArray[static_cast<size_t>(box)].hidHandle.get();
    if (!device) {
        qCWarning(lcDevice) << "box" << box << "is marked connected but has no open handle";
        return -1;
    }
    int &missed = m_missedReplies[static_cast<size_t>(box)];
    // A reply that came after its read timed out must not answer this request;
    // it does show that the box is alive.
    if (drainStaleReplies(box, *device) > 0)
        missed = 0;

    std::array<std::uint8_t, kWriteSize> out{};
    std::copy(command.begin(), command.end(), out.begin() + 1);
    const int result = device->write(out.data(), out.size());
    if (written)
        *written = result;
    if (result < 0) {
        // Nothing went out, so no reply can come: do not wait for one.
        qCDebug(lcDevice) << "write failed, box" << box;
        return -1;
    }
    const int timeout = replyTimeoutFor(box);
    const int n = device->read(reply.data(), reply.size(), timeout);
    if (n > 0) {
        if (missed >= kSilentAfterMisses)
            qCInfo(lcDevice) << "box" << box << "answers again";
        missed = 0;
    } else if (n == 0) {
        qCDebug(lcDevice) << "no reply within" << timeout << "ms, box" << box;
        if (++missed == kSilentAfterMisses)
            qCWarning(lcDevice) << "box" << box << "does not answer; its replies are no longer waited for until it answers again";
    } else {
        qCDebug(lcDevice) << "read failed, box" << box;
    }
    return n;
}

void DeviceLink::connectAllBoxes()
{
    m_state.checkControllerStr.clear();
    m_missedReplies.fill(0);
    m_firstUnopenable = -1;
    std::array<bool, kBoxCount> wasConnected{};
    for (int n = 0; n < kBoxCount; ++n) {
        ControllerBox &box = m_state.boxArray[size_t(n)];
        wasConnected[size_t(n)] = box.isConnected;
        box.hidHandle.reset();
        box.isConnected = false;
    }
    const Report probe = makeCommand({0xFE, 0x33});
    for (int n = 0; n < kBoxCount; ++n) {
        ControllerBox &box = m_state.boxArray[static_cast<size_t>(n)];
        box.hidHandle = m_transport.open(kControllerVendorId, productIdForBox(n));
        if (!box.hidHandle) {
            m_state.checkControllerStr.append(QLatin1Char('0'));
            box.isConnected = false;
            qCDebug(lcDevice) << "hid_open_false:" << n;
            if (reportUnopenable(n) && m_firstUnopenable < 0)
                m_firstUnopenable = n;
            continue;
        }
        Report reply{};
        int written = -1;
        exchange(n, probe, reply, &written);
        // The reply's content says nothing; only a refused write marks a dead box.
        // The handle stays open until the next scan.
        box.isConnected = written >= 0;
        m_state.checkControllerStr.append(box.isConnected ? QLatin1Char('1') : QLatin1Char('0'));
        if (!box.isConnected)
            qCDebug(lcDevice) << "probe rejected, box" << n;
    }
    // Said once per change, not per scan: a user reading the log wants to
    // know which boxes came and went.
    for (int n = 0; n < kBoxCount; ++n) {
        if (m_state.boxArray[size_t(n)].isConnected != wasConnected[size_t(n)])
            qCInfo(lcDevice) << "box" << n << (wasConnected[size_t(n)] ? "gone" : "found");
    }
}

bool DeviceLink::reportUnopenable(int box)
{
    const auto failures = m_transport.unopenableDevices(kControllerVendorId, productIdForBox(box));
    for (const HidOpenFailure &f : failures)
        qCWarning(lcDevice).nospace() << "box " << box << " is attached but cannot be opened: " << f.path.c_str()
                                      << ": errno " << f.error << " (" << std::strerror(f.error) << ")";
    return !failures.empty();
}

QString DeviceLink::buildControllerStr()
{
    m_state.checkControllerStr.clear();
    for (const ControllerBox &box : m_state.boxArray)
        m_state.checkControllerStr.append(box.isConnected ? QLatin1Char('1') : QLatin1Char('0'));
    qCDebug(lcDevice) << "checkControllerStrzzzz:" << m_state.checkControllerStr;
    return m_state.checkControllerStr;
}

int ScanUSB::countDevices(std::uint16_t vendorId, std::uint16_t productId)
{
    const int count = m_transport.countDevices(vendorId, productId);
    return count > 0 ? count : 0;
}
