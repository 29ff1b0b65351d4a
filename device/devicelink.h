#pragma once

#include "app/controllerstate.h"

#include <QString>

#include <array>
#include <cstdint>

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

    void connectAllBoxes();
    QString buildControllerStr();

    void setFanSpeedLevel(int box, int fan, int level);
    void setFanSpeedByTemperature(int temperature, int box, int fan);
    void setFanLedSteady(int box, int fan, int red, int green, int blue, float bright);
    void setFanLedCycle(int box, int fan);
    void setFanLedFlash(int box, int fan, int red, int green, int blue, float bright);
    void applyBoxSettings(int box);
    void saveToController(int box);
    FanStatusReply readFanStatus(int box, int fan);
    static FanStatus parseFanStatus(const std::uint8_t *reply, int length);
    QString readFirmwareVersion();
    static QString parseFirmwareVersion(const std::uint8_t *reply, int length);

    // Temperature curve in percent for whole degrees Celsius, before the cap.
    static int temperatureCurvePercent(int temperature);
    // Colour component scaled by brightness as sent on the wire.
    static std::uint8_t scaleColour(int component, float bright);

    HidTransport &transport() { return m_transport; }

private:
    ControllerState &m_state;
    HidTransport &m_transport;
};

// Counts attached devices per product ID for the missing/duplicate box report.
class ScanUSB {
public:
    explicit ScanUSB(HidTransport &transport) : m_transport(transport) {}
    int countDevices(std::uint16_t vendorId, std::uint16_t productId);

private:
    HidTransport &m_transport;
};
