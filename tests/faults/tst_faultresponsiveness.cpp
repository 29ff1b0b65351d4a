#include "faults/faultrig.h"

#include "app/windowmessages.h"

#include <QTimer>
#include <QtTest>

class TestFaultResponsiveness : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env.isValid()); isolateFaultEnvironment(m_env); }

    void eventLoopTurnsWhileBoxIsSilent();
    void vanishedBoxStaysConnectedUntilDeviceChange();
    void silentBoxIsStillPresentAfterDeviceChange();
    void vanishedBoxComesBackWithNextDeviceChange();

private:
    QTemporaryDir m_env;
};

// Music ticks and the RPM poll run against a box that never answers; every
// read waits its full time-out. An unrelated timer must keep firing.
void TestFaultResponsiveness::eventLoopTurnsWhileBoxIsSilent()
{
    FaultRig rig({0, 1, 2});
    rig.emu.setFault(1, BoxEmulator::Fault::NoReply);
    rig.state.volumePercent = 70;
    int ticks = 0;
    QTimer unrelated;
    connect(&unrelated, &QTimer::timeout, [&ticks] { ++ticks; });
    unrelated.start(20);
    rig.tasks.startRpmPoll();
    rig.tasks.startMusic();

    QElapsedTimer clock;
    clock.start();
    QTest::qWait(2500);
    const qint64 spent = clock.elapsed();
    rig.tasks.stopMusic();
    rig.tasks.stopRpmPoll();
    unrelated.stop();

    QVERIFY2(spent < 2500 + kDidNotHangMs, "the event loop hung");
    QVERIFY2(ticks >= 5, qPrintable(QStringLiteral("unrelated timer fired %1 times").arg(ticks)));
    // Both effects kept working for the healthy boxes.
    QVERIFY(rig.reportsTo(0, 0x33, 0x51) >= 3);
    QVERIFY(rig.reportsTo(2, 0x32, 0x52) >= 3 * 3);
    QVERIFY(rig.box(1).isConnected);
    qInfo("silent box: %d unrelated ticks of 20 ms in %lld ms, %d music reports to a healthy box", ticks, spent,
          rig.reportsTo(2, 0x32, 0x52));
}

void TestFaultResponsiveness::vanishedBoxStaysConnectedUntilDeviceChange()
{
    FaultRig rig({0, 5});
    WindowMessages messages(rig.state, rig.link, rig.store, rig.tasks, rig.views, {});
    rig.emu.setFault(5, BoxEmulator::Fault::VanishAfterWrite);
    rig.link.applyBoxSettings(5);
    QCOMPARE(rig.emu.pluggedCount(5), 0);

    // Nothing notices the loss by itself: the flag stays until the next scan,
    // and the box keeps being asked (each exchange fails at once).
    QVERIFY(rig.box(5).isConnected);
    QCOMPARE(rig.link.buildControllerStr(), QStringLiteral("1000010000000000"));
    QElapsedTimer clock;
    clock.start();
    rig.tasks.updateSpeed();
    QVERIFY(clock.elapsed() < kDidNotHangMs);
    QCOMPARE(rig.views.count(QStringLiteral("showAlert")), 0);

    QVERIFY(messages.handle(WindowMessages::kDeviceChange, 0, 0));
    QVERIFY(!rig.box(5).isConnected);
    QVERIFY(!rig.box(5).hidHandle);
    QVERIFY(rig.box(0).isConnected);
    QCOMPARE(rig.state.checkControllerStr, QStringLiteral("1000000000000000"));
    rig.emu.clearSentReports();
    rig.tasks.updateSpeed();
    QCOMPARE(rig.reportsTo(5, 0x33, 0x51), 0);
    QCOMPARE(rig.reportsTo(0, 0x33, 0x51), 3);
}

void TestFaultResponsiveness::silentBoxIsStillPresentAfterDeviceChange()
{
    FaultRig rig({0, 5});
    WindowMessages messages(rig.state, rig.link, rig.store, rig.tasks, rig.views, {});
    rig.emu.setFault(5, BoxEmulator::Fault::NoReply);
    const QString before = snapshot(rig.state);
    QVERIFY(messages.handle(WindowMessages::kDeviceChange, 0, 0));
    // Nothing was plugged or unplugged: no reconnection, nothing changed.
    QCOMPARE(snapshot(rig.state), before);
    QVERIFY(rig.box(5).isConnected);
}

void TestFaultResponsiveness::vanishedBoxComesBackWithNextDeviceChange()
{
    FaultRig rig({2});
    WindowMessages messages(rig.state, rig.link, rig.store, rig.tasks, rig.views, {});
    rig.state.controllerBoxNumber = 2;
    rig.emu.setFault(2, BoxEmulator::Fault::VanishAfterWrite);
    rig.link.setFanLedCycle(2, 0);
    QVERIFY(messages.handle(WindowMessages::kDeviceChange, 0, 0));
    QVERIFY(!rig.box(2).isConnected);

    rig.emu.setFault(2, BoxEmulator::Fault::None);
    rig.emu.setBoxes({2});
    rig.emu.clearSentReports();
    QVERIFY(messages.handle(WindowMessages::kDeviceChange, 0, 0));
    QVERIFY(rig.box(2).isConnected);
    // The box got its settings again and answers the poll.
    QCOMPARE(rig.reportsTo(2, 0x32, 0x52), 3);
    rig.views.clear();
    rig.tasks.updateSpeed();
    QCOMPARE(rig.views.count(QStringLiteral("setRPM(")), 3);
}

QTEST_GUILESS_MAIN(TestFaultResponsiveness)
#include "tst_faultresponsiveness.moc"
