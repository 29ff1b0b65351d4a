#pragma once

#include "core/controllerstate.h"

#include <QString>

#include <array>
#include <cstdint>
#include <initializer_list>

class HidDevice;
class HidTransport;

constexpr int kReportSize = 64;
using Report = std::array<std::uint8_t, kReportSize>;

struct FanStatusReply {
    int length = -1;  // what the read returned; positive = a reply arrived
    Report data{};
};

struct FanStatus {
    bool valid = false;
    int fan = -1;   // 0..2
    int rpm = 0;
};

// The report protocol and box connection. Every operation checks isConnected of
// the box first and sends nothing when it is clear.
class DeviceLink {
public:
    DeviceLink(ControllerState &state, HidTransport &transport);

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
    void setFanSpeedByTemperature(int temperature, int box, int fan);
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
    FanStatusReply readFanStatus(int box, int fan);
    static FanStatus parseFanStatus(const std::uint8_t *reply, int length);
    // The selected box's firmware, or box n's; "0" when it gave none.
    QString readFirmwareVersion() { return readFirmwareVersion(m_state.controllerBoxNumber); }
    QString readFirmwareVersion(int box);
    static QString parseFirmwareVersion(const std::uint8_t *reply, int length);

    // Temperature curve in percent for whole degrees Celsius, before the cap.
    static int temperatureCurvePercent(int temperature);
    // Colour component scaled by brightness as sent on the wire.
    static std::uint8_t scaleColour(int component, float bright);

    HidTransport &transport() { return m_transport; }

    // Builds a command with the given leading bytes, the rest 0.
    static Report makeCommand(std::initializer_list<std::uint8_t> bytes);

private:
    // One write + read with box b's handle. Returns the read result: bytes read,
    // 0 when no reply came in time, -1 when the write or the read failed.
    // reply is zeroed first, so bytes past the result are never stale.
    // written, when given, receives the write result.
    int exchange(int box, const Report &command, Report &reply, int *written = nullptr);
    // Discards replies that arrived after an earlier read gave up on them.
    // Returns how many were discarded.
    static int drainStaleReplies(int box, HidDevice &device);
    int replyTimeoutFor(int box) const;
    bool connectedBox(int box) const;
    void sendLed(int box, int fan, std::uint8_t mode, int red, int green, int blue, float bright);
    void sendStoredLed(int box, int fan, std::uint8_t mode);
    void applyFan(int box, int fan, bool logSpeed);
    // Logs why box n, which did not open, is attached but unusable; true when it is.
    bool reportUnopenable(int box);

    ControllerState &m_state;
    HidTransport &m_transport;
    std::array<int, kBoxCount> m_missedReplies{};
    int m_firstUnopenable = -1;
};

// Counts attached devices per product ID for the missing/duplicate box report.
class ScanUSB {
public:
    explicit ScanUSB(HidTransport &transport) : m_transport(transport) {}
    int countDevices(std::uint16_t vendorId, std::uint16_t productId);

private:
    HidTransport &m_transport;
};
