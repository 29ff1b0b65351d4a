// Opening the boxes, the presence map, device counting and the one place where
// a request is written and its reply read.
#include "device/devicelink.h"

#include "device/boxexecutor.h"
#include "device/devicelog.h"
#include "device/exchangewatch.h"
#include "core/hidtransport.h"

#include <QDebug>

#include <array>
#include <cstring>

Q_LOGGING_CATEGORY(lcDevice, "zaldo.device")

// A box's open handle and what its worker learns about it. Only that worker
// touches it after the scan that made it.
struct BoxChannel {
    explicit BoxChannel(std::shared_ptr<HidDevice> d) : device(std::move(d)) {}
    std::shared_ptr<HidDevice> device;
    int missedReplies = 0;
    bool dead = false;  // the probe was refused: nothing more is sent

    int replyTimeout() const
    {
        if (missedReplies < DeviceLink::kSilentAfterMisses || missedReplies % DeviceLink::kSilentProbeEvery == 0)
            return DeviceLink::kReplyTimeoutMs;
        return 0;
    }
};

DeviceLink::DeviceLink(ControllerState &state, HidTransport &transport, std::unique_ptr<BoxExecutor> executor)
    : m_state(state), m_transport(transport), m_timers(std::make_unique<QObject>()),
      m_executor(executor ? std::move(executor) : std::make_unique<InlineExecutor>())
{
}

DeviceLink::~DeviceLink() = default;

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
    qCWarning(lcDevice) << "box" << box + 1 << "keeps sending unrequested reports";
    return kMaxDrainReads;
}

void DeviceLink::post(int box, const Report &command, int key, Then then)
{
    std::shared_ptr<BoxChannel> channel = m_channels[idx(box)];
    if (!channel) {
        qCWarning(lcDevice) << "box" << box << "is marked connected but has no open handle";
        if (m_watch)
            m_watch->unsent[idx(box)] = true;
        if (then)
            then(Outcome{});
        return;
    }
    if (m_watch)
        m_watch->queued[idx(box)] = true;
    m_executor->post(
        box,
        [channel = std::move(channel), box, command, then = std::move(then), watch = m_watch] {
            const Outcome outcome = exchange(*channel, box, command);
            if (watch && outcome.result <= 0)
                ++watch->missed[idx(box)];
            if (then)
                then(outcome);
        },
        key);
}

DeviceLink::Outcome DeviceLink::exchange(BoxChannel &channel, int box, const Report &command)
{
    Outcome out;
    if (channel.dead)
        return out;
    HidDevice &device = *channel.device;
    int &missed = channel.missedReplies;
    // A reply that came after its read timed out must not answer this request;
    // it does show that the box is alive.
    if (drainStaleReplies(box, device) > 0)
        missed = 0;

    std::array<std::uint8_t, kWriteSize> bytes{};
    std::copy(command.begin(), command.end(), bytes.begin() + 1);
    out.written = device.write(bytes.data(), bytes.size());
    if (out.written < 0) {
        // Nothing went out, so no reply can come: do not wait for one.
        qCDebug(lcDevice) << "write failed, box" << box;
        return out;
    }
    const int timeout = channel.replyTimeout();
    out.result = device.read(out.reply.data(), out.reply.size(), timeout);
    if (out.result > 0) {
        if (missed >= kSilentAfterMisses)
            qCInfo(lcDevice) << "box" << box + 1 << "answers again";
        missed = 0;
    } else if (out.result == 0) {
        qCDebug(lcDevice) << "no reply within" << timeout << "ms, box" << box;
        if (++missed == kSilentAfterMisses)
            qCWarning(lcDevice) << "box" << box + 1 << "does not answer; its replies are no longer waited for until it answers again";
    } else {
        qCDebug(lcDevice) << "read failed, box" << box;
    }
    // Bytes past what was read are never stale.
    if (out.result < static_cast<int>(out.reply.size()))
        std::fill(out.reply.begin() + std::max(out.result, 0), out.reply.end(), 0);
    return out;
}

void DeviceLink::connectAllBoxes()
{
    m_firstUnopenable = -1;
    std::array<bool, kBoxCount> wasConnected{};
    for (int n = 0; n < kBoxCount; ++n) {
        ControllerBox &box = m_state.boxArray[size_t(n)];
        wasConnected[size_t(n)] = box.isConnected;
        box.hidHandle.reset();
        box.isConnected = false;
    }
    // Jobs still queued keep their old channel, so they finish on the old
    // handle, in order, before the new one's probe.
    m_channels.fill(nullptr);
    const Report probe = makeCommand({0xFE, 0x33});
    for (int n = 0; n < kBoxCount; ++n) {
        ControllerBox &box = m_state.boxArray[idx(n)];
        box.hidHandle = m_transport.open(kControllerVendorId, productIdForBox(n));
        if (!box.hidHandle) {
            qCDebug(lcDevice) << "hid_open_false:" << n;
            if (reportUnopenable(n) && m_firstUnopenable < 0)
                m_firstUnopenable = n;
            continue;
        }
        auto channel = std::make_shared<BoxChannel>(box.hidHandle);
        m_channels[idx(n)] = channel;
        box.isConnected = true;
        // The reply's content says nothing; only a refused write marks a dead
        // box. Its handle stays open until the next scan.
        post(n, probe, BoxExecutor::kKeep, [this, n, channel, deliver = m_executor->deliverer()](const Outcome &o) {
            if (o.written >= 0)
                return;
            channel->dead = true;
            deliver([this, n, channel] {
                if (m_channels[idx(n)] != channel)
                    return;  // a later scan replaced it
                m_state.boxArray[idx(n)].isConnected = false;
                qCDebug(lcDevice) << "probe rejected, box" << n;
                rebuildControllerStr();
                m_state.events.boxPresenceChanged(n, false);
            });
        });
    }
    rebuildControllerStr();
    // Said once per change, not per scan: a user reading the log wants to
    // know which boxes came and went, numbered as the panel numbers them.
    for (int n = 0; n < kBoxCount; ++n) {
        const bool present = m_state.boxArray[size_t(n)].isConnected;
        if (present != wasConnected[size_t(n)]) {
            qCInfo(lcDevice) << "box" << n + 1 << (wasConnected[size_t(n)] ? "gone" : "found");
            m_state.events.boxPresenceChanged(n, present);
        }
    }
}

void DeviceLink::rebuildControllerStr()
{
    m_state.checkControllerStr.clear();
    for (const ControllerBox &box : m_state.boxArray)
        m_state.checkControllerStr.append(box.isConnected ? QLatin1Char('1') : QLatin1Char('0'));
}

bool DeviceLink::reportUnopenable(int box)
{
    const auto failures = m_transport.unopenableDevices(kControllerVendorId, productIdForBox(box));
    for (const HidOpenFailure &f : failures)
        qCWarning(lcDevice).nospace() << "box " << box + 1 << " is attached but cannot be opened: " << f.path.c_str()
                                      << ": errno " << f.error << " (" << std::strerror(f.error) << ")";
    return !failures.empty();
}

QString DeviceLink::buildControllerStr()
{
    rebuildControllerStr();
    qCDebug(lcDevice) << "checkControllerStrzzzz:" << m_state.checkControllerStr;
    return m_state.checkControllerStr;
}

int ScanUSB::countDevices(std::uint16_t vendorId, std::uint16_t productId)
{
    const int count = m_transport.countDevices(vendorId, productId);
    return count > 0 ? count : 0;
}
