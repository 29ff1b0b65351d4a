#include "monitor/hwmonsensortable.h"
#include "hwmontree.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

class TestHwmonSensorTable : public QObject {
    Q_OBJECT

private:
    static QByteArray label(const char *buf) { return QByteArray(buf); }

private Q_SLOTS:
    void noDeviceIsNotLoaded()
    {
        QTemporaryDir dir;
        HwmonSensorTable empty(dir.path());
        QVERIFY(!empty.load());
        QVERIFY(!empty.isLoaded());
        QCOMPARE(empty.initialise(0), -1);
        HwmonSensorTable missing(dir.path() + "/nowhere");
        QVERIFY(!missing.load());
        // A directory that is not a hwmon device does not count.
        writeHwmonFile(dir.path(), "thermal_zone0/temp", "42000");
        QVERIFY(!empty.load());
    }

    void rootFromEnvironment()
    {
        QTemporaryDir dir;
        qputenv("ZALDO_HWMON_ROOT", dir.path().toLocal8Bit());
        QCOMPARE(HwmonSensorTable::defaultRoot(), dir.path());
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
        char buf[kSensorTextSize];

        t.prepareSensor(0);
        t.sensorName(0, buf, sizeof buf);
        QCOMPARE(label(buf), QByteArray("coretemp"));
        QCOMPARE(t.getTemperature(0, 0, buf, sizeof buf), 41.9);
        QCOMPARE(label(buf), QByteArray("Core #0"));
        QCOMPARE(t.getTemperature(0, 1, buf, sizeof buf), 44.2);
        QCOMPARE(label(buf), QByteArray("Core #1"));
        QCOMPARE(t.getTemperature(0, 2, buf, sizeof buf), kNoReading);
        QCOMPARE(label(buf), QByteArray());

        t.prepareSensor(1);
        t.sensorName(1, buf, sizeof buf);
        QCOMPARE(label(buf), QByteArray("nct6775"));
        QCOMPARE(t.getTemperature(1, 0, buf, sizeof buf), 60.0);
        QCOMPARE(label(buf), QByteArray("System"));
        QCOMPARE(t.getTemperature(1, 1, buf, sizeof buf), 0.0);
        QCOMPARE(label(buf), QByteArray("AUXTIN0"));
        // temp7 has a label but no reading.
        QCOMPARE(t.getTemperature(1, 2, buf, sizeof buf), kNoReading);
        QCOMPARE(t.getVoltage(1, 0, buf, sizeof buf), 1.104);
        QCOMPARE(label(buf), QByteArray("in0"));
        QCOMPARE(t.getFan(1, 0, buf, sizeof buf), 1500);
        QCOMPARE(label(buf), QByteArray("CPU Fan"));
        QCOMPARE(t.getFan(1, 1, buf, sizeof buf), -9999);
        QCOMPARE(t.getPower(1, 0, buf, sizeof buf), 12.5);
        QCOMPARE(label(buf), QByteArray("power1"));
        QCOMPARE(t.getCurrent(1, 0, buf, sizeof buf), kNoReading);
        QCOMPARE(t.getClock(1, 0, buf, sizeof buf), kNoReading);
        QCOMPARE(t.getUsage(1, 0, buf, sizeof buf), kNoReading);
    }

    void outOfRangeIndices()
    {
        QTemporaryDir dir;
        writeStandardTree(dir.path());
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        char buf[kSensorTextSize] = "old";
        QCOMPARE(t.getTemperature(2, 0, buf, sizeof buf), kNoReading);
        QCOMPARE(t.getTemperature(-1, 0, buf, sizeof buf), kNoReading);
        QCOMPARE(t.getTemperature(0, -1, buf, sizeof buf), kNoReading);
        QCOMPARE(t.getTemperature(0, kReadingsPerSensor, buf, sizeof buf), kNoReading);
        t.sensorName(7, buf, sizeof buf);
        QCOMPARE(label(buf), QByteArray());
        char text[8] = "x";
        QCOMPARE(t.otherReading(0, -3, buf, sizeof buf, text, sizeof text), kNoReading);
        QCOMPARE(label(text), QByteArray());
    }

    void labelMapping_data()
    {
        QTest::addColumn<QByteArray>("driver");
        QTest::addColumn<QByteArray>("kernelLabel");
        QTest::addColumn<bool>("hasTdie");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("package 0") << QByteArray("coretemp") << QByteArray("Package id 0") << false << QByteArray("CPU Package");
        QTest::newRow("package 1") << QByteArray("coretemp") << QByteArray("Package id 1") << false << QByteArray("CPU 1");
        QTest::newRow("old package") << QByteArray("coretemp") << QByteArray("Physical id 0") << false << QByteArray("CPU Package");
        QTest::newRow("core 0") << QByteArray("coretemp") << QByteArray("Core 0") << false << QByteArray("Core #0");
        QTest::newRow("core 12") << QByteArray("coretemp") << QByteArray("Core 12") << false << QByteArray("Core #12");
        QTest::newRow("core lower case") << QByteArray("coretemp") << QByteArray("core 0") << false << QByteArray("core 0");
        QTest::newRow("core suffix") << QByteArray("coretemp") << QByteArray("Core 0 hot") << false << QByteArray("Core 0 hot");
        QTest::newRow("via core") << QByteArray("via_cputemp") << QByteArray("Core 1") << false << QByteArray("Core #1");
        QTest::newRow("tctl alone") << QByteArray("k10temp") << QByteArray("Tctl") << false << QByteArray("CPU");
        QTest::newRow("tctl offset") << QByteArray("k10temp") << QByteArray("Tctl") << true << QByteArray("Tctl");
        QTest::newRow("tdie") << QByteArray("k10temp") << QByteArray("Tdie") << true << QByteArray("CPU");
        QTest::newRow("tccd") << QByteArray("k10temp") << QByteArray("Tccd1") << false << QByteArray("Tccd1");
        QTest::newRow("zenpower") << QByteArray("zenpower") << QByteArray("Tdie") << true << QByteArray("CPU");
        QTest::newRow("pi") << QByteArray("cpu_thermal") << QByteArray("temp1") << false << QByteArray("CPU");
        QTest::newRow("pi second") << QByteArray("cpu_thermal") << QByteArray("temp2") << false << QByteArray("temp2");
        QTest::newRow("x86 package") << QByteArray("x86_pkg_temp") << QByteArray("temp1") << false << QByteArray("CPU Package");
        QTest::newRow("board core") << QByteArray("nct6775") << QByteArray("Core 0") << false << QByteArray("Core 0");
        QTest::newRow("acpi") << QByteArray("acpitz") << QByteArray("temp1") << false << QByteArray("temp1");
    }
    void labelMapping()
    {
        QFETCH(QByteArray, driver);
        QFETCH(QByteArray, kernelLabel);
        QFETCH(bool, hasTdie);
        QFETCH(QByteArray, expected);
        QCOMPARE(HwmonSensorTable::mapCpuLabel(driver, kernelLabel, hasTdie), expected);
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
        char buf[kSensorTextSize];
        QCOMPARE(t.getTemperature(0, 0, buf, sizeof buf), 70.0);
        QCOMPARE(label(buf), QByteArray("Tctl"));
        QCOMPARE(t.getTemperature(0, 1, buf, sizeof buf), 50.125);
        QCOMPARE(label(buf), QByteArray("CPU"));
    }

    void numericOrder()
    {
        QTemporaryDir dir;
        for (int n : {10, 2}) {
            writeHwmonFile(dir.path(), QStringLiteral("hwmon%1/name").arg(n), QByteArray("dev") + QByteArray::number(n));
            for (int c : {10, 9, 1})
                writeHwmonFile(dir.path(), QStringLiteral("hwmon%1/temp%2_input").arg(n).arg(c), QByteArray::number(c * 1000));
        }
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(t.sensorCount(), 2);
        char buf[kSensorTextSize];
        t.sensorName(0, buf, sizeof buf);
        QCOMPARE(label(buf), QByteArray("dev2"));
        t.sensorName(1, buf, sizeof buf);
        QCOMPARE(label(buf), QByteArray("dev10"));
        QCOMPARE(t.getTemperature(0, 0, buf, sizeof buf), 1.0);
        QCOMPARE(t.getTemperature(0, 1, buf, sizeof buf), 9.0);
        QCOMPARE(t.getTemperature(0, 2, buf, sizeof buf), 10.0);
        QCOMPARE(label(buf), QByteArray("temp10"));
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
        QCOMPARE(label(buf), QByteArray("Cor"));
        for (size_t i = 4; i < sizeof buf; ++i)
            QCOMPARE(buf[i], '#');

        std::memset(buf, '#', sizeof buf);
        t.getTemperature(0, 0, buf, 1);
        QCOMPARE(buf[0], '\0');
        QCOMPARE(buf[1], '#');
        std::memset(buf, '#', sizeof buf);
        t.getTemperature(0, 0, buf, 0);
        t.sensorName(0, buf, -5);
        QCOMPARE(buf[0], '#');
        t.getTemperature(0, 0, nullptr, 256);

        t.sensorName(0, buf, 5);
        QCOMPARE(label(buf), QByteArray("core"));
        char text[3];
        writeHwmonFile(dir.path(), "hwmon0/energy1_input", "123456789");
        t.prepareSensor(0);
        QCOMPARE(t.otherReading(0, 0, buf, sizeof buf, text, sizeof text), 123.456789);
        QCOMPARE(label(text), QByteArray("12"));
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
        const QRegularExpression skipped(QStringLiteral("unreadable sensor file skipped"));
        QTest::ignoreMessage(QtWarningMsg, skipped);
        QTest::ignoreMessage(QtWarningMsg, skipped);
        QTest::ignoreMessage(QtWarningMsg, skipped);
        t.prepareSensor(0);
        char buf[kSensorTextSize];
        t.sensorName(0, buf, sizeof buf);
        QCOMPARE(label(buf), QByteArray("coretemp"));
        // The control characters are dropped, so no "Core #3" sneaks in either.
        QCOMPARE(t.getTemperature(0, 0, buf, sizeof buf), 51.0);
        QCOMPARE(label(buf), QByteArray("Core3"));
        QCOMPARE(t.getTemperature(0, 1, buf, sizeof buf), 1.0);
        QCOMPARE(int(std::strlen(buf)), 255);
        QCOMPARE(t.getTemperature(0, 2, buf, sizeof buf), kNoReading);
        // Reported once only, not on every pass.
        t.prepareSensor(0);
        QCOMPARE(t.getTemperature(0, 0, buf, sizeof buf), 51.0);
    }

    void prepareRereadsValues()
    {
        QTemporaryDir dir;
        writeStandardTree(dir.path());
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        QCOMPARE(t.sensorCount(), 2);
        t.prepareSensor(0);
        char buf[kSensorTextSize];
        QCOMPARE(t.getTemperature(0, 0, buf, sizeof buf), 41.9);
        writeHwmonFile(dir.path(), "hwmon0/temp2_input", "55500");
        QCOMPARE(t.getTemperature(0, 0, buf, sizeof buf), 41.9);
        t.prepareSensor(0);
        QCOMPARE(t.getTemperature(0, 0, buf, sizeof buf), 55.5);

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
        char buf[kSensorTextSize];
        t.sensorName(0, buf, sizeof buf);
        QCOMPARE(label(buf), QByteArray("coretemp"));
        QCOMPARE(t.getTemperature(0, 0, buf, sizeof buf), 38.0);
        QCOMPARE(label(buf), QByteArray("Core #0"));
        t.sensorName(1, buf, sizeof buf);
        QCOMPARE(label(buf), QByteArray("hwmon3"));
        QCOMPARE(t.getTemperature(1, 0, buf, sizeof buf), -5.0);
        QCOMPARE(t.getCurrent(1, 0, buf, sizeof buf), 2.5);
        QCOMPARE(label(buf), QByteArray("curr1"));
    }
};

QTEST_GUILESS_MAIN(TestHwmonSensorTable)
#include "test_hwmonsensortable.moc"
