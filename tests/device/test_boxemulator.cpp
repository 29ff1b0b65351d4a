// The emulated box firmware behind the transport interface.
#include "devicefixture.h"

#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(BoxEmulator::Fault)

using Fault = BoxEmulator::Fault;

class TestBoxEmulator : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parseLists()
    {
        QList<int> boxes{99};
        QVERIFY(BoxEmulator::parseBoxList(" 1 , 15 \n", &boxes));
        QCOMPARE(boxes, (QList<int>{1, 15}));
        QVERIFY(BoxEmulator::parseBoxList("0,2,2", &boxes));
        QCOMPARE(boxes, (QList<int>{0, 2, 2}));
        for (const char *bad : {"16", "-1", "a", "1,,2", "1;2"})
            QVERIFY2(!BoxEmulator::parseBoxList(bad, &boxes), bad);
        QCOMPARE(boxes, (QList<int>{0, 2, 2}));  // untouched on failure
        QVERIFY(BoxEmulator::parseBoxList("", &boxes));
        QVERIFY(boxes.isEmpty());

        QList<QPair<int, int>> fans;
        QVERIFY(BoxEmulator::parseStalledList("2.1,0.0", &fans));
        QCOMPARE(fans, (QList<QPair<int, int>>{{2, 1}, {0, 0}}));
        for (const char *bad : {"2.3", "16.0", "2", "2.1.0"})
            QVERIFY2(!BoxEmulator::parseStalledList(bad, &fans), bad);
    }

    void keepsAndSavesLedAndSpeedState()
    {
        BoxEmulator emu;
        emu.setBoxes({1});
        auto dev = openBox(emu, 1);
        send(*dev, {0x32, 0x52, 0x01, 0x00, 10, 20, 30});
        send(*dev, {0x32, 0x52, 0x01, 0x01});
        send(*dev, {0x32, 0x51, 0x03, 0x03, 40});
        send(*dev, {0x32, 0x52, 0x04, 0x00, 1, 1, 1});  // no port 4
        send(*dev, {0x32, 0x51, 0x00, 0x03, 90});       // no port 0
        QCOMPARE(emu.fanState(1, 0).ledMode, 1);
        QCOMPARE(emu.fanState(1, 0).green, 20);  // the cycle keeps the last colour
        QCOMPARE(emu.fanState(1, 2).speedPercent, 40);
        QCOMPARE(emu.fanState(1, 1).speedPercent, BoxEmulator::kDefaultSpeedPercent);
        QCOMPARE(emu.fanState(1, 1).red, 0);
        QCOMPARE(emu.fanState(1, 3).speedPercent, BoxEmulator::kDefaultSpeedPercent);  // out of range is harmless
        // Only the save report stores the current state.
        QCOMPARE(emu.savedFanState(1, 0).ledMode, 0);
        send(*dev, {0x32, 0x53});
        send(*dev, {0x32, 0x52, 0x01, 0x00, 1, 1, 1});
        QCOMPARE(emu.saveCount(1), 1);
        QCOMPARE(emu.savedFanState(1, 0).ledMode, 1);
        QCOMPARE(emu.savedFanState(1, 0).green, 20);
        QCOMPARE(emu.fanState(1, 0).green, 1);
    }

    // Within 1 % of the nominal RPM for the speed (none sent: the default).
    void rpmFollowsSpeed()
    {
        BoxEmulator emu;
        emu.setBoxes({7});
        emu.setStalledFans({{7, 0}});
        auto dev = openBox(emu, 7);
        std::uint8_t buf[64];
        const auto rpm = [&](std::uint8_t port) {
            send(*dev, {0x33, 0x51, port});
            return dev->read(buf, sizeof buf, 50) == 64 ? buf[6] * 256 + buf[5] : -1;
        };
        for (int percent : {-1, 0, 100}) {
            if (percent >= 0) {
                send(*dev, {0x32, 0x51, 0x03, 0x03, std::uint8_t(percent)});
                dev->read(buf, sizeof buf, 0);
            }
            const int nominal = BoxEmulator::nominalRpm(percent < 0 ? BoxEmulator::kDefaultSpeedPercent : percent);
            for (int i = 0; i < 10; ++i) {
                const int r = rpm(3);
                QVERIFY2(r > 0 && qAbs(r - nominal) <= nominal / 100, qPrintable(QString::number(r)));
                QCOMPARE(rpm(1), 0);  // stalled
            }
        }
    }

    void traceFileGetsOneLinePerReport()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("trace.txt");
        BoxEmulator emu;
        emu.setBoxes({0, 2, 11});
        emu.setTracePath(path);
        emu.setFault(0, Fault::RejectWrites);
        auto a = openBox(emu, 2);
        auto b = openBox(emu, 11);
        QCOMPARE(send(*openBox(emu, 0), {0xfe, 0x33}), -1);  // refused writes are not recorded
        QCOMPARE(send(*a, {0x33, 0x50}, 1), -1);             // nor a report ID other than 0
        QVERIFY(!QFile::exists(path));
        send(*a, {0x32, 0x52, 0x01, 0x00, 0xff, 0x80, 0x0a});
        QCOMPARE(readFile(path), QStringLiteral("2 32 52 01 00 ff 80 0a 00\n"));  // at once, not on exit
        send(*b, {0xfe, 0x33});
        QCOMPARE(readFile(path), QStringLiteral("2 32 52 01 00 ff 80 0a 00\n11 fe 33 00 00 00 00 00 00\n"));
        QCOMPARE(emu.traceLines(), readFile(path).split('\n', Qt::SkipEmptyParts));
    }

    void replyFaults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("length");
        QTest::newRow("NoReply") << Fault::NoReply << 0;
        QTest::newRow("WrongHeader") << Fault::WrongHeader << 64;
        QTest::newRow("ShortReply") << Fault::ShortReply << 3;
        QTest::newRow("VanishAfterWrite") << Fault::VanishAfterWrite << -1;
    }

    void replyFaults()
    {
        QFETCH(Fault, fault);
        QFETCH(int, length);
        BoxEmulator emu;
        emu.setBoxes({0});
        emu.setFault(0, fault);
        auto dev = openBox(emu, 0);
        std::uint8_t buf[64] = {};
        QCOMPARE(send(*dev, {0x33, 0x51, 0x01}), 65);
        QCOMPARE(dev->read(buf, sizeof buf, 50), length);
        QVERIFY(length != 64 || buf[0] != 0x33);
        QCOMPARE(dev->read(buf, sizeof buf, -1), qMin(length, 0));  // never blocks for good
        const bool gone = fault == Fault::VanishAfterWrite;
        QCOMPARE(send(*dev, {0x33, 0x51, 0x01}), gone ? -1 : 65);
        QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(0)), gone ? 0 : 1);
        QCOMPARE(bool(openBox(emu, 0)), !gone);
    }

    void lateReplyArrivesAtTheNextRead()
    {
        BoxEmulator emu;
        emu.setBoxes({5});
        emu.setFault(5, Fault::LateReply);
        auto dev = openBox(emu, 5);
        std::uint8_t buf[64] = {};
        send(*dev, {0x33, 0x51, 0x01});
        QCOMPARE(dev->read(buf, sizeof buf, 50), 0);
        send(*dev, {0x33, 0x51, 0x02});
        QCOMPARE(dev->read(buf, sizeof buf, 50), 64);
        QCOMPARE(int(buf[2]), 1);  // the answer to the first request
        QCOMPARE(dev->read(buf, sizeof buf, 0), 64);
        QCOMPARE(int(buf[2]), 2);
    }

    void duplicatesAndUnplugging()
    {
        BoxEmulator emu;
        emu.setBoxes({3, 3});
        QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(3)), 2);
        auto first = openBox(emu, 3);
        QVERIFY(first);
        emu.setBoxes({3});
        QCOMPARE(send(*first, {0x33, 0x50}), 65);  // the first device is the one still there
        emu.setBoxes({});
        QCOMPARE(send(*first, {0x33, 0x50}), -1);
        std::uint8_t buf[64];
        QCOMPARE(first->read(buf, sizeof buf, 0), -1);
        emu.setBoxes({3, 16, -1});
        QCOMPARE(emu.pluggedCount(3), 1);
        QCOMPARE(send(*first, {0x33, 0x50}), -1);  // replugging does not revive an old handle
    }

    void boxListFileRules()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("boxes");
        BoxEmulator emu;
        emu.setBoxListFile(path);
        QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(0)), 0);  // no file: no boxes
        QVERIFY(writeFile(path, "0,1"));
        QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(1)), 1);
        QVERIFY(writeFile(path, "0,1,x"));  // half-written or broken: keep the boxes as they are
        QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(1)), 1);
        QVERIFY(writeFile(path, "4"));
        QVERIFY(openBox(emu, 4));
        QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(0)), 0);
        QFile::remove(path);
        QVERIFY(!openBox(emu, 4));
    }

    // Bad buffers are refused, a small one is not overrun, and a handle
    // outliving its emulator fails instead of touching freed memory.
    void handlesAreSafe()
    {
        std::unique_ptr<HidDevice> dev;
        std::uint8_t buf[8] = {0, 0, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA};
        {
            BoxEmulator emu;
            emu.setBoxes({0});
            dev = openBox(emu, 0);
            send(*dev, {0x33, 0x50});
            QCOMPARE(dev->read(buf, 4, 50), 4);
            QCOMPARE(int(buf[4]), 0xAA);
            QCOMPARE(dev->read(nullptr, 64, 0), -1);
            QCOMPARE(dev->write(nullptr, 65), -1);
            send(*dev, {0x33, 0x50});  // a reply still pending
        }
        QCOMPARE(send(*dev, {0x33, 0x50}), -1);
        QCOMPARE(dev->read(buf, sizeof buf, 0), -1);
    }
};

QTEST_GUILESS_MAIN(TestBoxEmulator)
#include "test_boxemulator.moc"
