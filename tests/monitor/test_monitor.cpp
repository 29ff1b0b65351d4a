// The hwmon sensor reader, and the CPU-temperature pass that drives the PWM fans.
#include "monitorrig.h"

#include <QRegularExpression>

#include <climits>
#include <cmath>

#include <sys/stat.h>

namespace {
using Read = QPair<double, QByteArray>; // value and the label left in the buffer

Read temp(SensorTable &t, int s, int r)
{
    char buf[kSensorTextSize] = "";
    const double v = t.getTemperature(s, r, buf, sizeof buf);
    return {v, buf};
}
QByteArray name(SensorTable &t, int s)
{
    char buf[kSensorTextSize] = "old";
    t.sensorName(s, buf, sizeof buf);
    return buf;
}
QString speedLine(int box, int fan, int percent)
{
    const std::array<std::uint8_t, 64> command{0x32, 0x51, std::uint8_t(fan + 1), 0x03, std::uint8_t(percent)};
    return BoxEmulator::traceLine(box, command.data());
}
QStringList speedLines(int box, int percent) { return {speedLine(box, 0, percent), speedLine(box, 1, percent), speedLine(box, 2, percent)}; }

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
} // namespace

class TestMonitor : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (m_home.path() + "/runtime").toLocal8Bit());
    }

    void noDeviceIsNotLoaded()
    {
        QTemporaryDir dir;
        HwmonSensorTable empty(dir.path());
        writeHwmonFile(dir.path(), "thermal_zone0/temp", "42000");  // not a hwmon device
        QVERIFY(!empty.load() && !empty.isLoaded());
        QCOMPARE(empty.initialise(0), -1);
        QVERIFY(!HwmonSensorTable(dir.path() + "/nowhere").load());
    }

    void readsStandardTree()
    {
        QTemporaryDir dir;
        writeStandardTree(dir.path());
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(t.initialise(0), 0);
        QCOMPARE(t.sensorCount(), 2);
        QCOMPARE(temp(t, 0, 2), Read(kNoReading, ""));
        QCOMPARE(temp(t, 1, 1), Read(0.0, "AUXTIN0"));
        QCOMPARE(temp(t, 1, 2).first, kNoReading); // temp7 has a label but no reading
        char buf[kSensorTextSize];
        QCOMPARE(t.getVoltage(1, 0, buf, sizeof buf), 1.104);
        QCOMPARE(t.getFan(1, 0, buf, sizeof buf), 1500);
        QCOMPARE(QByteArray(buf), QByteArray("CPU Fan"));
        QCOMPARE(t.getPower(1, 0, buf, sizeof buf), 12.5);
        QCOMPARE(QByteArray(buf), QByteArray("power1"));
        for (auto sr : {qMakePair(2, 0), qMakePair(-1, 0), qMakePair(0, -1), qMakePair(0, kReadingsPerSensor)})
            QCOMPARE(temp(t, sr.first, sr.second).first, kNoReading);
        QCOMPARE(name(t, 7), QByteArray());
    }

    void labelMapping_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("kernelLabel");
        QTest::addColumn<bool>("hasTdie");
        QTest::addColumn<QString>("expected");
        QTest::newRow("package 0") << "coretemp" << "Package id 0" << false << "CPU Package";
        QTest::newRow("package 1") << "coretemp" << "Package id 1" << false << "CPU 1";
        QTest::newRow("core lower case") << "coretemp" << "core 0" << false << "core 0";
        QTest::newRow("core suffix") << "coretemp" << "Core 0 hot" << false << "Core 0 hot";
        QTest::newRow("tctl alone") << "k10temp" << "Tctl" << false << "CPU";
        QTest::newRow("tctl offset") << "k10temp" << "Tctl" << true << "Tctl";
        QTest::newRow("tdie") << "k10temp" << "Tdie" << true << "CPU";
        QTest::newRow("pi") << "cpu_thermal" << "temp1" << false << "CPU";
        QTest::newRow("board core") << "nct6775" << "Core 0" << false << "Core 0";
    }
    void labelMapping()
    {
        QFETCH(QString, driver);
        QFETCH(QString, kernelLabel);
        QFETCH(bool, hasTdie);
        QFETCH(QString, expected);
        QCOMPARE(HwmonSensorTable::mapCpuLabel(driver.toLatin1(), kernelLabel.toLatin1(), hasTdie), expected.toLatin1());
    }

    // Devices and readings in numeric order; the older layout below device/; a missing name is the folder's.
    void treeLayouts()
    {
        QTemporaryDir dir;
        for (int c : {10, 9, 1})
            writeHwmonFile(dir.path(), QStringLiteral("hwmon10/temp%1_input").arg(c), QByteArray::number(c * 1000));
        writeHwmonFile(dir.path(), "hwmon2/device/name", "coretemp");
        writeHwmonFile(dir.path(), "hwmon2/device/temp1_input", "38000");
        writeHwmonFile(dir.path(), "hwmon2/device/temp1_label", "Core 0");
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(name(t, 0) + ' ' + name(t, 1), QByteArray("coretemp hwmon10"));
        QCOMPARE(temp(t, 0, 0), Read(38.0, "Core #0"));
        QCOMPARE(temp(t, 1, 0), Read(1.0, "temp1"));
        QCOMPARE(temp(t, 1, 2), Read(10.0, "temp10"));
        writeHwmonFile(dir.path(), "hwmon10/temp1_input", "-5000");
        QCOMPARE(temp(t, 1, 0).first, 1.0);  // values are read again on prepare only
        t.prepareSensor(1);
        QCOMPARE(temp(t, 1, 0).first, -5.0);
        writeHwmonFile(dir.path(), "hwmon3/name", "acpitz");  // a new device counts on the next pass
        QCOMPARE(t.sensorCount(), 3);
    }

    void labelsTruncatedToBuffer()
    {
        QTemporaryDir dir;
        writeStandardTree(dir.path());
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        QCOMPARE(t.getTemperature(0, 0, buf, 4), 41.9);
        QCOMPARE(QByteArray(buf, 16), QByteArray("Cor\0############", 16));
        std::memset(buf, '#', sizeof buf);
        t.getTemperature(0, 0, buf, 0);
        t.sensorName(0, buf, -5);
        QCOMPARE(buf[0], '#');
        t.getTemperature(0, 0, nullptr, 256);
        char text[3];
        writeHwmonFile(dir.path(), "hwmon0/energy1_input", "123456789");
        t.prepareSensor(0);
        QCOMPARE(t.otherReading(0, 0, buf, sizeof buf, text, sizeof text), 123.456789);
        QCOMPARE(QByteArray(text), QByteArray("12"));
    }

    void garbageSkipped()
    {
        QTemporaryDir dir;
        writeHwmonFile(dir.path(), "hwmon0/name", "coretemp\x01\n");
        writeHwmonFile(dir.path(), "hwmon0/temp1_input", "hot");
        writeHwmonFile(dir.path(), "hwmon0/temp2_input", "");
        writeHwmonFile(dir.path(), "hwmon0/temp3_input", "51000");
        writeHwmonFile(dir.path(), "hwmon0/temp3_label", "Core\t3\n\x7f");
        writeHwmonFile(dir.path(), "hwmon0/temp4_input", QByteArray(5000, '9'));
        writeHwmonFile(dir.path(), "hwmon0/temp5_label", QByteArray(1000, 'L'));
        writeHwmonFile(dir.path(), "hwmon0/temp5_input", "1000");
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        for (int i = 0; i < 3; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unreadable sensor file skipped"));
        t.prepareSensor(0);
        QCOMPARE(name(t, 0), QByteArray("coretemp"));
        // The control characters are dropped, so no "Core #3" sneaks in either.
        QCOMPARE(temp(t, 0, 0), Read(51.0, "Core3"));
        QCOMPARE(temp(t, 0, 1), Read(1.0, QByteArray(255, 'L')));
        QCOMPARE(temp(t, 0, 2).first, kNoReading);
        t.prepareSensor(0); // reported once only, not on every pass
    }

    // A FIFO where an attribute belongs would block on open; only regular
    // files are read, and the reading keeps its number as label.
    void fifoNotRead()
    {
        QTemporaryDir dir;
        writeStandardTree(dir.path());
        for (const char *file : {"hwmon0/temp2_label", "hwmon1/name"}) {
            QFile::remove(dir.filePath(file));
            QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(file)).constData(), 0600), 0);
            QTest::ignoreMessage(QtWarningMsg, qPrintable("unreadable sensor file skipped: \"" + dir.filePath(file) + '"'));
        }
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(temp(t, 0, 0), Read(41.9, "temp2"));
        QCOMPARE(name(t, 1), QByteArray("hwmon1"));
    }

    // The whole road: hwmon files -> running maximum -> view and every PWM fan
    // of a connected box (box 1 is not connected, fan 1 of box 0 not PWM).
    void hwmonPassDrivesPwmFans()
    {
        QTemporaryDir tree;
        writeStandardTree(tree.path());
        HwmonSensorTable sensors(tree.path());
        CpuRig rig(sensors, {0, 2});
        rig.state.boxArray[0].isPWMFan[1] = false;
        QVERIFY(!rig.tasks.rpmTimer().isActive());
        rig.pass();
        QCOMPARE(rig.state.cpuTemp, 44);
        QCOMPARE(rig.temperatures(), QStringList{"44"});
        QCOMPARE(rig.emu.traceLines(), QStringList({speedLine(0, 0, 40), speedLine(0, 2, 40)}) + speedLines(2, 40));
        QVERIFY(rig.tasks.rpmTimer().isActive());
        QCOMPARE(rig.tasks.rpmTimer().interval(), 1000);
    }

    void runningMaximum_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QStringList>("shown"); // the pass maximum, once; nothing without a CPU reading
        QTest::newRow("board only") << QStringList{"System"} << QList<double>{60.0} << QStringList{};
        QTest::newRow("board after core") << QStringList{"Core #0", "System"} << QList<double>{41.9, 60.0} << QStringList{"41"};
        QTest::newRow("letter case") << QStringList{"core #0", "CPU"} << QList<double>{50.0, 38.0} << QStringList{"38"};
        QTest::newRow("never lowered") << QStringList{"CPU", "Core MAX"} << QList<double>{50.0, 40.0} << QStringList{"50"};
        QTest::newRow("absent readings") << QStringList{"CPU", "CPU", "CPU Package"} << QList<double>{0.0, -9999.0, 47.5}
                                         << QStringList{"47"};
        QTest::newRow("not a number") << QStringList{"CPU"} << QList<double>{std::nan("")} << QStringList{};
        QTest::newRow("absurd") << QStringList{"CPU"} << QList<double>{1e300} << QStringList{QString::number(INT_MAX)};
        QTest::newRow("temperature labels") << QStringList{"Temperature 9", "Temperature 8", "CPU "}
                                            << QList<double>{70.0, 33.3, 80.0} << QStringList{"33"};
    }
    void runningMaximum()
    {
        QFETCH(QStringList, labels);
        QFETCH(QList<double>, values);
        QFETCH(QStringList, shown);
        FakeSensorTable sensors;
        auto &readings = sensors.temps();
        for (int i = 0; i < labels.size(); ++i)
            readings.append({labels[i].toLatin1(), values[i], {}});
        CpuRig rig(sensors);
        rig.state.cpuTemp = 99; // replaced by a lower maximum, kept without one
        rig.pass();
        QCOMPARE(rig.temperatures(), shown);
        QCOMPARE(rig.state.cpuTemp, shown.isEmpty() ? 99 : shown.last().toInt());
    }

    void curveCappedPerFan()
    {
        FakeSensorTable sensors;
        sensors.temps().append({"CPU Package", 70.0, {}});
        CpuRig rig(sensors, {1});
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
        CpuRig rig(sensors, {0});
        const MonitorLog log;
        rig.pass();
        rig.cpu.updateCPUTemp();
        QCOMPARE(rig.emu.traceLines(), percent < 0 ? QStringList() : speedLines(0, percent) + speedLines(0, percent));
        QCOMPARE(log.lines.count(kNoCpuText), percent < 0 ? 1 : 0);
        rig.cpu.setInfoMessage();
        QCOMPARE(rig.infoLines().count(kNoCpuText), percent < 0 ? 1 : 0);
    }

    // 256 sensors of 64 readings: one report per fan and pass, not per reading.
    void largeTreeOneReportPerFan()
    {
        FakeSensorTable sensors;
        for (int s = 0; s < 256; ++s)
            sensors.temps("s").fill({"Core #0", 44.0, {}}, kReadingsPerSensor);
        CpuRig rig(sensors, {3});
        rig.pass();
        QCOMPARE(rig.emu.traceLines(), speedLines(3, 40));
    }

    void libraryFails_data()
    {
        QTest::addColumn<bool>("loads");
        QTest::addColumn<int>("initResult");
        QTest::addColumn<QString>("log");
        QTest::newRow("cannot load") << false << 0 << "CANNOT LOAD DLL";
        QTest::newRow("init failed") << true << 3 << "INIT FAILED: 3";
    }
    void libraryFails()
    {
        QFETCH(bool, loads);
        QFETCH(int, initResult);
        QFETCH(QString, log);
        FakeSensorTable sensors;
        sensors.temps().append({"CPU", 50.0, {}});
        sensors.loadResult = loads;
        sensors.initResult = initResult;
        CpuRig rig(sensors);
        QTest::ignoreMessage(QtDebugMsg, qPrintable(log));
        QVERIFY(!rig.cpu.initSensorLibrary());
        QCOMPARE(rig.cpu.libraryState(), CpuTemperature::LibraryState::Failed);
        QCOMPARE(sensors.initialiseArg, loads ? 0 : -1);
        QVERIFY(!rig.cpu.timer() && rig.owner.findChildren<QTimer *>().isEmpty());
        rig.cpu.updateCPUTemp();
        rig.cpu.setInfoMessage();
        QCOMPARE(rig.views.calls, QStringList());
        QVERIFY(rig.state.cpuTemp == 0 && !rig.tasks.rpmTimer().isActive());
    }

    void initOkStartsTimerOnOwner()
    {
        FakeSensorTable sensors;
        sensors.temps().append({"Core MAX", 52.0, {}});
        CpuRig rig(sensors);
        QTest::ignoreMessage(QtDebugMsg, "INIT OK");
        QVERIFY(rig.cpu.initSensorLibrary());
        QTimer *timer = rig.cpu.timer();
        QVERIFY(timer && timer->isActive() && !timer->isSingleShot() && timer->parent() == &rig.owner);
        QCOMPARE(timer->interval(), 5000);
        // A second call neither re-initialises nor adds a timer.
        sensors.initialiseArg = -1;
        QVERIFY(rig.cpu.initSensorLibrary());
        rig.cpu.setupUpdateCPUTempTimer();
        QCOMPARE(sensors.initialiseArg, -1);
        QCOMPARE(rig.owner.findChildren<QTimer *>().size(), 1);
        timer->setInterval(1);
        QTRY_COMPARE(rig.state.cpuTemp, 52);
    }

    void infoLinesEveryKind()
    {
        FakeSensorTable sensors;
        sensors.temps("Mainboard") = {{"CPU Package", 47.5, {}}, {"Empty", 0.0, {}}};
        auto &s = sensors.sensors.last().readings;
        s[FakeSensorTable::Volt] = {{"Vcore", 1.23456789, {}}};
        s[FakeSensorTable::Fan] = {{"Fan1", 1500.0, {}}, {"Fan2", -9999.0, {}}};
        s[FakeSensorTable::Curr] = {{"Idd", 0.000123, {}}};
        s[FakeSensorTable::Power] = {{"Package Power", -3.5, {}}};
        s[FakeSensorTable::Clock] = {{"Bus", 1234567.0, {}}};
        s[FakeSensorTable::Usage] = {{"Total", 12.0, {}}};
        s[FakeSensorTable::Other] = {{"Intrusion", 0.0, "Yes/No"}, {"Energy", 7.0, "7 J"}};
        sensors.temps("Empty sensor");
        CpuRig rig(sensors);
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
        FakeSensorTable sensors;
        sensors.temps().append({"CPU", 50.0, {}});
        sensors.fillWithoutTerminator = true;
        sensors.sensors[0].readings[FakeSensorTable::Other] = {{"x", 1.0, "y"}};
        CpuRig rig(sensors);
        rig.pass();
        QCOMPARE(rig.temperatures(), QStringList());
        rig.cpu.setInfoMessage();
        QCOMPARE(rig.infoLines(), QStringList({"HWi32_GetTemperature:" + QString(255, 'A') + " = 50", kNoCpuText}));
    }

    void implausibleSensorCount()
    {
        FakeSensorTable sensors;
        sensors.countOverride = -4;
        CpuRig rig(sensors);
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

QTEST_GUILESS_MAIN(TestMonitor)
#include "test_monitor.moc"
