// The firmware side of an emulated box: what it does with each report it gets
// and what it answers.
#include "device/boxemulator_p.h"

#include "core/controllerstate.h"
#include "device/devicelog.h"

#include <QDebug>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t kCommandSize = 64;
constexpr std::size_t kShortReplySize = 3;

} // namespace

EmulatedDevice::EmulatedDevice(std::shared_ptr<EmulatorCore> core, std::shared_ptr<EmulatedPlug> plug)
    : m_core(std::move(core)), m_plug(std::move(plug))
{
}

bool EmulatedDevice::usable() const
{
    return m_core->owner && m_plug->alive;
}

void EmulatedDevice::applyCommand(EmulatedFirmware &fw, const std::uint8_t *c)
{
    if (c[0] != 0x32)
        return;
    const int port = c[2];
    BoxEmulator::FanState *fan = fw.port(port);
    switch (c[1]) {
    case 0x51:
        if (fan && c[3] == 0x03) {
            fan->speedPercent = c[4];
            fw.motion[static_cast<size_t>(port - 1)].command(m_core->catchUp(), c[4]);
        }
        break;
    case 0x52:
        if (!fan || c[3] > static_cast<int>(LedMode::Flash))
            break;
        fan->ledMode = static_cast<LedMode>(c[3]);
        // The cycle keeps the colour it was given before.
        if (fan->ledMode != LedMode::Cycle) {
            fan->red = c[4];
            fan->green = c[5];
            fan->blue = c[6];
        }
        break;
    case 0x53:
        fw.saved = fw.live;
        ++fw.saves;
        break;
    default:
        qCDebug(lcBoxEmulator) << "box" << m_plug->box << "ignores setting" << c[1];
        break;
    }
}

std::vector<std::uint8_t> EmulatedDevice::replyFor(int box, const std::uint8_t *c)
{
    // Replies echo the command; the two data requests fill in their values.
    std::vector<std::uint8_t> reply(c, c + kCommandSize);
    if (c[0] == 0x33 && c[1] == 0x50) {
        reply[2] = BoxEmulator::kFirmwareMajor;
        reply[3] = BoxEmulator::kFirmwareMinor;
        reply[4] = BoxEmulator::kFirmwarePatch;
    } else if (c[0] == 0x33 && c[1] == 0x51) {
        const int port = c[2];
        int rpm = 0;
        if (m_core->boxes[idx(box)].port(port)) {
            FanMotion &motion = m_core->boxes[static_cast<size_t>(box)].motion[static_cast<size_t>(port - 1)];
            const int turning = static_cast<int>(std::lround(motion.rpm(m_core->catchUp())));
            if (motion.counts() && !m_core->isStalled(box, port - 1)) {
                std::uniform_int_distribution<int> spread(-turning / 100, turning / 100);
                rpm = std::clamp(turning + spread(m_core->jitter), 0, 65535);
            }
        }
        std::fill(reply.begin() + 3, reply.end(), 0);
        reply[5] = static_cast<std::uint8_t>(rpm & 0xFF);
        reply[6] = static_cast<std::uint8_t>(rpm >> 8);
    }
    return reply;
}

int EmulatedDevice::write(const std::uint8_t *data, std::size_t length)
{
    m_core->waitLatency(m_plug->box);
    const std::lock_guard<std::recursive_mutex> guard(m_core->lock);
    if (!usable() || !data || length < 2)
        return -1;
    if (data[0] != 0) {
        qCWarning(lcBoxEmulator) << "report ID" << data[0] << "is not one the box knows";
        return -1;
    }
    const int box = m_plug->box;
    EmulatedFirmware &fw = m_core->boxes[static_cast<size_t>(box)];
    if (fw.fault == BoxEmulator::Fault::RejectWrites)
        return -1;

    BoxEmulator::SentReport sent;
    sent.box = box;
    std::memcpy(sent.command.data(), data + 1, std::min(length - 1, kCommandSize));
    if (m_core->owner->m_recording)
        m_core->owner->m_sent.push_back(sent);
    m_core->appendTrace(BoxEmulator::traceLine(box, sent.command.data()));

    applyCommand(fw, sent.command.data());

    PendingReply pending;
    pending.bytes = replyFor(box, sent.command.data());
    switch (fw.fault) {
    case BoxEmulator::Fault::NoReply:
        return static_cast<int>(length);
    case BoxEmulator::Fault::VanishAfterWrite:
        m_core->unplugBox(box);
        return static_cast<int>(length);
    case BoxEmulator::Fault::WrongHeader:
        pending.bytes[0] = static_cast<std::uint8_t>(~pending.bytes[0]);
        break;
    case BoxEmulator::Fault::ShortReply:
        pending.bytes.resize(kShortReplySize);
        break;
    case BoxEmulator::Fault::LateReply:
        pending.hiddenReads = 1;
        break;
    case BoxEmulator::Fault::None:
    case BoxEmulator::Fault::RejectWrites:
    case BoxEmulator::Fault::NoPermission:  // a handle opened before keeps working
        break;
    }
    m_replies.push_back(std::move(pending));
    return static_cast<int>(length);
}

int EmulatedDevice::read(std::uint8_t *data, std::size_t length, int timeoutMs)
{
    std::unique_lock<std::recursive_mutex> guard(m_core->lock);
    if (!usable() || !data)
        return -1;
    std::vector<std::uint8_t> bytes;
    const bool ready = !m_replies.empty() && m_replies.front().hiddenReads == 0;
    if (ready) {
        bytes = std::move(m_replies.front().bytes);
        m_replies.pop_front();
    }
    // Every read call brings each late reply one read closer.
    for (PendingReply &p : m_replies)
        p.hiddenReads = std::max(0, p.hiddenReads - 1);
    guard.unlock();
    if (ready) {
        m_core->waitLatency(m_plug->box);
        const std::size_t n = std::min(length, bytes.size());
        std::memcpy(data, bytes.data(), n);
        return static_cast<int>(n);
    }
    // Nothing to read: a real read sleeps until its timeout, and so does an
    // emulator with USB timing; otherwise a short nap keeps tests fast while a
    // caller polling in a loop still cannot spin.
    const bool realTiming = m_core->latencyUs[static_cast<size_t>(m_plug->box)].load() > 0;
    if (timeoutMs > 0 && realTiming)
        QThread::msleep(static_cast<unsigned long>(timeoutMs));
    else if (timeoutMs != 0)
        QThread::msleep(static_cast<unsigned long>(
            timeoutMs < 0 ? BoxEmulator::kMaxIdleWaitMs : std::min(timeoutMs, BoxEmulator::kMaxIdleWaitMs)));
    return 0;
}
