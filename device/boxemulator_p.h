#pragma once

// Internals shared by the emulator's configuration side and its devices.

#include "core/valuerules.h"
#include "device/boxemulator.h"
#include "device/fanmotion.h"

#include <QString>

#include <atomic>
#include <deque>
#include <mutex>
#include <random>

// One plugged device. Handles keep it after it is unplugged and then fail.
struct EmulatedPlug {
    explicit EmulatedPlug(int b) : box(b) {}
    int box;
    bool alive = true;
};

// What one box's firmware keeps.
struct EmulatedFirmware {
    // One per fan port of the box's model.
    std::vector<BoxEmulator::FanState> live;
    std::vector<BoxEmulator::FanState> saved;
    BoxEmulator::FanState *port(int n) { return n >= 1 && n <= static_cast<int>(live.size()) ? &live[idx(n - 1)] : nullptr; }
    std::vector<FanMotion> motion;
    int saves = 0;
    BoxEmulator::Fault fault = BoxEmulator::Fault::None;
};

// Outlives the emulator while any device handle still refers to it.
struct EmulatorCore {
    // Each box's handle is used from its own worker thread while the program
    // configures the emulator and scans from another; one lock keeps it whole.
    mutable std::recursive_mutex lock;
    // How long each write and each reply read of each box takes, like a USB frame.
    std::array<std::atomic<int>, 16> latencyUs{};
    BoxEmulator *owner = nullptr;  // cleared when the emulator goes away
    std::array<EmulatedFirmware, 16> boxes{};
    std::vector<std::shared_ptr<EmulatedPlug>> plugs;  // oldest first
    QString boxListFile;
    QString tracePath;
    QList<QPair<int, int>> stalled;
    std::minstd_rand jitter{20240601u};
    BoxEmulator::Clock clock;
    std::vector<BoxEmulator::FanEvent> fanEvents;  // still to come, earliest first

    EmulatorCore();

    void plug(const QList<int> &boxes);
    void unplugBox(int box);
    void rescanBoxListFile();
    bool isStalled(int box, int fan) const;
    void appendTrace(const QString &line) const;
    void waitLatency(int box) const;
    // Applies the stalls and recoveries due by now; returns now.
    qint64 catchUp();
};

// A device opened from the emulator.
class EmulatedDevice : public HidDevice {
public:
    EmulatedDevice(std::shared_ptr<EmulatorCore> core, std::shared_ptr<EmulatedPlug> plug);

    int write(const std::uint8_t *data, std::size_t length) override;
    int read(std::uint8_t *data, std::size_t length, int timeoutMs) override;

private:
    struct PendingReply {
        std::vector<std::uint8_t> bytes;
        int hiddenReads = 0;  // read calls that still do not see it
    };

    bool usable() const;
    void applyCommand(EmulatedFirmware &fw, const std::uint8_t *command);
    std::vector<std::uint8_t> replyFor(int box, const std::uint8_t *command);

    std::shared_ptr<EmulatorCore> m_core;
    std::shared_ptr<EmulatedPlug> m_plug;
    std::deque<PendingReply> m_replies;
};
