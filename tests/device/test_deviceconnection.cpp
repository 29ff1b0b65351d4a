// Opening and probing the boxes, the presence map and counting. Boxes that
// misbehave during an exchange are covered in tests/faults.
#include "devicefixture.h"

#include <QtTest>

Q_DECLARE_METATYPE(BoxEmulator::Fault)

class TestDeviceConnection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void presence_data()
    {
        QTest::addColumn<QList<int>>("boxes");
        QTest::addColumn<int>("faulty");  // box given the fault, or -1
        QTest::addColumn<BoxEmulator::Fault>("fault");
        QTest::addColumn<QString>("map");
        const auto none = BoxEmulator::Fault::None;
        QTest::newRow("8001 and 8003") << QList<int>{0, 2} << -1 << none << "1010000000000000";
        QTest::newRow("none") << QList<int>{} << -1 << none << "0000000000000000";
        QTest::newRow("duplicate ID") << QList<int>{3, 3, 5} << -1 << none << "0001010000000000";
        QTest::newRow("probe rejected") << QList<int>{0, 2} << 2 << BoxEmulator::Fault::RejectWrites
                                        << "1000000000000000";
        QTest::newRow("no permission") << QList<int>{0, 2, 9} << 2 << BoxEmulator::Fault::NoPermission
                                       << "1000000001000000";
        QTest::newRow("last box") << QList<int>{15} << -1 << none << "0000000000000001";
    }

    void presence()
    {
        QFETCH(QList<int>, boxes);
        QFETCH(int, faulty);
        QFETCH(BoxEmulator::Fault, fault);
        QFETCH(QString, map);
        ControllerState state;
        BoxEmulator emulator;
        emulator.setBoxes(boxes);
        if (faulty >= 0)
            emulator.setFault(faulty, fault);
        DeviceLink link(state, emulator);
        const bool locked = fault == BoxEmulator::Fault::NoPermission;
        if (locked)  // the path and errno of the node that did not open
            QTest::ignoreMessage(QtWarningMsg, "box 2 is attached but cannot be opened: /dev/emulated-box-2: errno 13 "
                                               "(Permission denied)");
        link.connectAllBoxes();
        QCOMPARE(state.checkControllerStr, map);
        QCOMPARE(link.firstUnopenableBox(), locked ? faulty : -1);
        QStringList probes;
        for (int b = 0; b < kBoxCount; ++b) {
            const ControllerBox &box = state.boxArray[size_t(b)];
            QCOMPARE(box.isConnected, map[b] == '1');
            // A box whose probe failed keeps its handle until the next scan.
            QCOMPARE(box.hidHandle != nullptr, boxes.contains(b) && !(locked && b == faulty));
            if (box.isConnected)
                probes << QStringLiteral("%1 fe 33 00 00 00 00 00 00").arg(b);
        }
        QCOMPARE(emulator.traceLines(), probes);
        if (faulty >= 0) {
            link.setFanLedCycle(faulty, 0);
            QCOMPARE(emulator.traceLines(), probes);
        }
    }

    // Two boxes at one ID are both counted; other vendors and IDs outside 8001..8016
    // are never counted or opened.
    void countDevices()
    {
        BoxEmulator emulator;
        emulator.setBoxes({3, 3, 0, 15});
        ScanUSB scan(emulator);
        QCOMPARE(scan.countDevices(kControllerVendorId, productIdForBox(3)), 2);
        QCOMPARE(scan.countDevices(kControllerVendorId, productIdForBox(15)), 1);
        QCOMPARE(scan.countDevices(kControllerVendorId, productIdForBox(4)), 0);
        QCOMPARE(scan.countDevices(kControllerVendorId + 1, productIdForBox(0)), 0);
        QCOMPARE(scan.countDevices(kControllerVendorId, kFirstProductId - 1), 0);
        QCOMPARE(scan.countDevices(kControllerVendorId, kFirstProductId + 16), 0);
        QVERIFY(!emulator.open(kControllerVendorId + 1, productIdForBox(0)));
        QVERIFY(!emulator.open(kControllerVendorId, kFirstProductId + 16));
        QVERIFY(emulator.open(kControllerVendorId, productIdForBox(15)));
    }

    // A rescan drops a box that is gone; the map follows the flags either way.
    void reconnectAndRebuildMap()
    {
        DeviceFixture fx;
        fx.emulator.setBoxes({1});
        fx.link.connectAllBoxes();
        QCOMPARE(fx.state.checkControllerStr, QStringLiteral("0100000000000000"));
        QVERIFY(!fx.box(0).hidHandle);
        QVERIFY(!fx.box(0).isConnected);
        QCOMPARE(fx.sent(), QStringList{"1 fe 33 00 00 00 00 00 00"});
        fx.box(1).isConnected = false;
        fx.box(15).isConnected = true;
        QCOMPARE(fx.link.buildControllerStr(), QStringLiteral("0000000000000001"));
        QCOMPARE(fx.state.checkControllerStr, QStringLiteral("0000000000000001"));
        QCOMPARE(fx.sent().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDeviceConnection)
#include "test_deviceconnection.moc"
