#include "monitor/hwmonsensortable.h"
#include "hwmontree.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

#include <sys/stat.h>

namespace {
using Read = QPair<double, QByteArray>; // value and the label left in the buffer

Read temp(HwmonSensorTable &t, int s, int r)
{
    char buf[kSensorTextSize] = "";
    const double v = t.getTemperature(s, r, buf, sizeof buf);
    return {v, buf};
}
QByteArray name(HwmonSensorTable &t, int s)
{
    char buf[kSensorTextSize] = "old";
    t.sensorName(s, buf, sizeof buf);
    return buf;
}
} // namespace

class TestHwmonSensorTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noDeviceIsNotLoaded()
    {
        QTemporaryDir dir;
        HwmonSensorTable empty(dir.path());
        QVERIFY(!empty.load());
        QVERIFY(!empty.isLoaded());
        QCOMPARE(empty.initialise(0), -1);
        QVERIFY(!HwmonSensorTable(dir.path() + "/nowhere").load());
        // A directory that is not a hwmon device does not count.
        writeHwmonFile(dir.path(), "thermal_zone0/temp", "42000");
        QVERIFY(!empty.load());
    }

    void rootFromEnvironment()
    {
        QTemporaryDir dir;
        qputenv("ZALDO_HWMON_ROOT", dir.path().toLocal8Bit());
        QCOMPARE(HwmonSensorTable().root(), dir.path());
        qunsetenv("ZALDO_HWMON_ROOT");
        QCOMPARE(HwmonSensorTable::defaultRoot(), QStringLiteral("/sys/class/hwmon"));
    }

    void readsStandardTree()
    {
        QTemporaryDir dir;
        writeStandardTree(dir.path());
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(t.initialise(0), 0);
        QCOMPARE(t.sensorCount(), 2);
        t.prepareSensor(0);
        QCOMPARE(name(t, 0), QByteArray("coretemp"));
        QCOMPARE(temp(t, 0, 0), Read(41.9, "Core #0"));
        QCOMPARE(temp(t, 0, 1), Read(44.2, "Core #1"));
        QCOMPARE(temp(t, 0, 2), Read(kNoReading, ""));
        t.prepareSensor(1);
        QCOMPARE(name(t, 1), QByteArray("nct6775"));
        QCOMPARE(temp(t, 1, 0), Read(60.0, "System"));
        QCOMPARE(temp(t, 1, 1), Read(0.0, "AUXTIN0"));
        QCOMPARE(temp(t, 1, 2).first, kNoReading); // temp7 has a label but no reading
        char buf[kSensorTextSize];
        QCOMPARE(t.getVoltage(1, 0, buf, sizeof buf), 1.104);
        QCOMPARE(QByteArray(buf), QByteArray("in0"));
        QCOMPARE(t.getFan(1, 0, buf, sizeof buf), 1500);
        QCOMPARE(QByteArray(buf), QByteArray("CPU Fan"));
        QCOMPARE(t.getFan(1, 1, buf, sizeof buf), -9999);
        QCOMPARE(t.getPower(1, 0, buf, sizeof buf), 12.5);
        QCOMPARE(QByteArray(buf), QByteArray("power1"));
        QCOMPARE(t.getCurrent(1, 0, buf, sizeof buf), kNoReading);
        QCOMPARE(t.getClock(1, 0, buf, sizeof buf), kNoReading);
        QCOMPARE(t.getUsage(1, 0, buf, sizeof buf), kNoReading);

        // Out-of-range indices read as nothing.
        for (auto sr : {qMakePair(2, 0), qMakePair(-1, 0), qMakePair(0, -1), qMakePair(0, kReadingsPerSensor)})
            QCOMPARE(temp(t, sr.first, sr.second).first, kNoReading);
        QCOMPARE(name(t, 7), QByteArray());
        char text[8] = "x";
        QCOMPARE(t.otherReading(0, -3, buf, sizeof buf, text, sizeof text), kNoReading);
        QCOMPARE(QByteArray(text), QByteArray());
    }

    void labelMapping_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("kernelLabel");
        QTest::addColumn<bool>("hasTdie");
        QTest::addColumn<QString>("expected");
        QTest::newRow("package 0") << "coretemp" << "Package id 0" << false << "CPU Package";
        QTest::newRow("package 1") << "coretemp" << "Package id 1" << false << "CPU 1";
        QTest::newRow("old package") << "coretemp" << "Physical id 0" << false << "CPU Package";
        QTest::newRow("core 12") << "coretemp" << "Core 12" << false << "Core #12";
        QTest::newRow("core lower case") << "coretemp" << "core 0" << false << "core 0";
        QTest::newRow("core suffix") << "coretemp" << "Core 0 hot" << false << "Core 0 hot";
        QTest::newRow("via core") << "via_cputemp" << "Core 1" << false << "Core #1";
        QTest::newRow("tctl alone") << "k10temp" << "Tctl" << false << "CPU";
        QTest::newRow("tctl offset") << "k10temp" << "Tctl" << true << "Tctl";
        QTest::newRow("tdie") << "k10temp" << "Tdie" << true << "CPU";
        QTest::newRow("pi") << "cpu_thermal" << "temp1" << false << "CPU";
        QTest::newRow("x86 package") << "x86_pkg_temp" << "temp1" << false << "CPU Package";
        QTest::newRow("board core") << "nct6775" << "Core 0" << false << "Core 0";
        QTest::newRow("acpi") << "acpitz" << "temp1" << false << "temp1";
    }
    void labelMapping()
    {
        QFETCH(QString, driver);
        QFETCH(QString, kernelLabel);
        QFETCH(bool, hasTdie);
        QFETCH(QString, expected);
        QCOMPARE(HwmonSensorTable::mapCpuLabel(driver.toLatin1(), kernelLabel.toLatin1(), hasTdie), expected.toLatin1());
    }

    void amdTreeKeepsOffsetTctl()
    {
        QTemporaryDir dir;
        writeHwmonFile(dir.path(), "hwmon0/name", "k10temp");
        writeHwmonFile(dir.path(), "hwmon0/temp1_input", "70000");
        writeHwmonFile(dir.path(), "hwmon0/temp1_label", "Tctl");
        writeHwmonFile(dir.path(), "hwmon0/temp2_input", "50125");
        writeHwmonFile(dir.path(), "hwmon0/temp2_label", "Tdie");
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(temp(t, 0, 0), Read(70.0, "Tctl"));
        QCOMPARE(temp(t, 0, 1), Read(50.125, "CPU"));
    }

    void numericOrder()
    {
        QTemporaryDir dir;
        for (int n : {10, 2}) {
            writeHwmonFile(dir.path(), QStringLiteral("hwmon%1/name").arg(n), "dev" + QByteArray::number(n));
            for (int c : {10, 9, 1})
                writeHwmonFile(dir.path(), QStringLiteral("hwmon%1/temp%2_input").arg(n).arg(c), QByteArray::number(c * 1000));
        }
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(t.sensorCount(), 2);
        QCOMPARE(name(t, 0) + ' ' + name(t, 1), QByteArray("dev2 dev10"));
        QCOMPARE(temp(t, 0, 0), Read(1.0, "temp1"));
        QCOMPARE(temp(t, 0, 1), Read(9.0, "temp9"));
        QCOMPARE(temp(t, 0, 2), Read(10.0, "temp10"));
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
        QCOMPARE(QByteArray(buf, 5), QByteArray("Cor\0#", 5));
        QCOMPARE(QByteArray(buf + 4, 12), QByteArray(12, '#'));
        std::memset(buf, '#', sizeof buf);
        t.getTemperature(0, 0, buf, 1);
        QCOMPARE(QByteArray(buf, 2), QByteArray("\0#", 2));
        std::memset(buf, '#', sizeof buf);
        t.getTemperature(0, 0, buf, 0);
        t.sensorName(0, buf, -5);
        QCOMPARE(buf[0], '#');
        t.getTemperature(0, 0, nullptr, 256);
        t.sensorName(0, buf, 5);
        QCOMPARE(QByteArray(buf), QByteArray("core"));
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
        QCOMPARE(temp(t, 0, 0).first, 51.0);
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

    void prepareRereadsValues()
    {
        QTemporaryDir dir;
        writeStandardTree(dir.path());
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(t.sensorCount(), 2);
        t.prepareSensor(0);
        QCOMPARE(temp(t, 0, 0).first, 41.9);
        writeHwmonFile(dir.path(), "hwmon0/temp2_input", "55500");
        QCOMPARE(temp(t, 0, 0).first, 41.9);
        t.prepareSensor(0);
        QCOMPARE(temp(t, 0, 0).first, 55.5);
        // A device that appears is counted on the next pass.
        writeHwmonFile(dir.path(), "hwmon2/name", "acpitz");
        QCOMPARE(t.sensorCount(), 3);
    }

    void olderKernelLayoutAndMissingName()
    {
        QTemporaryDir dir;
        writeHwmonFile(dir.path(), "hwmon0/device/name", "coretemp");
        writeHwmonFile(dir.path(), "hwmon0/device/temp1_input", "38000");
        writeHwmonFile(dir.path(), "hwmon0/device/temp1_label", "Core 0");
        writeHwmonFile(dir.path(), "hwmon3/temp1_input", "-5000");
        writeHwmonFile(dir.path(), "hwmon3/curr1_input", "2500");
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(name(t, 0) + ' ' + name(t, 1), QByteArray("coretemp hwmon3"));
        QCOMPARE(temp(t, 0, 0), Read(38.0, "Core #0"));
        QCOMPARE(temp(t, 1, 0).first, -5.0);
        char buf[kSensorTextSize];
        QCOMPARE(t.getCurrent(1, 0, buf, sizeof buf), 2.5);
        QCOMPARE(QByteArray(buf), QByteArray("curr1"));
    }
};

QTEST_GUILESS_MAIN(TestHwmonSensorTable)
#include "test_hwmonsensortable.moc"
