#include "monitor/cputemperature.h"

#include "core/controllerstate.h"
#include "commands/periodictasks.h"
#include "common/recordingviewsink.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "fakesensortable.h"
#include "hwmontree.h"
#include "monitor/hwmonsensortable.h"
#include "storage/settingsstore.h"

#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <cmath>

namespace {

// Everything a temperature pass touches, over emulated boxes.
struct Rig {
    explicit Rig(SensorTable &sensors) : cpu(state, tasks, views, sensors, &owner) {}

    void connect(const QList<int> &boxes)
    {
        emu.setBoxes(boxes);
        link.connectAllBoxes();
        emu.clearSentReports();
    }
    // View calls with this prefix, the prefix and closing parenthesis cut off.
    QStringList calls(const QString &prefix) const
    {
        QStringList out;
        for (const QString &c : views.calls)
            if (c.startsWith(prefix))
                out << c.mid(prefix.size()).chopped(1);
        return out;
    }
    QStringList temperatures() const { return calls("setTemperature("); }
    QStringList infoLines() const { return calls("appendInfo("); }
    void pass()
    {
        QVERIFY(cpu.initSensorLibrary());
        cpu.updateCPUTemp();
    }

    QTemporaryDir dataDir;
    ControllerState state;
    BoxEmulator emu;
    DeviceLink link{state, emu};
    SettingsStore store{state, dataDir.path()};
    RecordingViewSink views;
    PeriodicTasks tasks{state, link, store, views};
    QObject owner;
    CpuTemperature cpu;
};

QString speedLine(int box, int fan, int percent)
{
    const std::array<std::uint8_t, 64> command{0x32, 0x51, std::uint8_t(fan + 1), 0x03, std::uint8_t(percent)};
    return BoxEmulator::traceLine(box, command.data());
}

QStringList temps(const QList<int> &values)
{
    QStringList out;
    for (int v : values)
        out << QString::number(v);
    return out;
}

const QString kNoCpuText = QStringLiteral("No CPU temperature found: fans that follow it keep their last speed");

// Collects the monitor's log lines while alive.
struct MonitorLog {
    static inline QStringList lines;
    static inline QtMessageHandler previous = nullptr;
    MonitorLog() { lines.clear(), previous = qInstallMessageHandler(record); }
    ~MonitorLog() { qInstallMessageHandler(previous); }
    static void record(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
    {
        if (qstrcmp(ctx.category, "zaldo.monitor") == 0)
            lines << msg;
        previous(type, ctx, msg);
    }
};

FakeSensorTable cpuSensor(const QByteArray &label, double value)
{
    FakeSensorTable sensors;
    sensors.addSensor("cpu").readings[FakeSensorTable::Temp].append({label, value, {}});
    return sensors;
}

} // namespace

class TestCpuTemperature : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (m_home.path() + "/runtime").toLocal8Bit());
    }

    // The whole road: hwmon files -> running maximum -> view and every PWM fan
    // of a connected box (box 1 is not connected, fan 2 of box 0 not PWM).
    void hwmonPassDrivesPwmFans()
    {
        QTemporaryDir tree;
        writeStandardTree(tree.path());
        HwmonSensorTable sensors(tree.path());
        Rig rig(sensors);
        rig.connect({0, 2});
        rig.state.boxArray[0].isPWMFan[1] = false;
        QVERIFY(!rig.tasks.rpmTimer().isActive());
        rig.pass();
        QCOMPARE(rig.state.cpuTemp, 44);
        QCOMPARE(rig.temperatures(), temps({44}));
        QCOMPARE(rig.emu.traceLines(), QStringList({speedLine(0, 0, 40), speedLine(0, 2, 40), speedLine(2, 0, 40),
                                                    speedLine(2, 1, 40), speedLine(2, 2, 40)}));
        QCOMPARE(rig.emu.fanState(0, 1).speedPercent, BoxEmulator::kDefaultSpeedPercent);
        QCOMPARE(rig.emu.fanState(2, 2).speedPercent, 40);
        QVERIFY(rig.tasks.rpmTimer().isActive());
        QCOMPARE(rig.tasks.rpmTimer().interval(), 1000);
    }

    void runningMaximum_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QList<int>>("shown"); // the pass maximum, once; nothing without a CPU reading
        QTest::newRow("two cores") << QStringList{"Core #0", "Core #1"} << QList<double>{41.9, 44.2} << QList<int>{44};
        QTest::newRow("board only") << QStringList{"System"} << QList<double>{60.0} << QList<int>{};
        QTest::newRow("board after core") << QStringList{"Core #0", "System"} << QList<double>{41.9, 60.0} << QList<int>{41};
        QTest::newRow("letter case") << QStringList{"core #0", "CPU"} << QList<double>{50.0, 38.0} << QList<int>{38};
        QTest::newRow("never lowered") << QStringList{"CPU", "Core MAX"} << QList<double>{50.0, 40.0} << QList<int>{50};
        QTest::newRow("negative") << QStringList{"CPU"} << QList<double>{-5.0} << QList<int>{};
        QTest::newRow("absent readings") << QStringList{"CPU", "CPU", "CPU Package"} << QList<double>{0.0, -9999.0, 47.5}
                                         << QList<int>{47};
        QTest::newRow("not a number") << QStringList{"CPU"} << QList<double>{std::nan("")} << QList<int>{};
        QTest::newRow("absurd") << QStringList{"CPU"} << QList<double>{1e300} << QList<int>{INT_MAX};
        QTest::newRow("temperature labels") << QStringList{"Temperature 9", "Temperature 8", "CPU "}
                                            << QList<double>{70.0, 33.3, 80.0} << QList<int>{33};
    }
    void runningMaximum()
    {
        QFETCH(QStringList, labels);
        QFETCH(QList<double>, values);
        QFETCH(QList<int>, shown);
        FakeSensorTable sensors;
        auto &readings = sensors.addSensor("cpu").readings[FakeSensorTable::Temp];
        for (int i = 0; i < labels.size(); ++i)
            readings.append({labels[i].toLatin1(), values[i], {}});
        Rig rig(sensors);
        rig.state.cpuTemp = 99; // replaced by a lower maximum, kept without one
        rig.pass();
        QCOMPARE(rig.temperatures(), temps(shown));
        QCOMPARE(rig.state.cpuTemp, shown.isEmpty() ? 99 : shown.last());
    }

    void curveCappedPerFan()
    {
        auto sensors = cpuSensor("CPU Package", 70.0);
        Rig rig(sensors);
        rig.connect({1});
        rig.state.boxArray[1].speedFan = {{2, 0, 5}};
        rig.pass();
        QCOMPARE(rig.emu.traceLines(), QStringList({speedLine(1, 0, 70), speedLine(1, 1, 50), speedLine(1, 2, 100)}));
    }

    // A non-CPU driver listed first must not send 0 % before the CPU's
    // reading; with no CPU driver at all the fans keep their last speed.
    void noZeroSpeedWithoutCpuReading_data()
    {
        QTest::addColumn<int>("standardAt");
        QTest::addColumn<QByteArray>("firstDriver");
        QTest::addColumn<int>("percent"); // per pass and fan; -1: nothing sent
        QTest::newRow("non-CPU driver first") << 1 << QByteArray("acpitz") << 40;
        QTest::newRow("no CPU driver") << 0 << QByteArray("virt_cputemp") << -1;
    }
    void noZeroSpeedWithoutCpuReading()
    {
        QFETCH(int, standardAt);
        QFETCH(QByteArray, firstDriver);
        QFETCH(int, percent);
        QTemporaryDir tree;
        writeStandardTree(tree.path(), standardAt);
        writeHwmonFile(tree.path(), "hwmon0/name", firstDriver);
        writeHwmonFile(tree.path(), "hwmon0/temp1_input", "27800");
        HwmonSensorTable sensors(tree.path());
        Rig rig(sensors);
        rig.connect({0});
        const MonitorLog log;
        rig.pass();
        rig.cpu.updateCPUTemp();
        const QStringList onePass{speedLine(0, 0, percent), speedLine(0, 1, percent), speedLine(0, 2, percent)};
        QCOMPARE(rig.emu.traceLines(), percent < 0 ? QStringList() : onePass + onePass);
        QCOMPARE(log.lines.count(kNoCpuText), percent < 0 ? 1 : 0);
        rig.cpu.setInfoMessage();
        QCOMPARE(rig.infoLines().count(kNoCpuText), percent < 0 ? 1 : 0);
    }

    // 256 sensors of 64 readings: one report per fan and pass, not per reading.
    void largeTreeOneReportPerFan()
    {
        FakeSensorTable sensors;
        for (int s = 0; s < 256; ++s)
            sensors.addSensor("s").readings[FakeSensorTable::Temp].fill({"Core #0", 44.0, {}}, kReadingsPerSensor);
        Rig rig(sensors);
        rig.connect({3});
        rig.pass();
        QCOMPARE(rig.emu.traceLines(), QStringList({speedLine(3, 0, 40), speedLine(3, 1, 40), speedLine(3, 2, 40)}));
    }

    void libraryFails_data()
    {
        QTest::addColumn<bool>("loads");
        QTest::addColumn<int>("initResult");
        QTest::addColumn<QString>("log");
        QTest::addColumn<int>("initialiseArg");
        QTest::newRow("cannot load") << false << 0 << "CANNOT LOAD DLL" << -1;
        QTest::newRow("init failed") << true << 3 << "INIT FAILED: 3" << 0;
    }
    void libraryFails()
    {
        QFETCH(bool, loads);
        QFETCH(int, initResult);
        QFETCH(QString, log);
        QFETCH(int, initialiseArg);
        auto sensors = cpuSensor("CPU", 50.0);
        sensors.loadResult = loads;
        sensors.initResult = initResult;
        Rig rig(sensors);
        QTest::ignoreMessage(QtDebugMsg, qPrintable(log));
        QVERIFY(!rig.cpu.initSensorLibrary());
        QCOMPARE(rig.cpu.libraryState(), CpuTemperature::LibraryState::Failed);
        QCOMPARE(sensors.initialiseArg, initialiseArg);
        QVERIFY(!rig.cpu.timer());
        QVERIFY(rig.owner.findChildren<QTimer *>().isEmpty());
        rig.cpu.updateCPUTemp();
        rig.cpu.setInfoMessage();
        QCOMPARE(rig.views.calls, QStringList());
        QCOMPARE(rig.state.cpuTemp, 0);
        QVERIFY(!rig.tasks.rpmTimer().isActive());
    }

    void noHwmonDeviceIsAMissingLibrary()
    {
        QTemporaryDir tree;
        HwmonSensorTable hwmon(tree.path());
        Rig rig(hwmon);
        QTest::ignoreMessage(QtDebugMsg, "CANNOT LOAD DLL");
        QVERIFY(!rig.cpu.initSensorLibrary());
        QVERIFY(!rig.cpu.timer());
    }

    void initOkStartsTimerOnOwner()
    {
        auto sensors = cpuSensor("Core MAX", 52.0);
        Rig rig(sensors);
        QTest::ignoreMessage(QtDebugMsg, "INIT OK");
        QTest::ignoreMessage(QtDebugMsg, "setupUpdateCPUTempTimer start");
        QVERIFY(rig.cpu.initSensorLibrary());
        QCOMPARE(sensors.initialiseArg, 0);
        QTimer *timer = rig.cpu.timer();
        QVERIFY(timer && timer->isActive() && !timer->isSingleShot());
        QCOMPARE(timer->parent(), &rig.owner);
        QCOMPARE(timer->interval(), 5000);
        // A second call neither re-initialises nor adds a timer.
        sensors.initialiseArg = -1;
        QVERIFY(rig.cpu.initSensorLibrary());
        rig.cpu.setupUpdateCPUTempTimer();
        QCOMPARE(sensors.initialiseArg, -1);
        QCOMPARE(rig.owner.findChildren<QTimer *>().size(), 1);
        timer->setInterval(1);
        QTRY_COMPARE(rig.state.cpuTemp, 52);
        QVERIFY(rig.temperatures().contains("52"));
    }

    void infoLinesEveryKind()
    {
        FakeSensorTable sensors;
        auto &s = sensors.addSensor("Mainboard");
        s.readings[FakeSensorTable::Temp] = {{"CPU Package", 47.5, {}}, {"Empty", 0.0, {}}};
        s.readings[FakeSensorTable::Volt] = {{"Vcore", 1.23456789, {}}};
        s.readings[FakeSensorTable::Fan] = {{"Fan1", 1500.0, {}}, {"Fan2", -9999.0, {}}};
        s.readings[FakeSensorTable::Curr] = {{"Idd", 0.000123, {}}};
        s.readings[FakeSensorTable::Power] = {{"Package Power", -3.5, {}}};
        s.readings[FakeSensorTable::Clock] = {{"Bus", 1234567.0, {}}};
        s.readings[FakeSensorTable::Usage] = {{"Total", 12.0, {}}};
        s.readings[FakeSensorTable::Other] = {{"Intrusion", 0.0, "Yes/No"}, {"Energy", 7.0, "7 J"}};
        sensors.addSensor("Empty sensor");
        Rig rig(sensors);
        QVERIFY(rig.cpu.initSensorLibrary());
        QTest::ignoreMessage(QtDebugMsg, "Intrusion = Yes/No");
        QTest::ignoreMessage(QtDebugMsg, "Energy = 7 J");
        rig.cpu.setInfoMessage();
        QCOMPARE(rig.infoLines(), QStringList({"HWi32_GetTemperature:CPU Package = 47.5", "HWi32_GetVoltage:Vcore = 1.23457",
                                               "HWi32_GetFan:Fan1 = 1500", "HWi32_GetCurrent:Idd = 0.000123",
                                               "HWi32_GetPower:Package Power = -3.5", "HWi32_GetClock:Bus = 1.23457e+06",
                                               "HWi32_GetUsage:Total = 12"}));
        QCOMPARE(sensors.prepareCalls, 2);
    }

    void unterminatedLabelsStayInBuffer()
    {
        auto sensors = cpuSensor("CPU", 50.0);
        sensors.fillWithoutTerminator = true;
        sensors.sensors[0].readings[FakeSensorTable::Other] = {{"x", 1.0, "y"}};
        Rig rig(sensors);
        rig.pass();
        QCOMPARE(rig.temperatures(), temps({}));
        rig.cpu.setInfoMessage();
        QCOMPARE(rig.infoLines(), QStringList({"HWi32_GetTemperature:" + QString(255, 'A') + " = 50", kNoCpuText}));
    }

    void implausibleSensorCount()
    {
        FakeSensorTable sensors;
        sensors.useCountOverride = true;
        sensors.countOverride = -4;
        Rig rig(sensors);
        QVERIFY(rig.cpu.initSensorLibrary());
        QTest::ignoreMessage(QtWarningMsg, "implausible sensor count: -4");
        rig.cpu.updateCPUTemp();
        QCOMPARE(sensors.prepareCalls, 0);
        QVERIFY(rig.tasks.rpmTimer().isActive());

        sensors.countOverride = 1000000;
        QTest::ignoreMessage(QtWarningMsg, "implausible sensor count: 1000000");
        rig.cpu.updateCPUTemp();
        QCOMPARE(sensors.prepareCalls, 256);
    }
};

QTEST_GUILESS_MAIN(TestCpuTemperature)
#include "test_cputemperature.moc"
