// Report bytes, reply parsing, box presence and silent boxes of the device
// link, and what of the hidapi side can be checked without a box.
#include "common/syncreads.h"
#include "common/fanfields.h"
#include "core/controllerstate.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "device/hidapitransport.h"

#include <QtTest>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>
#include <limits>

using Fault = BoxEmulator::Fault;

namespace {
template <class Mode>
void setMode(Mode &mode, int number)  // the LED mode kept as a number or an enum
{
    mode = static_cast<Mode>(number);
}

// A link to emulated boxes, connected and with the probe reports forgotten.
struct Fixture {
    ControllerState state;
    BoxEmulator emulator;
    DeviceLink link{state, emulator};
    explicit Fixture(const QList<int> &boxes = {0, 2})
    {
        emulator.setBoxes(boxes);
        link.connectAllBoxes();
        emulator.clearSentReports();
    }
    ControllerBox &box(int b) { return state.boxArray[size_t(b)]; }
    QStringList sent() const { return emulator.traceLines(); }
};

FanStatus parse(const QByteArray &bytes, int length)
{
    Report buf{};
    std::copy(bytes.begin(), bytes.end(), buf.begin());
    return DeviceLink::parseFanStatus(buf.data(), length);
}

// Box 0 only: writes always succeed, replies come as the test says, and the
// time-out of each read that follows a write is recorded.
struct ScriptedBox : HidTransport, HidDevice {
    bool answers = true, afterWrite = false;
    int lateReplies = 0;  // replies found while draining, between exchanges
    QList<int> timeouts;
    struct Handle : HidDevice {
        explicit Handle(HidDevice &box) : box(box) {}
        int write(const std::uint8_t *d, std::size_t n) override { return box.write(d, n); }
        int read(std::uint8_t *d, std::size_t n, int t) override { return box.read(d, n, t); }
        HidDevice &box;
    };
    std::unique_ptr<HidDevice> open(std::uint16_t, std::uint16_t pid) override
    {
        return pid == productIdForBox(0) ? std::make_unique<Handle>(*this) : nullptr;
    }
    int countDevices(std::uint16_t, std::uint16_t pid) override { return pid == productIdForBox(0); }
    int write(const std::uint8_t *, std::size_t n) override { return afterWrite = true, int(n); }
    int read(std::uint8_t *data, std::size_t n, int timeoutMs) override
    {
        if (afterWrite)
            timeouts << timeoutMs;
        const bool reply = std::exchange(afterWrite, false) ? answers : lateReplies-- > 0;
        std::memset(data, 0, n);
        return reply ? 64 : 0;
    }
};
} // namespace

class TestDeviceLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void speedLevelReport()
    {
        Fixture fx;
        for (int level : {0, 1, 2, 3, 4, 5, 6, -1})
            fx.link.setFanSpeedLevel(0, qBound(0, level, 2), level);
        QCOMPARE(fx.sent(), (QStringList{"0 32 51 01 03 0a 00 00 00", "0 32 51 02 03 14 00 00 00",
                                         "0 32 51 03 03 28 00 00 00", "0 32 51 03 03 3c 00 00 00",
                                         "0 32 51 03 03 50 00 00 00", "0 32 51 03 03 64 00 00 00",
                                         "0 32 51 03 03 00 00 00 00", "0 32 51 01 03 00 00 00 00"}));
    }

    void ledReports()
    {
        Fixture fx;
        fx.link.setFanLedSteady(0, 0, 255, 128, 1, 1.0f);
        fx.link.setFanLedCycle(2, 1);
        fx.link.setFanLedFlash(2, 2, 255, 100, 7, 0.5f);
        fx.link.setFanLedSteady(0, 2, 255, 255, 255, 0.0f);  // brightness 0 is black
        QCOMPARE(fx.sent(), (QStringList{"0 32 52 01 00 ff 80 01 00", "2 32 52 02 01 00 00 00 00",
                                         "2 32 52 03 02 7f 32 03 00", "0 32 52 03 00 00 00 00 00"}));
        // Past the named bytes the whole 64-byte command is zero.
        for (const BoxEmulator::SentReport &r : fx.emulator.sentReports())
            QVERIFY(std::all_of(r.command.begin() + 7, r.command.end(), [](std::uint8_t b) { return b == 0; }));
    }

    void temperatureCurve()
    {
        const QList<QPair<int, int>> rows{{-20, 0}, {32, 0}, {33, 10}, {35, 10}, {36, 20},
                                          {47, 50}, {48, 60}, {59, 90}, {60, 100}, {95, 100}};
        for (const auto &r : rows)
            QVERIFY2(BuiltinCurve::curvePercent(r.first) == r.second, qPrintable(QString::number(r.first)));
    }

    // Curve value capped at (level + 5) x 10 %, a damaged level kept within 0..5.
    void speedByTemperature()
    {
        Fixture fx;
        const QList<QPair<int, int>> rows{{32, 5}, {45, 0}, {45, 5}, {70, 2}, {70, 5}, {70, 9}, {70, -8}};
        for (const auto &r : rows) {  // degrees, level
            fx.link.setFanSpeedPercent(0, 1, BuiltinCurve().percentAt(r.first, r.second));
        }
        QCOMPARE(fx.sent(), (QStringList{"0 32 51 02 03 00 00 00 00", "0 32 51 02 03 32 00 00 00",
                                         "0 32 51 02 03 32 00 00 00", "0 32 51 02 03 46 00 00 00",
                                         "0 32 51 02 03 64 00 00 00", "0 32 51 02 03 64 00 00 00",
                                         "0 32 51 02 03 00 00 00 00"}));
    }

    void parseFanStatus()
    {
        // reply, length, fan (-1: invalid), rpm
        const QList<std::tuple<const char *, int, int, int>> rows{
            {"3351020000341200", 64, 1, 4660}, {"3351030000ffff", 7, 2, 65535}, {"3351000000341200", 64, -1, 0},
            {"3351040000341200", 64, -1, 0},   {"3251020000341200", 64, -1, 0}, {"3350020000341200", 64, -1, 0},
            {"3351020000341200", 6, -1, 0},    {"3351020000341200", 0, -1, 0},  {"3351020000341200", -1, -1, 0}};
        for (const auto &[hex, length, fan, rpm] : rows) {
            const FanStatus s = parse(QByteArray::fromHex(hex), length);
            QVERIFY2(s.valid == (fan >= 0) && s.fan == fan && s.rpm == rpm, hex);
        }
    }

    void firmwareVersion()
    {
        const Report reply = DeviceLink::makeCommand({0x33, 0x50, 10, 0, 255});
        for (int length : {64, 5, 4, -1})  // r4 is the last byte needed
            QCOMPARE(DeviceLink::parseFirmwareVersion(reply.data(), length), QString(length >= 5 ? "10.0.255" : "0"));
        QCOMPARE(DeviceLink::parseFirmwareVersion(nullptr, 64), QStringLiteral("0"));

        Fixture fx;
        fx.state.controllerBoxNumber = 2;
        QCOMPARE(readFirmwareNow(fx.link), QStringLiteral("1.4.2"));
        QCOMPARE(fx.sent(), QStringList{"2 33 50 00 00 00 00 00 00"});
    }

    // Fan 0: LEDs off over flashing, fixed level 3. Fan 1: colour cycle, PWM.
    // Fan 2: flashing at half brightness, fixed level 0.
    void applyAndSaveSequence()
    {
        Fixture fx;
        ControllerBox &b = fx.box(2);
        setLedsOff(b, {true, false, false});
        for (int f = 0; f < 3; ++f)
            setMode(b.fans[f].lighting, f == 1 ? 1 : 2);
        setCurves(b, {false, true, false});
        setLevels(b, {3, 5, 0});
        b.fans[2].colour.red = 10;
        b.fans[2].colour.green = 20;
        b.fans[2].colour.blue = 31;
        b.fans[2].brightness = 0.5f;
        const QStringList settings{"2 32 52 01 00 00 00 00 00", "2 32 51 01 03 3c 00 00 00",
                                   "2 32 52 02 01 00 00 00 00", "2 32 52 03 02 05 0a 0f 00",
                                   "2 32 51 03 03 0a 00 00 00"};
        fx.link.applyBoxSettings(2);
        QCOMPARE(fx.sent(), settings);
        QCOMPARE(fx.emulator.saveCount(2), 0);
        fx.emulator.clearSentReports();
        fx.link.saveToController(2);
        QCOMPARE(fx.sent(), settings + QStringList{"2 32 53 00 00 00 00 00 00"});
        QCOMPARE(fx.emulator.saveCount(2), 1);

        // An unknown lighting mode sends no LED report, only the speed.
        fx.emulator.clearSentReports();
        setMode(b.fans[2].lighting, 7);
        fx.link.applyBoxSettings(2);
        QCOMPARE(fx.sent(), settings.mid(0, 3) + settings.mid(4));
    }

    // Boxes plugged in, the fault of box 2, and the presence map.
    void presence()
    {
        for (const auto &[boxes, fault, map] : {std::tuple{QList<int>{0, 2}, Fault::None, "1010000000000000"},
                                                {QList<int>{3, 3, 5}, Fault::None, "0001010000000000"},  // one ID twice
                                                {QList<int>{0, 2}, Fault::RejectWrites, "1000000000000000"},
                                                {QList<int>{0, 2, 9}, Fault::NoPermission, "1000000001000000"}}) {
            ControllerState state;
            BoxEmulator emulator;
            emulator.setBoxes(boxes);
            emulator.setFault(2, fault);
            DeviceLink link(state, emulator);
            const bool locked = fault == Fault::NoPermission;
            if (locked)  // the path and errno of the node that did not open
                QTest::ignoreMessage(QtWarningMsg, "box 3 is attached but cannot be opened: /dev/emulated-box-2: errno 13 "
                                                   "(Permission denied)");
            link.connectAllBoxes();
            QCOMPARE(state.checkControllerStr, QString(map));
            QCOMPARE(link.firstUnopenableBox(), locked ? 2 : -1);
            QStringList probes;
            for (int b = 0; b < kBoxCount; ++b) {
                const ControllerBox &box = state.boxArray[size_t(b)];
                QCOMPARE(box.isConnected, map[b] == '1');
                // A box whose probe failed keeps its handle until the next scan.
                QCOMPARE(box.hidHandle != nullptr, boxes.contains(b) && !(locked && b == 2));
                if (box.isConnected)
                    probes << QStringLiteral("%1 fe 33 00 00 00 00 00 00").arg(b);
            }
            link.setFanLedCycle(2, 0);  // sends only to a box that passed the probe
            QCOMPARE(emulator.traceLines().mid(0, probes.size()), probes);
            QCOMPARE(emulator.traceLines().size(), probes.size() + (map[2] == '1'));
        }
    }

    // A box that stops answering must not cost every later exchange the full
    // wait: after the first misses it is only probed now and then, until a
    // reply (in time, or late and found while draining) or a new scan.
    void silentBoxIsNotWaitedFor()
    {
        ControllerState state;
        ScriptedBox box;
        DeviceLink link{state, box};
        link.connectAllBoxes();
        const auto exchanges = [&](int n) {
            box.timeouts.clear();
            for (int i = 0; i < n; ++i)
                link.setFanLedCycle(0, 1);
            return box.timeouts;
        };
        constexpr int wait = DeviceLink::kReplyTimeoutMs;
        box.answers = false;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^box 1 does not answer;"));  // as the panel counts
        QTest::ignoreMessage(QtInfoMsg, "box 1 answers again");
        QList<int> expected;
        for (int missed = 0; missed < 45; ++missed)
            expected << (missed < DeviceLink::kSilentAfterMisses || missed % DeviceLink::kSilentProbeEvery == 0 ? wait : 0);
        QCOMPARE(exchanges(45), expected);
        QVERIFY(state.boxArray[0].isConnected);  // the misses leave the box alone
        box.lateReplies = 1;
        QCOMPARE(exchanges(2).first(), wait);
        exchanges(5);
        box.answers = true;
        QCOMPARE(exchanges(2), (QList<int>{0, wait}));  // the first, still silent, takes only what is there
        box.answers = false;
        exchanges(5);
        link.connectAllBoxes();
        QCOMPARE(exchanges(1), QList<int>{wait});
    }
    // Interrupted calls are retried with what is left of the time-out; real
    // errors and endless interrupts are not.
    void retryInterrupted()
    {
        QList<int> given;
        const auto run = [&given](QList<int> script, bool endless, int timeoutMs) {
            given.clear();
            return HidapiTransport::retryInterrupted(
                [&](int remaining) {
                    given.append(remaining);
                    if (script.isEmpty() && !endless)
                        return 5;
                    errno = script.isEmpty() ? EINTR : script.takeFirst();
                    if (given.size() == 1 && timeoutMs > 0)
                        QThread::msleep(20);
                    return -1;
                },
                timeoutMs);
        };
        QCOMPARE(run({EINTR, EINTR}, false, -1), 5);
        QCOMPARE(given, (QList<int>{-1, -1, -1}));  // no time-out stays none
        QCOMPARE(run({EIO}, false, 50), -1);
        QCOMPARE(given.size(), 1);
        QCOMPARE(run({}, true, 0), -1);
        QVERIFY(given.size() > 1 && given.size() < 100);
        QCOMPARE(run({EINTR}, false, 50), 5);
        QVERIFY(given.size() == 2 && given[0] == 50 && given[1] >= 0 && given[1] <= 30);
    }

    // One fan on the test clock: (ms, percent sent or -1, expected share of its top speed).
    // It starts at the default speed, lags about a second, reads 0 at 0 %, stalls at
    // 12 s and turns again from 15 s, as told.
    void fanPhysics()
    {
        Fixture fx({0});
        std::atomic<qint64> now{0};
        fx.emulator.setClock([&now] { return now.load(); });
        QList<BoxEmulator::FanEvent> stall, recovery;
        QVERIFY(BoxEmulator::parseFanEvents(" 0.1@12, 3.2@0", true, &stall, nullptr)
                && BoxEmulator::parseFanEvents("0.1@15.0", false, &recovery, nullptr));
        fx.emulator.addFanEvents(stall + recovery);
        const QList<std::tuple<int, int, double>> rows{
            {0, -1, 0.6},      {0, 0, 0.0},       {4000, -1, 0.0},   {5000, 100, 0.0},  {6000, -1, 0.632},
            {10000, -1, 0.99}, {11999, -1, 1.0},  {12000, -1, 0.0},  {14000, 100, 0.0}, {15000, -1, 0.0},
            {16000, -1, 0.632}, {16000, 20, 0.632}, {26000, -1, 0.2}};
        const int top = BoxEmulator::topRpm(0, 1);
        for (const auto &[ms, percent, share] : rows) {
            now = ms;
            if (percent >= 0)
                fx.link.setFanSpeedLevel(0, 1, percent == 0 ? 6 : percent / 20);  // level 6 sends 0 %
            const FanStatusReply reply = readStatusNow(fx.link, 0, 1);
            const int rpm = DeviceLink::parseFanStatus(reply.data.data(), reply.length).rpm;
            QVERIFY2(qAbs(rpm - share * top) <= top * 0.02, qPrintable(QStringLiteral("%1 ms: %2").arg(ms).arg(rpm)));
        }
        QVERIFY(top >= 1500 && top <= 2000 && BoxEmulator::topRpm(0, 2) != top && BoxEmulator::topRpm(3, 1) != top);
    }

    void hidapiRefusesWildcardIds()
    {
        HidapiTransport transport;  // hidapi reads 0 as "any device"
        QVERIFY(!transport.open(0, 0) && !transport.open(kControllerVendorId, 0));
        QCOMPARE(transport.countDevices(0, productIdForBox(0)), 0);
    }
};

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "test_devicelink.moc"
