#include "faults/faultrig.h"

#include <QRegularExpression>
#include <QtTest>

Q_DECLARE_METATYPE(BoxEmulator::Fault)

using Fault = BoxEmulator::Fault;

class TestDeviceFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env.isValid()); isolateFaultEnvironment(m_env); }

    void faultyBoxLeavesStateAlone_data();
    void faultyBoxLeavesStateAlone();
    void faultyBoxDoesNotStopOthers_data() { faultyBoxLeavesStateAlone_data(); }
    void faultyBoxDoesNotStopOthers();
    void boxRecoversWhenFaultClears_data();
    void boxRecoversWhenFaultClears();
    void lateRepliesNeverAnswerTheWrongRequest();
    void rejectedProbeLeavesBoxDisconnected();
    void readsNeverBlockWithoutTimeOut();

private:
    QTemporaryDir m_env;
};

void TestDeviceFaults::faultyBoxLeavesStateAlone_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("NoReply") << Fault::NoReply;
    QTest::newRow("WrongHeader") << Fault::WrongHeader;
    QTest::newRow("ShortReply") << Fault::ShortReply;
    QTest::newRow("VanishAfterWrite") << Fault::VanishAfterWrite;
    QTest::newRow("RejectWrites") << Fault::RejectWrites;
    QTest::newRow("LateReply") << Fault::LateReply;
}

// Every operation that talks to the box returns within the bound, and a failed
// exchange changes neither the table nor the views' RPM and alarm.
void TestDeviceFaults::faultyBoxLeavesStateAlone()
{
    QFETCH(Fault, fault);
    FaultRig rig({0, 1});
    rig.state.controllerBoxNumber = 1;
    rig.box(1).isPWMFan = {false, false, false};  // speed reports too
    rig.emu.setFault(1, fault);
    const QString before = snapshot(rig.state);

    QElapsedTimer clock;
    const auto bounded = [&](const char *what, const std::function<void()> &op) {
        clock.start();
        op();
        QVERIFY2(clock.elapsed() < kDidNotHangMs, what);
    };
    bounded("applyBoxSettings", [&] { rig.link.applyBoxSettings(1); });
    bounded("setFanSpeedLevel", [&] { rig.link.setFanSpeedLevel(1, 2, 3); });
    bounded("setFanSpeedByTemperature", [&] { rig.link.setFanSpeedByTemperature(45, 1, 0); });
    bounded("setFanLedFlash", [&] { rig.link.setFanLedFlash(1, 1, 1, 2, 3, 1.0f); });
    bounded("saveToController", [&] { rig.link.saveToController(1); });
    QString version;
    bounded("readFirmwareVersion", [&] { version = rig.link.readFirmwareVersion(); });
    for (int f = 0; f < kFanCount; ++f) {
        FanStatusReply reply;
        bounded("readFanStatus", [&] { reply = rig.link.readFanStatus(1, f); });
        QVERIFY(reply.length <= kReportSize);
        const FanStatus status = DeviceLink::parseFanStatus(reply.data.data(), reply.length);
        QVERIFY2(!status.valid, qPrintable(QStringLiteral("fan %1 got a reading").arg(f)));
    }
    bounded("updateSpeed", [&] { rig.tasks.updateSpeed(); });
    bounded("updateSpeed again", [&] { rig.tasks.updateSpeed(); });

    // Without a reply there is no version (a wrong header is not checked for it).
    if (fault != Fault::WrongHeader)
        QCOMPARE(version, QStringLiteral("0"));
    QCOMPARE(snapshot(rig.state), before);
    QCOMPARE(rig.views.count(QStringLiteral("setRPM")), 0);
    QCOMPARE(rig.views.count(QStringLiteral("showAlert")), 0);
    QCOMPARE(rig.views.count(QStringLiteral("setBoxFault(1,true)")), 0);
}

void TestDeviceFaults::faultyBoxDoesNotStopOthers()
{
    QFETCH(Fault, fault);
    FaultRig rig({0, 1, 2});
    rig.emu.setFault(1, fault);
    rig.tasks.updateSpeed();
    rig.state.controllerBoxNumber = 2;
    rig.views.clear();
    rig.tasks.updateSpeed();
    // Box 2 comes after the faulty box in the poll and still gets its readings.
    QCOMPARE(rig.views.count(QStringLiteral("setRPM")), 3);
    QCOMPARE(rig.views.count(QStringLiteral("setRPM(0")), 0);
    QCOMPARE(rig.reportsTo(0, 0x33, 0x51), 6);
    QCOMPARE(rig.reportsTo(2, 0x33, 0x51), 6);
    const FanStatusReply reply = rig.link.readFanStatus(0, 2);
    const FanStatus status = DeviceLink::parseFanStatus(reply.data.data(), reply.length);
    QVERIFY(status.valid);
    QCOMPARE(status.fan, 2);
    QVERIFY(status.rpm > 0);
}

void TestDeviceFaults::boxRecoversWhenFaultClears_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("NoReply") << Fault::NoReply;
    QTest::newRow("WrongHeader") << Fault::WrongHeader;
    QTest::newRow("ShortReply") << Fault::ShortReply;
    QTest::newRow("RejectWrites") << Fault::RejectWrites;
    QTest::newRow("LateReply") << Fault::LateReply;
}

void TestDeviceFaults::boxRecoversWhenFaultClears()
{
    QFETCH(Fault, fault);
    FaultRig rig({3});
    rig.emu.setFault(3, fault);
    for (int f = 0; f < kFanCount; ++f)
        rig.link.readFanStatus(3, f);
    rig.link.setFanLedSteady(3, 0, 10, 20, 30, 1.0f);
    rig.emu.setFault(3, Fault::None);

    // No reconnection needed: the next exchanges are answered correctly.
    for (int f = 0; f < kFanCount; ++f) {
        const FanStatusReply reply = rig.link.readFanStatus(3, f);
        const FanStatus status = DeviceLink::parseFanStatus(reply.data.data(), reply.length);
        QVERIFY(status.valid);
        QCOMPARE(status.fan, f);
    }
    rig.link.setFanLedSteady(3, 1, 40, 50, 60, 1.0f);
    QCOMPARE(rig.emu.fanState(3, 1).red, 40);
    QCOMPARE(rig.emu.fanState(3, 1).blue, 60);
    QVERIFY(rig.box(3).isConnected);
}

// A reply that comes one read late must be dropped, not taken as the answer
// to the next request (which would show fan 1's RPM as fan 2's).
void TestDeviceFaults::lateRepliesNeverAnswerTheWrongRequest()
{
    FaultRig rig({0});
    rig.emu.setStalledFans({{0, 0}});
    rig.emu.setFault(0, Fault::LateReply);
    rig.tasks.updateSpeed();
    rig.tasks.updateSpeed();
    QCOMPARE(rig.views.count(QStringLiteral("setRPM")), 0);
    QCOMPARE(rig.views.count(QStringLiteral("showAlert")), 0);
    rig.emu.setFault(0, Fault::None);
    rig.views.clear();
    rig.tasks.updateSpeed();
    QCOMPARE(rig.views.calls.filter(QStringLiteral("setRPM(")).size(), 3);
    QVERIFY(rig.views.calls.contains(QStringLiteral("setRPM(0,0)")));
    QCOMPARE(rig.views.calls.filter(QRegularExpression(QStringLiteral("^setRPM\\(0,[12]\\)$"))).size(), 0);
    QCOMPARE(rig.views.count(QStringLiteral("showAlert(0)")), 1);
}

void TestDeviceFaults::rejectedProbeLeavesBoxDisconnected()
{
    FaultRig rig({});
    rig.emu.setBoxes({0, 4});
    rig.emu.setFault(4, Fault::RejectWrites);
    rig.link.connectAllBoxes();
    QVERIFY(rig.box(0).isConnected);
    QVERIFY(!rig.box(4).isConnected);
    QCOMPARE(rig.link.buildControllerStr(), QStringLiteral("1000000000000000"));
    rig.emu.clearSentReports();
    rig.link.applyBoxSettings(4);
    rig.tasks.updateSpeed();
    QCOMPARE(rig.reportsTo(4, 0x32, 0x52) + rig.reportsTo(4, 0x33, 0x51), 0);
}

void TestDeviceFaults::readsNeverBlockWithoutTimeOut()
{
    FaultRig rig({0, 1});
    rig.emu.setFault(1, Fault::NoReply);
    rig.state.volumePercent = 80;
    rig.tasks.updateSpeed();
    rig.tasks.controlRGBValue();
    rig.tasks.sendBrightFan1();
    rig.link.saveToController(1);
    QVERIFY(rig.transport.log.reads > 0);
    QVERIFY2(rig.transport.log.minTimeoutMs >= 0, "a read without time-out");
    QVERIFY(rig.transport.log.maxTimeoutMs <= DeviceLink::kReplyTimeoutMs);
}

QTEST_GUILESS_MAIN(TestDeviceFaults)
#include "tst_devicefaults.moc"
