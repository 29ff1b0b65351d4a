#pragma once

#include "core/controllerstate.h"
#include "device/boxexecutor.h"

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

class HidDevice;
class HidTransport;
class QObject;
struct BoxChannel;
struct ExchangeWatch;

constexpr int kReportSize = 64;
using Report = std::array<std::uint8_t, kReportSize>;

struct FanStatusReply {
    int length = -1;  // what the read returned; positive = a reply arrived
    Report data{};
};

struct FanStatus {
    bool valid = false;
    int fan = -1;   // counted from 0
    int rpm = 0;
};

// The report protocol and box connection. Every operation checks isConnected of
// the box first and sends nothing when it is clear. Reports are built from the
// box table on the caller's thread; the exchanges run on the executor's worker
// for the box, and what they read comes back through deliver().
class DeviceLink {
public:
    // Without an executor every exchange runs at once on the caller's thread.
    DeviceLink(ControllerState &state, HidTransport &transport, std::unique_ptr<BoxExecutor> executor = nullptr);
    ~DeviceLink();

    // How long a read waits for a box's reply.
    static constexpr int kReplyTimeoutMs = 50;
    // A box that missed this many replies in a row is not waited for (its
    // reads only take what is already there), except on every
    // kSilentProbeEvery-th exchange, until a reply arrives again. One silent
    // box must not stall the effects of every other box.
    static constexpr int kSilentAfterMisses = 3;
    static constexpr int kSilentProbeEvery = 20;
    // At most this many stale replies are discarded before a request.
    static constexpr int kMaxDrainReads = 16;
    // Bytes written per report: report ID 0, then the 64 command bytes.
    static constexpr int kWriteSize = kReportSize + 1;

    void connectAllBoxes();
    // The first box that the last connectAllBoxes found attached but could not
    // open (no permission, as a rule); -1 when there is none.
    int firstUnopenableBox() const { return m_firstUnopenable; }
    QString buildControllerStr();

    void setFanSpeedLevel(int box, int fan, int level);
    // A percent worked out above this layer (a curve's), bounded to 0..100.
    void setFanSpeedPercent(int box, int fan, int percent);
    void setFanLedSteady(int box, int fan, int red, int green, int blue, float bright);
    void setFanLedCycle(int box, int fan);
    void setFanLedFlash(int box, int fan, int red, int green, int blue, float bright);
    // The fan's stored colour and brightness from the box table, steady or flashing.
    void sendStoredSteady(int box, int fan);
    void sendStoredFlash(int box, int fan);
    // What effectiveLighting says for the fan: black when switched off, else by its mode.
    void sendEffectiveLighting(int box, int fan);
    void applyBoxSettings(int box);
    void saveToController(int box);
    // done runs on the state's thread with the reply (length -1 when nothing
    // was sent); it does not run when the box is not connected. True when
    // done will run.
    bool readFanStatus(int box, int fan, std::function<void(const FanStatusReply &)> done);
    static FanStatus parseFanStatus(const std::uint8_t *reply, int length);
    // Box n's firmware version, or the selected box's; "0" at once when that
    // box is not connected.
    void readFirmwareVersion(int box, std::function<void(const QString &)> done);
    void readFirmwareVersion(std::function<void(const QString &)> done)
    {
        readFirmwareVersion(m_state.controllerBoxNumber, std::move(done));
    }
    static QString parseFirmwareVersion(const std::uint8_t *reply, int length);

    // Colour component scaled by brightness as sent on the wire.
    static std::uint8_t scaleColour(int component, float bright);

    // The boxes (numbered from 0) that did not answer: one of their exchanges
    // got no reply or could not be written, or they had not run them all in time.
    using Settled = std::function<void(const QList<int> &silentBoxes)>;
    // How long an answer waits for the boxes.
    static constexpr int kAnswerWaitMs = 1500;
    // Runs work, which queues exchanges, then done on the state's thread once
    // every box that got one has run them, or waitMs has passed (the boxes
    // are waited for all at once). Without exchanges done runs before this
    // returns. The state's thread never waits for a box.
    void afterExchanges(const std::function<void()> &work, Settled done, int waitMs = kAnswerWaitMs);

    HidTransport &transport() { return m_transport; }
    BoxExecutor &executor() { return *m_executor; }

    // Builds a command with the given leading bytes, the rest 0.
    static Report makeCommand(std::initializer_list<std::uint8_t> bytes);

private:
    // What one exchange gave: bytes read (0 when no reply came in time, -1 when
    // the write or the read failed), the write result and the reply, zeroed
    // past what was read.
    struct Outcome {
        int result = -1;
        int written = -1;
        Report reply{};
    };
    using Then = std::function<void(const Outcome &)>;
    // Queues one write + read with box's handle; then runs on the box's worker.
    // Commands with a key replace an older queued one with the same key.
    void post(int box, const Report &command, int key, Then then = nullptr);
    // Keys under which a newer command replaces a queued older one: one per
    // fan and kind. Steady, cycle and flash are kinds apart, as a cycle starts
    // from the colour the last steady or flash report left.
    static constexpr int kLedModes = 3;
    static constexpr int kKinds = kLedModes + 1;
    static int lightingKey(int fan, std::uint8_t mode) { return fan * kKinds + mode; }
    static int speedKey(int fan) { return fan * kKinds + kLedModes; }
    static Report speedCommand(int fan, std::uint8_t percent);
    // Kept in the state, and announced when it differs from the last one.
    void noteSent(int box, int fan, int percent);
    static Outcome exchange(BoxChannel &channel, int box, const Report &command);
    // Discards replies that arrived after an earlier read gave up on them.
    // Returns how many were discarded.
    static int drainStaleReplies(int box, HidDevice &device);
    bool connectedBox(int box) const;
    void rebuildControllerStr();
    void sendLed(int box, int fan, std::uint8_t mode, int red, int green, int blue, float bright);
    void sendStoredLed(int box, int fan, std::uint8_t mode);
    void applyFan(int box, int fan, bool logSpeed);
    // Logs why box n, which did not open, is attached but unusable; true when it is.
    bool reportUnopenable(int box);

    ControllerState &m_state;
    HidTransport &m_transport;
    std::array<std::shared_ptr<BoxChannel>, kBoxCount> m_channels;
    int m_firstUnopenable = -1;
    // Counts the exchanges queued inside afterExchanges.
    std::shared_ptr<ExchangeWatch> m_watch;
    // The answers' waits end with the link.
    std::unique_ptr<QObject> m_timers;
    // Last: stopped first, while everything its jobs refer to still exists.
    std::unique_ptr<BoxExecutor> m_executor;
};

// Counts attached devices per product ID for the missing/duplicate box report.
class ScanUSB {
public:
    explicit ScanUSB(HidTransport &transport) : m_transport(transport) {}
    int countDevices(std::uint16_t vendorId, std::uint16_t productId);

private:
    HidTransport &m_transport;
};
