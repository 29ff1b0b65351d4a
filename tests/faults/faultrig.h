#pragma once

// Emulated boxes behind a transport that waits as a real HID read does: a read
// that finds no reply sleeps its whole time-out.

#include "core/controllerstate.h"
#include "commands/periodictasks.h"
#include "common/recordingviewsink.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "core/hidtransport.h"
#include "storage/settingsstore.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

// Records the time-out of every read: a negative one would block for ever.
class TimedTransport : public HidTransport {
public:
    explicit TimedTransport(BoxEmulator &emu) : m_emu(emu) {}
    int reads = 0;
    int minTimeoutMs = 1 << 30;
    int maxTimeoutMs = -(1 << 30);
    std::unique_ptr<HidDevice> open(std::uint16_t vendorId, std::uint16_t productId) override
    {
        auto device = m_emu.open(vendorId, productId);
        return device ? std::make_unique<Device>(std::move(device), *this) : nullptr;
    }
    int countDevices(std::uint16_t vendorId, std::uint16_t productId) override
    {
        return m_emu.countDevices(vendorId, productId);
    }
    std::vector<HidOpenFailure> unopenableDevices(std::uint16_t vendorId, std::uint16_t productId) override
    {
        return m_emu.unopenableDevices(vendorId, productId);
    }

private:
    struct Device : HidDevice {
        Device(std::unique_ptr<HidDevice> inner, TimedTransport &log) : inner(std::move(inner)), log(log) {}
        int write(const std::uint8_t *data, std::size_t length) override { return inner->write(data, length); }
        int read(std::uint8_t *data, std::size_t length, int timeoutMs) override
        {
            ++log.reads;
            log.minTimeoutMs = qMin(log.minTimeoutMs, timeoutMs);
            log.maxTimeoutMs = qMax(log.maxTimeoutMs, timeoutMs);
            const int n = inner->read(data, length, 0);
            // A bounded nap for a negative time-out keeps the test alive.
            if (n == 0 && timeoutMs != 0)
                QThread::msleep(static_cast<unsigned long>(timeoutMs > 0 ? timeoutMs : 200));
            return n;
        }
        std::unique_ptr<HidDevice> inner;
        TimedTransport &log;
    };
    BoxEmulator &m_emu;
};

// Settings and runtime files of each rig stay in its own temporary folder,
// set before anything of the rig is built.
struct FaultEnv {
    QTemporaryDir dir;
    FaultEnv()
    {
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", dir.filePath(QStringLiteral("runtime")).toUtf8());
        QDir(dir.path()).mkpath(QStringLiteral("runtime"));
    }
};

struct FaultRig : FaultEnv {
    ControllerState state;
    BoxEmulator emu;
    TimedTransport transport{emu};
    DeviceLink link{state, transport};
    SettingsStore store{state, dir.filePath(QStringLiteral("data"))};
    RecordingViewSink views;
    PeriodicTasks tasks{state, link, store, views};

    explicit FaultRig(const QList<int> &boxes)
    {
        emu.setBoxes(boxes);
        link.connectAllBoxes();
        emu.clearSentReports();
    }
    ControllerBox &box(int b) { return state.boxArray[static_cast<size_t>(b)]; }
    int reportsTo(int b, std::uint8_t w1, std::uint8_t w2) const
    {
        int n = 0;
        for (const BoxEmulator::SentReport &r : emu.sentReports())
            n += (r.box == b && r.command[0] == w1 && r.command[1] == w2) ? 1 : 0;
        return n;
    }
    FanStatus status(int b, int f)
    {
        const FanStatusReply r = link.readFanStatus(b, f);
        return DeviceLink::parseFanStatus(r.data.data(), r.length);
    }
};

// Every field of the table and the globals, to show that nothing changed.
inline QString snapshot(const ControllerState &s)
{
    QString out;
    QDebug d(&out);
    d << s.controllerBoxNumber << s.currentProfile << s.languageIndex << s.isStartAutoUpdate << s.isOpenPassword
      << s.passwordStr << s.musicLevel << s.volumePercent << s.checkControllerStr;
    for (const ControllerBox &b : s.boxArray) {
        d << b.isConnected << bool(b.hidHandle) << b.profileValue;
        for (size_t f = 0; f < kFanCount; ++f)
            d << b.RColorFan[f] << b.GColorFan[f] << b.BColorFan[f] << b.brightFan[f] << b.speedFan[f]
              << b.speedModeFan[f] << b.LEDModeFan[f] << b.monitorFan[f] << b.isRandomColorFan[f]
              << b.isAlertShownFan[f] << b.isPWMFan[f] << b.isTurnOffLedFan[f];
    }
    return out;
}

// Far above anything a healthy exchange or poll takes, even under the
// sanitizers; only a hang crosses it.
constexpr qint64 kDidNotHangMs = 5000;
