// Report bytes, scaling and reply parsing of the device link.
#include "devicefixture.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TestDeviceLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void speedLevelReport_data();
    void speedLevelReport();
    void unsentBytesAreZero();
    void ledReports();
    void zeroBrightnessSendsBlack();
    void scaleColour_data();
    void scaleColour();
    void temperatureCurve_data();
    void temperatureCurve();
    void speedByTemperature_data();
    void speedByTemperature();
    void parseFanStatus_data();
    void parseFanStatus();
    void parseFirmwareVersion_data();
    void parseFirmwareVersion();
    void firmwareVersionOfSelectedBox();
    void fanStatusRoundTrip();
    void disconnectedBoxSendsNothing();
    void outOfRangeTargetsSendNothing();
    void applyBoxSettingsSequence();
    void saveToControllerSequence();
};

void TestDeviceLink::speedLevelReport_data()
{
    QTest::addColumn<int>("fan");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("expected");
    QTest::newRow("level 0") << 0 << 0 << "0 32 51 01 03 0a 00 00 00";
    QTest::newRow("level 1") << 1 << 1 << "0 32 51 02 03 14 00 00 00";
    QTest::newRow("level 2") << 2 << 2 << "0 32 51 03 03 28 00 00 00";
    QTest::newRow("level 3") << 0 << 3 << "0 32 51 01 03 3c 00 00 00";
    QTest::newRow("level 4") << 0 << 4 << "0 32 51 01 03 50 00 00 00";
    QTest::newRow("level 5") << 0 << 5 << "0 32 51 01 03 64 00 00 00";
    QTest::newRow("level 6") << 0 << 6 << "0 32 51 01 03 00 00 00 00";
    QTest::newRow("level -1") << 0 << -1 << "0 32 51 01 03 00 00 00 00";
}

void TestDeviceLink::speedLevelReport()
{
    QFETCH(int, fan);
    QFETCH(int, level);
    QFETCH(QString, expected);
    DeviceFixture fx;
    fx.link.setFanSpeedLevel(0, fan, level);
    QCOMPARE(fx.sent(), QStringList{expected});
}

void TestDeviceLink::unsentBytesAreZero()
{
    DeviceFixture fx;
    fx.link.setFanLedFlash(2, 1, 1, 2, 3, 1.0f);
    QCOMPARE(fx.emulator.sentReports().size(), size_t(1));
    const BoxEmulator::SentReport &r = fx.emulator.sentReports().front();
    QCOMPARE(r.box, 2);
    const std::array<std::uint8_t, 7> head{0x32, 0x52, 0x02, 0x02, 1, 2, 3};
    for (size_t i = 0; i < r.command.size(); ++i)
        QCOMPARE(int(r.command[i]), i < head.size() ? int(head[i]) : 0);
}

void TestDeviceLink::ledReports()
{
    DeviceFixture fx;
    fx.link.setFanLedSteady(0, 0, 255, 128, 1, 1.0f);
    fx.link.setFanLedCycle(2, 1);
    fx.link.setFanLedFlash(2, 2, 255, 100, 7, 0.5f);
    QCOMPARE(fx.sent(), (QStringList{"0 32 52 01 00 ff 80 01 00", "2 32 52 02 01 00 00 00 00",
                                     "2 32 52 03 02 7f 32 03 00"}));
}

void TestDeviceLink::zeroBrightnessSendsBlack()
{
    DeviceFixture fx;
    fx.link.setFanLedSteady(0, 2, 255, 255, 255, 0.0f);
    QCOMPARE(fx.sent(), QStringList{"0 32 52 03 00 00 00 00 00"});
}

void TestDeviceLink::scaleColour_data()
{
    QTest::addColumn<int>("component");
    QTest::addColumn<float>("bright");
    QTest::addColumn<int>("expected");
    QTest::newRow("half of 255") << 255 << 0.5f << 127;
    QTest::newRow("full") << 255 << 1.0f << 255;
    QTest::newRow("zero brightness") << 200 << 0.0f << 0;
    QTest::newRow("truncates") << 100 << 0.333f << 33;
    QTest::newRow("256 wraps to 0") << 256 << 1.0f << 0;
    QTest::newRow("300 keeps low bits") << 300 << 1.0f << 44;
    QTest::newRow("-1 is 255") << -1 << 1.0f << 255;
    QTest::newRow("over-bright keeps low bits") << 255 << 2.0f << 254;
    QTest::newRow("nan") << 255 << std::numeric_limits<float>::quiet_NaN() << 0;
    QTest::newRow("infinite") << 255 << std::numeric_limits<float>::infinity() << 0;
    QTest::newRow("huge") << 255 << 1e30f << 0;
}

void TestDeviceLink::scaleColour()
{
    QFETCH(int, component);
    QFETCH(float, bright);
    QFETCH(int, expected);
    QCOMPARE(int(DeviceLink::scaleColour(component, bright)), expected);
}

void TestDeviceLink::temperatureCurve_data()
{
    QTest::addColumn<int>("t");
    QTest::addColumn<int>("percent");
    const QList<QPair<int, int>> rows{{-20, 0}, {32, 0},  {33, 10}, {35, 10}, {36, 20}, {38, 20},
                                      {39, 30}, {41, 30}, {42, 40}, {44, 40}, {45, 50}, {47, 50},
                                      {48, 60}, {50, 60}, {51, 70}, {53, 70}, {54, 80}, {56, 80},
                                      {57, 90}, {59, 90}, {60, 100}, {95, 100}};
    for (const auto &r : rows)
        QTest::addRow("%d C", r.first) << r.first << r.second;
}

void TestDeviceLink::temperatureCurve()
{
    QFETCH(int, t);
    QFETCH(int, percent);
    QCOMPARE(DeviceLink::temperatureCurvePercent(t), percent);
}

void TestDeviceLink::speedByTemperature_data()
{
    QTest::addColumn<int>("t");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("expected");
    QTest::newRow("32 C") << 32 << 5 << "0 32 51 02 03 00 00 00 00";
    QTest::newRow("45 C level 0") << 45 << 0 << "0 32 51 02 03 32 00 00 00";
    QTest::newRow("45 C level 5") << 45 << 5 << "0 32 51 02 03 32 00 00 00";
    QTest::newRow("70 C level 2") << 70 << 2 << "0 32 51 02 03 46 00 00 00";
    QTest::newRow("70 C level 0") << 70 << 0 << "0 32 51 02 03 32 00 00 00";
    QTest::newRow("70 C level 5") << 70 << 5 << "0 32 51 02 03 64 00 00 00";
    QTest::newRow("damaged level 9") << 70 << 9 << "0 32 51 02 03 64 00 00 00";
    QTest::newRow("damaged level -8") << 70 << -8 << "0 32 51 02 03 00 00 00 00";
}

void TestDeviceLink::speedByTemperature()
{
    QFETCH(int, t);
    QFETCH(int, level);
    QFETCH(QString, expected);
    DeviceFixture fx;
    fx.box(0).speedFan[1] = level;
    fx.link.setFanSpeedByTemperature(t, 0, 1);
    QCOMPARE(fx.sent(), QStringList{expected});
}

void TestDeviceLink::parseFanStatus_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("fan");
    QTest::addColumn<int>("rpm");
    const QByteArray good = QByteArray::fromHex("3351020000341200");
    QTest::newRow("port 2, 4660 rpm") << good << 64 << true << 1 << 4660;
    QTest::newRow("port 1") << QByteArray::fromHex("33510100000001") << 7 << true << 0 << 256;
    QTest::newRow("port 3, max") << QByteArray::fromHex("3351030000ffff") << 7 << true << 2 << 65535;
    QTest::newRow("port 0") << QByteArray::fromHex("3351000000341200") << 64 << false << -1 << 0;
    QTest::newRow("port 4") << QByteArray::fromHex("3351040000341200") << 64 << false << -1 << 0;
    QTest::newRow("wrong r0") << QByteArray::fromHex("3251020000341200") << 64 << false << -1 << 0;
    QTest::newRow("wrong r1") << QByteArray::fromHex("3350020000341200") << 64 << false << -1 << 0;
    QTest::newRow("too short for r6") << good << 6 << false << -1 << 0;
    QTest::newRow("timed out") << good << 0 << false << -1 << 0;
    QTest::newRow("failed read") << good << -1 << false << -1 << 0;
}

void TestDeviceLink::parseFanStatus()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, length);
    QFETCH(bool, valid);
    QFETCH(int, fan);
    QFETCH(int, rpm);
    Report buf{};
    std::copy(reply.begin(), reply.end(), buf.begin());
    const FanStatus s = DeviceLink::parseFanStatus(buf.data(), length);
    QCOMPARE(s.valid, valid);
    QCOMPARE(s.fan, fan);
    QCOMPARE(s.rpm, rpm);
}

void TestDeviceLink::parseFirmwareVersion_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("version");
    QTest::newRow("1.4.2") << QByteArray::fromHex("3350010402") << 64 << "1.4.2";
    QTest::newRow("decimal") << QByteArray::fromHex("33500a00ff") << 5 << "10.0.255";
    QTest::newRow("no r4") << QByteArray::fromHex("3350010402") << 4 << "0";
    QTest::newRow("timed out") << QByteArray::fromHex("3350010402") << 0 << "0";
    QTest::newRow("failed") << QByteArray::fromHex("3350010402") << -1 << "0";
}

void TestDeviceLink::parseFirmwareVersion()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, length);
    QFETCH(QString, version);
    Report buf{};
    std::copy(reply.begin(), reply.end(), buf.begin());
    QCOMPARE(DeviceLink::parseFirmwareVersion(buf.data(), length), version);
    QCOMPARE(DeviceLink::parseFirmwareVersion(nullptr, 64), QStringLiteral("0"));
}

void TestDeviceLink::firmwareVersionOfSelectedBox()
{
    DeviceFixture fx;
    fx.state.controllerBoxNumber = 2;
    QCOMPARE(fx.link.readFirmwareVersion(), QStringLiteral("1.4.2"));
    QCOMPARE(fx.sent(), QStringList{"2 33 50 00 00 00 00 00 00"});

    fx.emulator.clearSentReports();
    fx.state.controllerBoxNumber = 1;
    QCOMPARE(fx.link.readFirmwareVersion(), QStringLiteral("0"));
    fx.state.controllerBoxNumber = 16;
    QCOMPARE(fx.link.readFirmwareVersion(), QStringLiteral("0"));
    QVERIFY(fx.sent().isEmpty());
}

void TestDeviceLink::fanStatusRoundTrip()
{
    DeviceFixture fx;
    fx.emulator.setStalledFans({{2, 1}});
    FanStatusReply r = fx.link.readFanStatus(2, 2);
    QCOMPARE(fx.sent(), QStringList{"2 33 51 03 00 00 00 00 00"});
    QCOMPARE(r.length, 64);
    FanStatus s = DeviceLink::parseFanStatus(r.data.data(), r.length);
    QVERIFY(s.valid);
    QCOMPARE(s.fan, 2);
    // Before any speed report the box runs at its default.
    const int nominal = BoxEmulator::nominalRpm(BoxEmulator::kDefaultSpeedPercent);
    QVERIFY2(qAbs(s.rpm - nominal) <= nominal / 100, qPrintable(QString::number(s.rpm)));

    fx.link.setFanSpeedLevel(2, 2, 5);
    r = fx.link.readFanStatus(2, 2);
    s = DeviceLink::parseFanStatus(r.data.data(), r.length);
    QVERIFY(qAbs(s.rpm - BoxEmulator::nominalRpm(100)) <= BoxEmulator::nominalRpm(100) / 100);

    r = fx.link.readFanStatus(2, 1);
    s = DeviceLink::parseFanStatus(r.data.data(), r.length);
    QVERIFY(s.valid);
    QCOMPARE(s.fan, 1);
    QCOMPARE(s.rpm, 0);
}

void TestDeviceLink::disconnectedBoxSendsNothing()
{
    DeviceFixture fx;
    fx.box(0).isConnected = false;  // plugged in, but not connected by the last scan
    for (int b : {0, 1}) {
        fx.link.setFanSpeedLevel(b, 0, 3);
        fx.link.setFanSpeedByTemperature(70, b, 0);
        fx.link.setFanLedSteady(b, 0, 1, 2, 3, 1.0f);
        fx.link.setFanLedCycle(b, 1);
        fx.link.setFanLedFlash(b, 2, 1, 2, 3, 1.0f);
        fx.link.applyBoxSettings(b);
        fx.link.saveToController(b);
        QCOMPARE(fx.link.readFanStatus(b, 0).length, -1);
    }
    QVERIFY(fx.sent().isEmpty());
    QCOMPARE(fx.emulator.saveCount(0), 0);
}

void TestDeviceLink::outOfRangeTargetsSendNothing()
{
    DeviceFixture fx;
    for (int b : {-1, 16, 1000}) {
        fx.link.setFanSpeedLevel(b, 0, 3);
        fx.link.setFanLedSteady(b, 0, 1, 2, 3, 1.0f);
        fx.link.applyBoxSettings(b);
        fx.link.saveToController(b);
        fx.link.setFanSpeedByTemperature(50, b, 0);
        QCOMPARE(fx.link.readFanStatus(b, 0).length, -1);
    }
    for (int f : {-1, 3}) {
        fx.link.setFanSpeedLevel(0, f, 3);
        fx.link.setFanSpeedByTemperature(50, 0, f);
        fx.link.setFanLedSteady(0, f, 1, 2, 3, 1.0f);
        fx.link.setFanLedCycle(0, f);
        fx.link.setFanLedFlash(0, f, 1, 2, 3, 1.0f);
        QCOMPARE(fx.link.readFanStatus(0, f).length, -1);
    }
    QVERIFY(fx.sent().isEmpty());
}

// Fan 0: LEDs off over flashing, fixed level 3. Fan 1: colour cycle, PWM.
// Fan 2: flashing at half brightness, fixed level 0.
static void configureBox(ControllerBox &b)
{
    b.isTurnOffLedFan[0] = true;
    b.LEDModeFan[0] = 2;
    b.isPWMFan[0] = false;
    b.speedFan[0] = 3;
    b.LEDModeFan[1] = 1;
    b.isPWMFan[1] = true;
    b.LEDModeFan[2] = 2;
    b.RColorFan[2] = 10;
    b.GColorFan[2] = 20;
    b.BColorFan[2] = 31;
    b.brightFan[2] = 0.5f;
    b.isPWMFan[2] = false;
    b.speedFan[2] = 0;
}

static const QStringList kBoxSettings{"2 32 52 01 00 00 00 00 00", "2 32 51 01 03 3c 00 00 00",
                                      "2 32 52 02 01 00 00 00 00", "2 32 52 03 02 05 0a 0f 00",
                                      "2 32 51 03 03 0a 00 00 00"};

void TestDeviceLink::applyBoxSettingsSequence()
{
    DeviceFixture fx;
    configureBox(fx.box(2));
    fx.link.applyBoxSettings(2);
    QCOMPARE(fx.sent(), kBoxSettings);
    QCOMPARE(fx.emulator.fanState(2, 0).ledMode, 0);
    QCOMPARE(fx.emulator.fanState(2, 0).red, 0);
    QCOMPARE(fx.emulator.fanState(2, 1).ledMode, 1);
    QCOMPARE(fx.emulator.fanState(2, 2).speedPercent, 10);
    QCOMPARE(fx.emulator.saveCount(2), 0);

    // An unknown lighting mode sends no LED report, only the speed.
    fx.emulator.clearSentReports();
    fx.box(2).LEDModeFan[2] = 7;
    fx.link.applyBoxSettings(2);
    QCOMPARE(fx.sent().size(), kBoxSettings.size() - 1);
    QVERIFY(!fx.sent().contains(kBoxSettings[3]));
}

void TestDeviceLink::saveToControllerSequence()
{
    DeviceFixture fx;
    configureBox(fx.box(2));
    fx.link.saveToController(2);
    QCOMPARE(fx.sent(), kBoxSettings + QStringList{"2 32 53 00 00 00 00 00 00"});
    QCOMPARE(fx.emulator.saveCount(2), 1);
    const BoxEmulator::FanState saved = fx.emulator.savedFanState(2, 2);
    QCOMPARE(saved.ledMode, 2);
    QCOMPARE(saved.red, 5);
    QCOMPARE(saved.blue, 15);
    QCOMPARE(saved.speedPercent, 10);
    QCOMPARE(fx.emulator.savedFanState(2, 1).ledMode, 1);
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "test_devicelink.moc"
