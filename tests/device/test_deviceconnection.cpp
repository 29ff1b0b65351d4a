// Opening and probing the boxes, presence map, counting, and boxes that
// misbehave during an exchange.
#include "devicefixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestDeviceConnection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void presenceOfBoxesZeroAndTwo();
    void noBoxes();
    void rejectedProbeIsAbsent();
    void duplicateProductIdCountsTwo();
    void foreignIdsAreNeverCounted();
    void buildControllerStrFollowsFlags();
    void reconnectDropsVanishedBox();
    void silentBoxReturns();
    void lateReplyIsNotTakenForTheNextAnswer();
    void wrongHeaderIsIgnored();
    void shortReplyIsNotParsed();
    void vanishedBoxFailsSilently();
    void unpluggedThroughBoxListFile();
};

void TestDeviceConnection::presenceOfBoxesZeroAndTwo()
{
    ControllerState state;
    BoxEmulator emulator;
    emulator.setBoxes({0, 2});
    DeviceLink link(state, emulator);
    link.connectAllBoxes();
    QCOMPARE(state.checkControllerStr, QStringLiteral("1010000000000000"));
    for (int b = 0; b < kBoxCount; ++b) {
        QCOMPARE(state.boxArray[size_t(b)].isConnected, b == 0 || b == 2);
        QCOMPARE(state.boxArray[size_t(b)].hidHandle != nullptr, b == 0 || b == 2);
    }
    QCOMPARE(emulator.traceLines(), (QStringList{"0 fe 33 00 00 00 00 00 00", "2 fe 33 00 00 00 00 00 00"}));
}

void TestDeviceConnection::noBoxes()
{
    DeviceFixture fx(QList<int>{});
    QCOMPARE(fx.state.checkControllerStr, QStringLiteral("0000000000000000"));
    QVERIFY(fx.sent().isEmpty());
}

void TestDeviceConnection::rejectedProbeIsAbsent()
{
    ControllerState state;
    BoxEmulator emulator;
    emulator.setBoxes({0, 2});
    emulator.setFault(2, BoxEmulator::Fault::RejectWrites);
    DeviceLink link(state, emulator);
    link.connectAllBoxes();
    QCOMPARE(state.checkControllerStr, QStringLiteral("1000000000000000"));
    QVERIFY(!state.boxArray[2].isConnected);
    // The handle is kept until the next scan.
    QVERIFY(state.boxArray[2].hidHandle != nullptr);
    link.setFanLedCycle(2, 0);
    QCOMPARE(emulator.traceLines(), QStringList{"0 fe 33 00 00 00 00 00 00"});
}

void TestDeviceConnection::duplicateProductIdCountsTwo()
{
    DeviceFixture fx({3, 3, 5});
    ScanUSB scan(fx.emulator);
    QCOMPARE(scan.countDevices(kControllerVendorId, productIdForBox(3)), 2);
    QCOMPARE(scan.countDevices(kControllerVendorId, productIdForBox(5)), 1);
    QCOMPARE(scan.countDevices(kControllerVendorId, productIdForBox(4)), 0);
    QCOMPARE(fx.state.checkControllerStr, QStringLiteral("0001010000000000"));
}

void TestDeviceConnection::foreignIdsAreNeverCounted()
{
    BoxEmulator emulator;
    emulator.setBoxes({0, 15});
    ScanUSB scan(emulator);
    QCOMPARE(scan.countDevices(kControllerVendorId, productIdForBox(15)), 1);
    QCOMPARE(scan.countDevices(kControllerVendorId + 1, productIdForBox(0)), 0);
    QCOMPARE(scan.countDevices(kControllerVendorId, kFirstProductId - 1), 0);
    QCOMPARE(scan.countDevices(kControllerVendorId, kFirstProductId + 16), 0);
    QVERIFY(!emulator.open(kControllerVendorId + 1, productIdForBox(0)));
    QVERIFY(!emulator.open(kControllerVendorId, kFirstProductId + 16));
    QVERIFY(emulator.open(kControllerVendorId, productIdForBox(15)));
}

void TestDeviceConnection::buildControllerStrFollowsFlags()
{
    DeviceFixture fx;
    fx.box(0).isConnected = false;
    fx.box(15).isConnected = true;
    QCOMPARE(fx.link.buildControllerStr(), QStringLiteral("0010000000000001"));
    QCOMPARE(fx.state.checkControllerStr, QStringLiteral("0010000000000001"));
    QVERIFY(fx.sent().isEmpty());
}

void TestDeviceConnection::reconnectDropsVanishedBox()
{
    DeviceFixture fx;
    fx.emulator.setBoxes({1});
    fx.link.connectAllBoxes();
    QCOMPARE(fx.state.checkControllerStr, QStringLiteral("0100000000000000"));
    QVERIFY(!fx.box(0).hidHandle);
    QVERIFY(!fx.box(0).isConnected);
    QCOMPARE(fx.sent(), QStringList{"1 fe 33 00 00 00 00 00 00"});
}

void TestDeviceConnection::silentBoxReturns()
{
    DeviceFixture fx;
    fx.emulator.setFault(0, BoxEmulator::Fault::NoReply);
    QElapsedTimer clock;
    clock.start();
    const FanStatusReply r = fx.link.readFanStatus(0, 0);
    fx.link.setFanSpeedLevel(0, 0, 2);
    QCOMPARE(fx.link.readFirmwareVersion(), QStringLiteral("0"));
    QVERIFY(clock.elapsed() < 2000);  // only catches a hang
    QCOMPARE(r.length, 0);
    QVERIFY(!DeviceLink::parseFanStatus(r.data.data(), r.length).valid);
    QVERIFY(fx.box(0).isConnected);
    QCOMPARE(fx.sent().size(), 3);
}

void TestDeviceConnection::lateReplyIsNotTakenForTheNextAnswer()
{
    DeviceFixture fx;
    fx.emulator.setFault(0, BoxEmulator::Fault::LateReply);
    for (int round = 0; round < 3; ++round) {
        for (int fan = 0; fan < kFanCount; ++fan) {
            const FanStatusReply r = fx.link.readFanStatus(0, fan);
            const FanStatus s = DeviceLink::parseFanStatus(r.data.data(), r.length);
            if (s.valid)
                QCOMPARE(s.fan, fan);
            QVERIFY(r.length <= 0 || r.data[2] == fan + 1);
        }
    }
    // The link still answers correctly once the box is back to normal.
    fx.emulator.setFault(0, BoxEmulator::Fault::None);
    const FanStatusReply r = fx.link.readFanStatus(0, 1);
    const FanStatus s = DeviceLink::parseFanStatus(r.data.data(), r.length);
    QVERIFY(s.valid);
    QCOMPARE(s.fan, 1);
}

void TestDeviceConnection::wrongHeaderIsIgnored()
{
    DeviceFixture fx;
    fx.emulator.setFault(2, BoxEmulator::Fault::WrongHeader);
    const FanStatusReply r = fx.link.readFanStatus(2, 0);
    QCOMPARE(r.length, 64);
    QVERIFY(!DeviceLink::parseFanStatus(r.data.data(), r.length).valid);
}

void TestDeviceConnection::shortReplyIsNotParsed()
{
    DeviceFixture fx;
    fx.emulator.setFault(2, BoxEmulator::Fault::ShortReply);
    const FanStatusReply r = fx.link.readFanStatus(2, 0);
    QCOMPARE(r.length, 3);
    QCOMPARE(int(r.data[5]), 0);  // nothing past the reply's length is left behind
    QVERIFY(!DeviceLink::parseFanStatus(r.data.data(), r.length).valid);
    fx.state.controllerBoxNumber = 2;
    QCOMPARE(fx.link.readFirmwareVersion(), QStringLiteral("0"));
}

void TestDeviceConnection::vanishedBoxFailsSilently()
{
    DeviceFixture fx;
    fx.emulator.setFault(2, BoxEmulator::Fault::VanishAfterWrite);
    ControllerBox &box = fx.box(2);
    box.RColorFan[1] = 12;
    box.isPWMFan[1] = false;
    QCOMPARE(fx.link.readFanStatus(2, 0).length, -1);
    QCOMPARE(fx.sent().size(), 1);

    fx.link.applyBoxSettings(2);
    fx.link.saveToController(2);
    QCOMPARE(fx.link.readFanStatus(2, 1).length, -1);
    QCOMPARE(fx.sent().size(), 1);  // the box is gone: nothing more arrives
    QVERIFY(box.isConnected);       // until the next scan
    QCOMPARE(box.RColorFan[1], 12);
    QVERIFY(!box.isPWMFan[1]);
    QCOMPARE(fx.state.checkControllerStr, QStringLiteral("1010000000000000"));

    // The other box is unaffected.
    QCOMPARE(fx.link.readFanStatus(0, 0).length, 64);

    fx.link.connectAllBoxes();
    QCOMPARE(fx.state.checkControllerStr, QStringLiteral("1000000000000000"));
}

void TestDeviceConnection::unpluggedThroughBoxListFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("boxes");
    auto writeList = [&](const QByteArray &text) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    writeList("0,2\n");
    ControllerState state;
    BoxEmulator emulator;
    emulator.setBoxListFile(path);
    DeviceLink link(state, emulator);
    link.connectAllBoxes();
    QCOMPARE(state.checkControllerStr, QStringLiteral("1010000000000000"));

    writeList("0");
    ScanUSB scan(emulator);
    QCOMPARE(scan.countDevices(kControllerVendorId, productIdForBox(2)), 0);
    emulator.clearSentReports();
    QCOMPARE(link.readFanStatus(2, 0).length, -1);
    QVERIFY(emulator.traceLines().isEmpty());
    QCOMPARE(link.readFanStatus(0, 0).length, 64);

    writeList("0,2,2");
    QCOMPARE(scan.countDevices(kControllerVendorId, productIdForBox(2)), 2);
    // The old handle stays dead; a new scan reaches the box again.
    QCOMPARE(link.readFanStatus(2, 0).length, -1);
    link.connectAllBoxes();
    QCOMPARE(state.checkControllerStr, QStringLiteral("1010000000000000"));
    QCOMPARE(link.readFanStatus(2, 0).length, 64);
}

QTEST_GUILESS_MAIN(TestDeviceConnection)
#include "test_deviceconnection.moc"
