// Device faults: the core keeps running, exchanges stay bounded and the state
// model survives.
#include "common/syncreads.h"
#include "app/windowmessages.h"
#include "common/coreharness.h"

#include <QElapsedTimer>
#include <QThread>

using Fault = BoxEmulator::Fault;

namespace {
// Emulated boxes behind a transport that waits as a real HID read does (a read
// that finds no reply sleeps its whole time-out) and records the time-outs.
struct TimedTransport : HidTransport {
    explicit TimedTransport(BoxEmulator &emu) : emu(emu) {}
    struct Device : HidDevice {
        Device(std::unique_ptr<HidDevice> inner, TimedTransport &log) : inner(std::move(inner)), log(log) {}
        int write(const std::uint8_t *data, std::size_t length) override { return inner->write(data, length); }
        int read(std::uint8_t *data, std::size_t length, int timeoutMs) override
        {
            ++log.reads;
            log.minTimeoutMs = qMin(log.minTimeoutMs, timeoutMs);
            log.maxTimeoutMs = qMax(log.maxTimeoutMs, timeoutMs);
            const int n = inner->read(data, length, 0);
            if (n == 0 && timeoutMs != 0)  // a negative time-out would block for ever: nap instead
                QThread::msleep(static_cast<unsigned long>(timeoutMs > 0 ? timeoutMs : 200));
            return n;
        }
        std::unique_ptr<HidDevice> inner;
        TimedTransport &log;
    };
    std::unique_ptr<HidDevice> open(std::uint16_t vid, std::uint16_t pid) override
    {
        auto device = emu.open(vid, pid);
        return device ? std::make_unique<Device>(std::move(device), *this) : nullptr;
    }
    int countDevices(std::uint16_t vid, std::uint16_t pid) override { return emu.countDevices(vid, pid); }
    std::vector<HidOpenFailure> unopenableDevices(std::uint16_t vid, std::uint16_t pid) override
    {
        return emu.unopenableDevices(vid, pid);
    }
    BoxEmulator &emu;
    int reads = 0, minTimeoutMs = 1 << 30, maxTimeoutMs = -(1 << 30);
};

struct FaultRig {
    const bool isolated = isolateEnvironment();
    QTemporaryDir dir;
    ControllerState state;
    BoxEmulator emu;
    TimedTransport transport{emu};
    DeviceLink link{state, transport};
    SettingsStore store{state, dir.filePath(QStringLiteral("data"))};
    RecordingViewSink views;
    FanTimers timers{state, link, views};
    BoxSelection boxes{state, link, store, views, timers};
    WindowMessages messages{state, link, store, boxes, views, {}};

    explicit FaultRig(const QList<int> &boxes)
    {
        emu.setBoxes(boxes);
        link.connectAllBoxes();
        emu.clearSentReports();
    }
    ControllerBox &box(int b) { return state.boxArray[size_t(b)]; }
    int reportsTo(int b, std::uint8_t w1, std::uint8_t w2) const
    {
        return int(std::count_if(emu.sentReports().begin(), emu.sentReports().end(), [&](const auto &r) {
            return r.box == b && r.command[0] == w1 && r.command[1] == w2;
        }));
    }
    // The error texts shown after a device change.
    QString deviceChange()
    {
        views.clear();
        messages.handle(WindowMessages::kDeviceChange, 0, 0);
        return views.calls.filter(QStringLiteral("showError(")).join(QLatin1Char(' '));
    }
};

// Far above anything a healthy exchange or poll takes, even under the
// sanitizers; only a hang crosses it.
constexpr qint64 kDidNotHangMs = 5000;
} // namespace

class TestDeviceFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Box 1 is faulty, between two healthy boxes.
    void faultyBox()
    {
        for (Fault fault : {Fault::NoReply, Fault::WrongHeader, Fault::ShortReply, Fault::RejectWrites, Fault::LateReply,
                            Fault::VanishAfterWrite}) {
            FaultRig rig({0, 1, 2});
            rig.state.controllerBoxNumber = 1;
            setCurves(rig.box(1), {false, false, false});  // speed reports too
            rig.emu.setFault(1, fault);
            const QString before = dumpState(rig.state);

            // Every operation returns, and a failed exchange changes neither the
            // table nor the views' RPM and alarm.
            QElapsedTimer clock;
            clock.start();
            rig.link.applyBoxSettings(1);
            rig.link.setFanSpeedLevel(1, 2, 3);
            rig.link.setFanSpeedPercent(1, 0, 50);
            rig.link.setFanLedFlash(1, 1, 1, 2, 3, 1.0f);
            rig.link.saveToController(1);
            const QString version = readFirmwareNow(rig.link);
            for (int f = 0; f < rig.box(1).fanCount(); ++f) {
                const FanStatusReply reply = readStatusNow(rig.link, 1, f);
                QVERIFY(reply.length <= kReportSize);
                // Nothing past what the read returned is left from an earlier reply.
                QVERIFY(std::all_of(reply.data.begin() + qMax(reply.length, 0), reply.data.end(),
                                    [](std::uint8_t b) { return b == 0; }));
                QVERIFY(!DeviceLink::parseFanStatus(reply.data.data(), reply.length).valid);
            }
            rig.timers.pollRpm();
            rig.timers.pollRpm();
            QVERIFY(clock.elapsed() < kDidNotHangMs);
            if (fault != Fault::WrongHeader)  // whose version reply is not checked
                QCOMPARE(version, QStringLiteral("0"));
            QCOMPARE(dumpState(rig.state), before);
            QCOMPARE(rig.views.count(QStringLiteral("setRPM")), 0);
            QCOMPARE(rig.views.count(QStringLiteral("showAlert")), 0);
            QCOMPARE(rig.views.count(QStringLiteral("setBoxFault(1,")), 0);  // no reply of box 1 was used

            // Box 2 comes after the faulty box in the poll and still gets its readings.
            rig.state.controllerBoxNumber = 2;
            rig.timers.pollRpm();
            QCOMPARE(rig.views.count(QStringLiteral("setRPM")), 3);
            QCOMPARE(rig.views.count(QStringLiteral("setRPM(0")), 0);
            QCOMPARE(rig.reportsTo(0, 0x33, 0x51), 9);
            QCOMPARE(rig.reportsTo(2, 0x33, 0x51), 9);
            // No read, effects included, may block without a time-out.
            rig.state.volumePercent = 80;
            rig.timers.musicStep();
            rig.timers.sendRandomColour(0);
            QVERIFY(rig.transport.reads > 0);
            QVERIFY2(rig.transport.minTimeoutMs >= 0, "a read without time-out");
            QVERIFY(rig.transport.maxTimeoutMs <= DeviceLink::kReplyTimeoutMs);

            // Without reconnection, the next exchanges after the fault clears are
            // answered correctly; a reply left over from the fault (a late one
            // included) is not taken as another fan's. A vanished box waits for
            // the next scan.
            if (fault == Fault::VanishAfterWrite)
                continue;
            rig.emu.setFault(1, Fault::None);
            for (int f = 0; f < rig.box(1).fanCount(); ++f) {
                const FanStatusReply r = readStatusNow(rig.link, 1, f);
                const FanStatus status = DeviceLink::parseFanStatus(r.data.data(), r.length);
                QVERIFY(status.valid && status.fan == f);
            }
            rig.link.setFanLedSteady(1, 1, 40, 50, 60, 1.0f);
            QCOMPARE(rig.emu.fanState(1, 1).red, 40);
            QCOMPARE(rig.emu.fanState(1, 1).blue, 60);
            QVERIFY(rig.box(1).isConnected);
        }
    }

    // A box this user may not open is reported by number, and tried again at
    // every device change until it opens or is gone.
    void lockedBoxIsTriedAgainAtEveryDeviceChange()
    {
        FaultRig rig({0, 5});
        const QString locked = QStringLiteral("showError(1,0,0) showError(0,0,2,5)");
        rig.emu.setFault(5, Fault::NoPermission);
        QCOMPARE(rig.deviceChange(), locked);
        QCOMPARE(rig.deviceChange(), locked);  // nothing changed: still tried, still reported
        QVERIFY(!rig.box(5).isConnected);
        rig.emu.setFault(5, Fault::None);  // the udev rule installed
        QCOMPARE(rig.deviceChange(), QStringLiteral("showError(1,0,0)"));
        QVERIFY(rig.box(5).isConnected);
        rig.emu.setFault(5, Fault::NoPermission);
        QCOMPARE(rig.deviceChange(), locked);
        rig.emu.setBoxes({0});  // unplugged while locked: the message goes
        QCOMPARE(rig.deviceChange(), QStringLiteral("showError(1,0,0)"));
    }
};

QTEST_GUILESS_MAIN(TestDeviceFaults)
#include "tst_devicefaults.moc"
