#include "faults/faultrig.h"

#include "app/windowmessages.h"

#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(BoxEmulator::Fault)

using Fault = BoxEmulator::Fault;

class TestDeviceFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void faultyBox_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("NoReply") << Fault::NoReply;
        QTest::newRow("WrongHeader") << Fault::WrongHeader;
        QTest::newRow("ShortReply") << Fault::ShortReply;
        QTest::newRow("RejectWrites") << Fault::RejectWrites;
        QTest::newRow("LateReply") << Fault::LateReply;
        QTest::newRow("VanishAfterWrite") << Fault::VanishAfterWrite;
    }

    // Box 1 is faulty, between two healthy boxes.
    void faultyBox()
    {
        QFETCH(Fault, fault);
        FaultRig rig({0, 1, 2});
        rig.state.controllerBoxNumber = 1;
        rig.box(1).isPWMFan = {false, false, false};  // speed reports too
        rig.emu.setFault(1, fault);
        const QString before = snapshot(rig.state);

        // Every operation returns, and a failed exchange changes neither the
        // table nor the views' RPM and alarm.
        QElapsedTimer clock;
        clock.start();
        rig.link.applyBoxSettings(1);
        rig.link.setFanSpeedLevel(1, 2, 3);
        rig.link.setFanSpeedByTemperature(45, 1, 0);
        rig.link.setFanLedFlash(1, 1, 1, 2, 3, 1.0f);
        rig.link.saveToController(1);
        const QString version = rig.link.readFirmwareVersion();
        for (int f = 0; f < kFanCount; ++f) {
            const FanStatusReply reply = rig.link.readFanStatus(1, f);
            QVERIFY(reply.length <= kReportSize);
            // Nothing past what the read returned is left from an earlier reply.
            QVERIFY(std::all_of(reply.data.begin() + qMax(reply.length, 0), reply.data.end(),
                                [](std::uint8_t b) { return b == 0; }));
            QVERIFY(!DeviceLink::parseFanStatus(reply.data.data(), reply.length).valid);
        }
        rig.tasks.updateSpeed();
        rig.tasks.updateSpeed();
        QVERIFY(clock.elapsed() < kDidNotHangMs);
        if (fault != Fault::WrongHeader)  // whose version reply is not checked
            QCOMPARE(version, QStringLiteral("0"));
        QCOMPARE(snapshot(rig.state), before);
        QCOMPARE(rig.views.count(QStringLiteral("setRPM")), 0);
        QCOMPARE(rig.views.count(QStringLiteral("showAlert")), 0);
        QCOMPARE(rig.views.count(QStringLiteral("setBoxFault(1,")), 0);  // no reply of box 1 was used

        // Box 2 comes after the faulty box in the poll and still gets its readings.
        rig.state.controllerBoxNumber = 2;
        rig.tasks.updateSpeed();
        QCOMPARE(rig.views.count(QStringLiteral("setRPM")), 3);
        QCOMPARE(rig.views.count(QStringLiteral("setRPM(0")), 0);
        QCOMPARE(rig.reportsTo(0, 0x33, 0x51), 9);
        QCOMPARE(rig.reportsTo(2, 0x33, 0x51), 9);
        // No read, effects included, may block without a time-out.
        rig.state.volumePercent = 80;
        rig.tasks.controlRGBValue();
        rig.tasks.sendBrightFan1();
        QVERIFY(rig.transport.reads > 0);
        QVERIFY2(rig.transport.minTimeoutMs >= 0, "a read without time-out");
        QVERIFY(rig.transport.maxTimeoutMs <= DeviceLink::kReplyTimeoutMs);

        // Without reconnection, the next exchanges after the fault clears are
        // answered correctly; a reply left over from the fault is not taken as
        // another fan's (a vanished box waits for the next scan).
        if (fault == Fault::VanishAfterWrite)
            return;
        rig.emu.setFault(1, Fault::None);
        for (int f = 0; f < kFanCount; ++f) {
            const FanStatus status = rig.status(1, f);
            QVERIFY(status.valid);
            QCOMPARE(status.fan, f);
        }
        rig.link.setFanLedSteady(1, 1, 40, 50, 60, 1.0f);
        QCOMPARE(rig.emu.fanState(1, 1).red, 40);
        QCOMPARE(rig.emu.fanState(1, 1).blue, 60);
        QVERIFY(rig.box(1).isConnected);
    }

    // Music ticks and the RPM poll run against a box that never answers; every
    // read waits its full time-out. An unrelated timer must keep firing.
    void eventLoopTurnsWhileBoxIsSilent()
    {
        FaultRig rig({0, 1, 2});
        rig.emu.setFault(1, Fault::NoReply);
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
    }

    void vanishedBoxIsDroppedAndComesBackWithDeviceChanges()
    {
        FaultRig rig({0, 5});
        WindowMessages messages(rig.state, rig.link, rig.store, rig.tasks, rig.views, {});
        rig.emu.setFault(5, Fault::VanishAfterWrite);
        rig.link.applyBoxSettings(5);

        // Nothing notices the loss by itself: the flag stays until the next scan,
        // and the box keeps being asked (each exchange fails at once).
        QVERIFY(rig.box(5).isConnected);
        QCOMPARE(rig.link.buildControllerStr(), QStringLiteral("1000010000000000"));
        rig.tasks.updateSpeed();
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

        // Plugged in again: the next device change reconnects it, resends its
        // settings, and the poll reads it.
        rig.state.controllerBoxNumber = 5;
        rig.emu.setFault(5, Fault::None);
        rig.emu.setBoxes({0, 5});
        rig.emu.clearSentReports();
        QVERIFY(messages.handle(WindowMessages::kDeviceChange, 0, 0));
        QVERIFY(rig.box(5).isConnected);
        QCOMPARE(rig.reportsTo(5, 0x32, 0x52), 3);
        rig.views.clear();
        rig.tasks.updateSpeed();
        QCOMPARE(rig.views.count(QStringLiteral("setRPM(")), 3);
    }

    // A box this user may not open is reported by number, and tried again at
    // every device change until it opens or is gone.
    void lockedBoxIsTriedAgainAtEveryDeviceChange()
    {
        FaultRig rig({0, 5});
        WindowMessages messages(rig.state, rig.link, rig.store, rig.tasks, rig.views, {});
        const auto change = [&] {
            rig.views.clear();
            messages.handle(WindowMessages::kDeviceChange, 0, 0);
            return rig.views.calls.filter(QStringLiteral("showError(")).join(QLatin1Char(' '));
        };
        const QString locked = QStringLiteral("showError(1,0,0) showError(0,0,2,5)");
        rig.emu.setFault(5, Fault::NoPermission);
        QCOMPARE(change(), locked);
        QCOMPARE(change(), locked);  // nothing changed: still tried, still reported
        QVERIFY(!rig.box(5).isConnected);
        rig.emu.setFault(5, Fault::None);  // the udev rule installed
        QCOMPARE(change(), QStringLiteral("showError(1,0,0)"));
        QVERIFY(rig.box(5).isConnected);
        rig.emu.setFault(5, Fault::NoPermission);
        QCOMPARE(change(), locked);
        rig.emu.setBoxes({0});  // unplugged while locked: the message goes
        QCOMPARE(change(), QStringLiteral("showError(1,0,0)"));
    }

    void silentBoxIsStillPresentAfterDeviceChange()
    {
        FaultRig rig({0, 5});
        WindowMessages messages(rig.state, rig.link, rig.store, rig.tasks, rig.views, {});
        rig.emu.setFault(5, Fault::NoReply);
        const QString before = snapshot(rig.state);
        QVERIFY(messages.handle(WindowMessages::kDeviceChange, 0, 0));
        // Nothing was plugged or unplugged: no reconnection, nothing changed.
        QCOMPARE(snapshot(rig.state), before);
        QVERIFY(rig.box(5).isConnected);
    }
};

QTEST_GUILESS_MAIN(TestDeviceFaults)
#include "tst_devicefaults.moc"
