// Report bytes, scaling and reply parsing of the device link.
#include "devicefixture.h"

#include <QtTest>

#include <limits>

class TestDeviceLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void speedLevelReport()
    {
        DeviceFixture fx;
        for (int level : {0, 1, 2, 3, 4, 5, 6, -1})
            fx.link.setFanSpeedLevel(0, qBound(0, level, 2), level);
        QCOMPARE(fx.sent(), (QStringList{"0 32 51 01 03 0a 00 00 00", "0 32 51 02 03 14 00 00 00",
                                         "0 32 51 03 03 28 00 00 00", "0 32 51 03 03 3c 00 00 00",
                                         "0 32 51 03 03 50 00 00 00", "0 32 51 03 03 64 00 00 00",
                                         "0 32 51 03 03 00 00 00 00", "0 32 51 01 03 00 00 00 00"}));
    }

    void ledReports()
    {
        DeviceFixture fx;
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

    void scaleColour_data()
    {
        QTest::addColumn<int>("component");
        QTest::addColumn<float>("bright");
        QTest::addColumn<int>("expected");
        QTest::newRow("truncates") << 100 << 0.333f << 33;
        QTest::newRow("256 wraps to 0") << 256 << 1.0f << 0;
        QTest::newRow("-1 is 255") << -1 << 1.0f << 255;
        QTest::newRow("over-bright keeps low bits") << 255 << 2.0f << 254;
        QTest::newRow("nan") << 255 << std::numeric_limits<float>::quiet_NaN() << 0;
        QTest::newRow("infinite") << 255 << std::numeric_limits<float>::infinity() << 0;
        QTest::newRow("huge") << 255 << 1e30f << 0;
    }

    void scaleColour()
    {
        QFETCH(int, component);
        QFETCH(float, bright);
        QFETCH(int, expected);
        QCOMPARE(int(DeviceLink::scaleColour(component, bright)), expected);
    }

    void temperatureCurve()
    {
        // Each step's first and last degree.
        const QList<QPair<int, int>> rows{{-20, 0}, {32, 0},  {33, 10}, {35, 10}, {36, 20}, {38, 20},
                                          {39, 30}, {41, 30}, {42, 40}, {44, 40}, {45, 50}, {47, 50},
                                          {48, 60}, {50, 60}, {51, 70}, {53, 70}, {54, 80}, {56, 80},
                                          {57, 90}, {59, 90}, {60, 100}, {95, 100}};
        for (const auto &r : rows)
            QVERIFY2(DeviceLink::temperatureCurvePercent(r.first) == r.second, qPrintable(QString::number(r.first)));
    }

    // Curve value capped at (level + 5) x 10 %, a damaged level kept within 0..5.
    void speedByTemperature()
    {
        DeviceFixture fx;
        const QList<QPair<int, int>> rows{{32, 5}, {45, 0}, {45, 5}, {70, 2}, {70, 5}, {70, 9}, {70, -8}};
        for (const auto &r : rows) {  // degrees, level
            fx.box(0).speedFan[1] = r.second;
            fx.link.setFanSpeedByTemperature(r.first, 0, 1);
        }
        QCOMPARE(fx.sent(), (QStringList{"0 32 51 02 03 00 00 00 00", "0 32 51 02 03 32 00 00 00",
                                         "0 32 51 02 03 32 00 00 00", "0 32 51 02 03 46 00 00 00",
                                         "0 32 51 02 03 64 00 00 00", "0 32 51 02 03 64 00 00 00",
                                         "0 32 51 02 03 00 00 00 00"}));
    }

    void parseFanStatus_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("fan");  // -1: invalid
        QTest::addColumn<int>("rpm");
        const QByteArray good = QByteArray::fromHex("3351020000341200");
        QTest::newRow("port 2, 4660 rpm") << good << 64 << 1 << 4660;
        QTest::newRow("port 3, max") << QByteArray::fromHex("3351030000ffff") << 7 << 2 << 65535;
        QTest::newRow("port 0") << QByteArray::fromHex("3351000000341200") << 64 << -1 << 0;
        QTest::newRow("port 4") << QByteArray::fromHex("3351040000341200") << 64 << -1 << 0;
        QTest::newRow("wrong r0") << QByteArray::fromHex("3251020000341200") << 64 << -1 << 0;
        QTest::newRow("wrong r1") << QByteArray::fromHex("3350020000341200") << 64 << -1 << 0;
        QTest::newRow("too short for r6") << good << 6 << -1 << 0;
        QTest::newRow("timed out") << good << 0 << -1 << 0;
        QTest::newRow("failed read") << good << -1 << -1 << 0;
    }

    void parseFanStatus()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, length);
        QFETCH(int, fan);
        QFETCH(int, rpm);
        Report buf{};
        std::copy(reply.begin(), reply.end(), buf.begin());
        const FanStatus s = DeviceLink::parseFanStatus(buf.data(), length);
        QCOMPARE(s.valid, fan >= 0);
        QCOMPARE(s.fan, fan);
        QCOMPARE(s.rpm, rpm);
    }

    void parseFirmwareVersion()
    {
        const Report reply = DeviceLink::makeCommand({0x33, 0x50, 10, 0, 255});
        QCOMPARE(DeviceLink::parseFirmwareVersion(reply.data(), 64), QStringLiteral("10.0.255"));
        QCOMPARE(DeviceLink::parseFirmwareVersion(reply.data(), 5), QStringLiteral("10.0.255"));
        QCOMPARE(DeviceLink::parseFirmwareVersion(reply.data(), 4), QStringLiteral("0"));  // no r4
        QCOMPARE(DeviceLink::parseFirmwareVersion(reply.data(), -1), QStringLiteral("0"));
        QCOMPARE(DeviceLink::parseFirmwareVersion(nullptr, 64), QStringLiteral("0"));
    }

    void firmwareVersionOfSelectedBox()
    {
        DeviceFixture fx;
        fx.state.controllerBoxNumber = 2;
        QCOMPARE(fx.link.readFirmwareVersion(), QStringLiteral("1.4.2"));
        QCOMPARE(fx.sent(), QStringList{"2 33 50 00 00 00 00 00 00"});
        fx.emulator.clearSentReports();
        for (int absent : {1, 16}) {
            fx.state.controllerBoxNumber = absent;
            QCOMPARE(fx.link.readFirmwareVersion(), QStringLiteral("0"));
        }
        QVERIFY(fx.sent().isEmpty());
    }

    void fanStatusRoundTrip()
    {
        DeviceFixture fx;
        fx.emulator.setStalledFans({{2, 1}});
        const FanStatusReply r = fx.link.readFanStatus(2, 2);
        QCOMPARE(fx.sent(), QStringList{"2 33 51 03 00 00 00 00 00"});
        QCOMPARE(r.length, 64);
        QCOMPARE(DeviceFixture::parse(r).fan, 2);
        QVERIFY(DeviceFixture::parse(r).rpm > 0);
        QCOMPARE(fx.status(2, 1).fan, 1);
        QCOMPARE(fx.status(2, 1).rpm, 0);
    }

    // A box cleared by the last scan (though plugged), an absent one, and box or
    // fan numbers out of range: nothing is sent and no read is made.
    void unusableTargetsSendNothing()
    {
        DeviceFixture fx;
        fx.box(0).isConnected = false;
        const QList<QPair<int, int>> targets{{0, 0}, {1, 0}, {-1, 0}, {16, 0}, {1000, 0}, {2, -1}, {2, 3}};
        for (const auto &t : targets) {
            const int b = t.first, f = t.second;
            fx.link.setFanSpeedLevel(b, f, 3);
            fx.link.setFanSpeedByTemperature(70, b, f);
            fx.link.setFanLedSteady(b, f, 1, 2, 3, 1.0f);
            fx.link.setFanLedCycle(b, f);
            fx.link.setFanLedFlash(b, f, 1, 2, 3, 1.0f);
            if (f == 0) {
                fx.link.applyBoxSettings(b);
                fx.link.saveToController(b);
            }
            QCOMPARE(fx.link.readFanStatus(b, f).length, -1);
        }
        QVERIFY(fx.sent().isEmpty());
        QCOMPARE(fx.emulator.saveCount(0), 0);
    }

    // Fan 0: LEDs off over flashing, fixed level 3. Fan 1: colour cycle, PWM.
    // Fan 2: flashing at half brightness, fixed level 0.
    void applyAndSaveSequence()
    {
        DeviceFixture fx;
        ControllerBox &b = fx.box(2);
        b.isTurnOffLedFan = {true, false, false};
        b.LEDModeFan = {2, 1, 2};
        b.isPWMFan = {false, true, false};
        b.speedFan[0] = 3;
        b.speedFan[2] = 0;
        b.RColorFan[2] = 10;
        b.GColorFan[2] = 20;
        b.BColorFan[2] = 31;
        b.brightFan[2] = 0.5f;
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
        const BoxEmulator::FanState saved = fx.emulator.savedFanState(2, 2);
        QCOMPARE(saved.ledMode, 2);
        QCOMPARE(saved.red, 5);
        QCOMPARE(saved.blue, 15);
        QCOMPARE(saved.speedPercent, 10);
        QCOMPARE(fx.emulator.savedFanState(2, 0).red, 0);
        QCOMPARE(fx.emulator.savedFanState(2, 1).ledMode, 1);

        // An unknown lighting mode sends no LED report, only the speed.
        fx.emulator.clearSentReports();
        b.LEDModeFan[2] = 7;
        fx.link.applyBoxSettings(2);
        QCOMPARE(fx.sent(), settings.mid(0, 3) + settings.mid(4));
    }
};

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "test_devicelink.moc"
