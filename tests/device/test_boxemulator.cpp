// The emulated box firmware behind the transport interface.
#include "device/boxemulator.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Report ID 0 and the command, padded to 65 bytes.
Bytes report(std::initializer_list<std::uint8_t> command)
{
    Bytes out(65, 0);
    std::copy(command.begin(), command.end(), out.begin() + 1);
    return out;
}

int send(HidDevice &dev, std::initializer_list<std::uint8_t> command)
{
    const Bytes r = report(command);
    return dev.write(r.data(), r.size());
}

std::unique_ptr<HidDevice> openBox(BoxEmulator &emu, int box)
{
    return emu.open(kControllerVendorId, productIdForBox(box));
}

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

} // namespace

class TestBoxEmulator : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parseBoxList_data();
    void parseBoxList();
    void parseStalledList_data();
    void parseStalledList();
    void traceLineFormat();
    void repliesEchoTheRequest();
    void keepsLedAndSpeedState();
    void saveStoresCurrentState();
    void rpmFollowsSpeed_data();
    void rpmFollowsSpeed();
    void traceFileGetsOneLinePerReport();
    void rejectedWritesAreNotRecorded();
    void replyFaults();
    void lateReplyArrivesAtTheNextRead();
    void smallReadBufferIsNotOverrun();
    void duplicatesAndUnplugging();
    void boxListFileRules();
    void handlesOutliveTheEmulator();
    void foreignReportIdIsRefused();
};

void TestBoxEmulator::parseBoxList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QList<int>>("boxes");
    QTest::newRow("duplicate") << "0,2,2" << true << QList<int>{0, 2, 2};
    QTest::newRow("blanks") << " 1 , 15 \n" << true << QList<int>{1, 15};
    QTest::newRow("empty") << "" << true << QList<int>{};
    QTest::newRow("16") << "16" << false << QList<int>{};
    QTest::newRow("negative") << "-1" << false << QList<int>{};
    QTest::newRow("word") << "a" << false << QList<int>{};
    QTest::newRow("empty item") << "1,,2" << false << QList<int>{};
    QTest::newRow("semicolon") << "1;2" << false << QList<int>{};
}

void TestBoxEmulator::parseBoxList()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QList<int>, boxes);
    QList<int> out{99};
    QCOMPARE(BoxEmulator::parseBoxList(text, &out), ok);
    QCOMPARE(out, ok ? boxes : QList<int>{99});
}

void TestBoxEmulator::parseStalledList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("count");
    QTest::newRow("two") << "2.1,0.0" << true << 2;
    QTest::newRow("empty") << "" << true << 0;
    QTest::newRow("fan 3") << "2.3" << false << 0;
    QTest::newRow("box 16") << "16.0" << false << 0;
    QTest::newRow("no fan") << "2" << false << 0;
    QTest::newRow("three parts") << "2.1.0" << false << 0;
}

void TestBoxEmulator::parseStalledList()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, count);
    QList<QPair<int, int>> fans;
    QCOMPARE(BoxEmulator::parseStalledList(text, &fans), ok);
    QCOMPARE(fans.size(), count);
    if (count == 2)
        QCOMPARE(fans, (QList<QPair<int, int>>{{2, 1}, {0, 0}}));
}

void TestBoxEmulator::traceLineFormat()
{
    const std::uint8_t cmd[8] = {0x32, 0x52, 0x01, 0x00, 0xff, 0x80, 0x0a, 0x00};
    QCOMPARE(BoxEmulator::traceLine(12, cmd), QStringLiteral("12 32 52 01 00 ff 80 0a 00"));
}

void TestBoxEmulator::repliesEchoTheRequest()
{
    BoxEmulator emu;
    emu.setBoxes({4});
    auto dev = openBox(emu, 4);
    QVERIFY(dev);
    std::uint8_t buf[64] = {};
    QCOMPARE(send(*dev, {0x33, 0x51, 0x02}), 65);
    QCOMPARE(dev->read(buf, sizeof buf, 50), 64);
    QCOMPARE(int(buf[0]), 0x33);
    QCOMPARE(int(buf[1]), 0x51);
    QCOMPARE(int(buf[2]), 0x02);
    QVERIFY(buf[5] | buf[6]);

    QCOMPARE(send(*dev, {0x33, 0x50}), 65);
    QCOMPARE(dev->read(buf, sizeof buf, 50), 64);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(buf), 5).toHex(), QByteArray("3350010402"));

    QCOMPARE(send(*dev, {0x32, 0x52, 0x03, 0x02, 9, 8, 7}), 65);
    QCOMPARE(dev->read(buf, sizeof buf, 50), 64);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(buf), 8).toHex(), QByteArray("3252030209080700"));
    QCOMPARE(dev->read(buf, sizeof buf, 0), 0);  // one reply per request
}

void TestBoxEmulator::keepsLedAndSpeedState()
{
    BoxEmulator emu;
    emu.setBoxes({1});
    auto dev = openBox(emu, 1);
    QCOMPARE(emu.fanState(1, 0).speedPercent, BoxEmulator::kDefaultSpeedPercent);
    send(*dev, {0x32, 0x52, 0x01, 0x00, 10, 20, 30});
    send(*dev, {0x32, 0x52, 0x01, 0x01});
    send(*dev, {0x32, 0x51, 0x03, 0x03, 40});
    send(*dev, {0x32, 0x52, 0x04, 0x00, 1, 1, 1});  // no port 4
    send(*dev, {0x32, 0x51, 0x00, 0x03, 90});       // no port 0
    const BoxEmulator::FanState f0 = emu.fanState(1, 0);
    QCOMPARE(f0.ledMode, 1);
    QCOMPARE(f0.red, 10);  // the cycle keeps the last colour
    QCOMPARE(f0.blue, 30);
    QCOMPARE(emu.fanState(1, 2).speedPercent, 40);
    QCOMPARE(emu.fanState(1, 1).speedPercent, BoxEmulator::kDefaultSpeedPercent);
    QCOMPARE(emu.fanState(1, 1).red, 0);
    QCOMPARE(emu.fanState(1, 3).speedPercent, BoxEmulator::kDefaultSpeedPercent);  // out of range is harmless
}

void TestBoxEmulator::saveStoresCurrentState()
{
    BoxEmulator emu;
    emu.setBoxes({0});
    auto dev = openBox(emu, 0);
    send(*dev, {0x32, 0x52, 0x02, 0x02, 5, 6, 7});
    QCOMPARE(emu.savedFanState(0, 1).ledMode, 0);
    send(*dev, {0x32, 0x53});
    send(*dev, {0x32, 0x52, 0x02, 0x00, 1, 1, 1});
    QCOMPARE(emu.saveCount(0), 1);
    QCOMPARE(emu.savedFanState(0, 1).ledMode, 2);
    QCOMPARE(emu.savedFanState(0, 1).green, 6);
    QCOMPARE(emu.fanState(0, 1).green, 1);
}

void TestBoxEmulator::rpmFollowsSpeed_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<bool>("stalled");
    QTest::newRow("default") << -1 << false;
    QTest::newRow("0 %") << 0 << false;
    QTest::newRow("100 %") << 100 << false;
    QTest::newRow("stalled") << 100 << true;
}

void TestBoxEmulator::rpmFollowsSpeed()
{
    QFETCH(int, percent);
    QFETCH(bool, stalled);
    BoxEmulator emu;
    emu.setBoxes({7});
    if (stalled)
        emu.setStalledFans({{7, 2}});
    auto dev = openBox(emu, 7);
    if (percent >= 0)
        send(*dev, {0x32, 0x51, 0x03, 0x03, std::uint8_t(percent)});
    std::uint8_t buf[64];
    while (dev->read(buf, sizeof buf, 0) > 0) {
    }
    const int nominal = BoxEmulator::nominalRpm(percent < 0 ? BoxEmulator::kDefaultSpeedPercent : percent);
    for (int i = 0; i < 20; ++i) {
        send(*dev, {0x33, 0x51, 0x03});
        QCOMPARE(dev->read(buf, sizeof buf, 50), 64);
        const int rpm = buf[6] * 256 + buf[5];
        if (stalled)
            QCOMPARE(rpm, 0);
        else
            QVERIFY2(rpm > 0 && qAbs(rpm - nominal) <= nominal / 100, qPrintable(QString::number(rpm)));
    }
}

void TestBoxEmulator::traceFileGetsOneLinePerReport()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.txt");
    BoxEmulator emu;
    emu.setBoxes({2, 11});
    emu.setTracePath(path);
    auto a = openBox(emu, 2);
    auto b = openBox(emu, 11);
    send(*a, {0x32, 0x52, 0x01, 0x00, 0xff, 0x80});
    QCOMPARE(readAll(path), QStringLiteral("2 32 52 01 00 ff 80 00 00\n"));  // at once, not on exit
    send(*b, {0xfe, 0x33});
    QCOMPARE(readAll(path), QStringLiteral("2 32 52 01 00 ff 80 00 00\n11 fe 33 00 00 00 00 00 00\n"));
    QCOMPARE(emu.traceLines(), readAll(path).split('\n', Qt::SkipEmptyParts));
}

void TestBoxEmulator::rejectedWritesAreNotRecorded()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.txt");
    BoxEmulator emu;
    emu.setBoxes({0});
    emu.setTracePath(path);
    emu.setFault(0, BoxEmulator::Fault::RejectWrites);
    auto dev = openBox(emu, 0);
    QVERIFY(dev);
    QCOMPARE(send(*dev, {0xfe, 0x33}), -1);
    QVERIFY(emu.sentReports().empty());
    QVERIFY(!QFile::exists(path));
}

void TestBoxEmulator::replyFaults()
{
    BoxEmulator emu;
    emu.setBoxes({0, 1, 2, 3});
    emu.setFault(0, BoxEmulator::Fault::NoReply);
    emu.setFault(1, BoxEmulator::Fault::WrongHeader);
    emu.setFault(2, BoxEmulator::Fault::ShortReply);
    emu.setFault(3, BoxEmulator::Fault::VanishAfterWrite);
    std::uint8_t buf[64] = {};
    auto silent = openBox(emu, 0);
    QCOMPARE(send(*silent, {0x33, 0x51, 0x01}), 65);
    QCOMPARE(silent->read(buf, sizeof buf, 50), 0);
    QCOMPARE(silent->read(buf, sizeof buf, -1), 0);  // never blocks for good

    auto wrong = openBox(emu, 1);
    send(*wrong, {0x33, 0x51, 0x01});
    QCOMPARE(wrong->read(buf, sizeof buf, 50), 64);
    QVERIFY(buf[0] != 0x33);

    auto shortReply = openBox(emu, 2);
    send(*shortReply, {0x33, 0x51, 0x01});
    QCOMPARE(shortReply->read(buf, sizeof buf, 50), 3);

    auto vanishing = openBox(emu, 3);
    QCOMPARE(send(*vanishing, {0x33, 0x51, 0x01}), 65);
    QCOMPARE(vanishing->read(buf, sizeof buf, 50), -1);
    QCOMPARE(send(*vanishing, {0x33, 0x51, 0x01}), -1);
    QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(3)), 0);
    QVERIFY(!openBox(emu, 3));
    QCOMPARE(emu.sentReports().size(), size_t(4));
}

void TestBoxEmulator::lateReplyArrivesAtTheNextRead()
{
    BoxEmulator emu;
    emu.setBoxes({5});
    emu.setFault(5, BoxEmulator::Fault::LateReply);
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

void TestBoxEmulator::smallReadBufferIsNotOverrun()
{
    BoxEmulator emu;
    emu.setBoxes({0});
    auto dev = openBox(emu, 0);
    send(*dev, {0x33, 0x50});
    std::uint8_t buf[8] = {0, 0, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA};
    QCOMPARE(dev->read(buf, 4, 50), 4);
    QCOMPARE(int(buf[4]), 0xAA);
    QCOMPARE(dev->read(nullptr, 64, 0), -1);
    QCOMPARE(dev->write(nullptr, 65), -1);
}

void TestBoxEmulator::duplicatesAndUnplugging()
{
    BoxEmulator emu;
    emu.setBoxes({3, 3});
    QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(3)), 2);
    auto first = openBox(emu, 3);
    QVERIFY(first);
    emu.setBoxes({3});
    QCOMPARE(emu.pluggedCount(3), 1);
    QCOMPARE(send(*first, {0x33, 0x50}), 65);  // the first device is the one still there
    emu.setBoxes({});
    QCOMPARE(send(*first, {0x33, 0x50}), -1);
    std::uint8_t buf[64];
    QCOMPARE(first->read(buf, sizeof buf, 0), -1);
    emu.setBoxes({3, 16, -1});
    QCOMPARE(emu.pluggedCount(3), 1);
    QCOMPARE(send(*first, {0x33, 0x50}), -1);  // replugging does not revive an old handle
}

void TestBoxEmulator::boxListFileRules()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("boxes");
    auto writeList = [&](const QByteArray &text) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    BoxEmulator emu;
    emu.setBoxListFile(path);
    QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(0)), 0);  // no file: no boxes
    writeList("0,1");
    QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(1)), 1);
    writeList("0,1,x");  // half-written or broken: keep the boxes as they are
    QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(1)), 1);
    writeList("");
    QCOMPARE(emu.countDevices(kControllerVendorId, productIdForBox(0)), 0);
    writeList("4");
    QVERIFY(openBox(emu, 4));
    QFile::remove(path);
    QVERIFY(!openBox(emu, 4));
}

void TestBoxEmulator::handlesOutliveTheEmulator()
{
    std::unique_ptr<HidDevice> dev;
    {
        BoxEmulator emu;
        emu.setBoxes({0});
        dev = openBox(emu, 0);
        QVERIFY(dev);
        send(*dev, {0x33, 0x50});
    }
    std::uint8_t buf[64];
    QCOMPARE(send(*dev, {0x33, 0x50}), -1);
    QCOMPARE(dev->read(buf, sizeof buf, 0), -1);
}

void TestBoxEmulator::foreignReportIdIsRefused()
{
    BoxEmulator emu;
    emu.setBoxes({0});
    auto dev = openBox(emu, 0);
    Bytes r = report({0x33, 0x50});
    r[0] = 1;
    QCOMPARE(dev->write(r.data(), r.size()), -1);
    QVERIFY(emu.sentReports().empty());
}

QTEST_GUILESS_MAIN(TestBoxEmulator)
#include "test_boxemulator.moc"
