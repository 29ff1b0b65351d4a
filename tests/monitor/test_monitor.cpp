// The hwmon sensor reader, and the CPU-temperature pass that drives the PWM fans.
#include "monitor/cputemperature.h"
#include "monitor/hwmonsensortable.h"
#include "monitor/sensorregistry.h"
#include "common/coreharness.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdio>
#include <sys/stat.h>

namespace {
void writeFile(const QString &root, const QString &relative, const QByteArray &content)
{
    const QString path = root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

// hwmon<first>: coretemp with "Core 0" 41.9 and "Core 1" 44.2; hwmon<first + 1>:
// a board chip with "System" 60.0 and a zero reading.
void writeStandardTree(const QString &root, int first = 0)
{
    const QString cpu = QStringLiteral("hwmon%1/").arg(first), board = QStringLiteral("hwmon%1/").arg(first + 1);
    const std::pair<QString, QByteArray> files[] = {
        {cpu + "name", "coretemp\n"}, {cpu + "temp2_input", "41900\n"}, {cpu + "temp2_label", "Core 0\n"},
        {cpu + "temp3_input", "44200\n"}, {cpu + "temp3_label", "Core 1\n"}, {board + "name", "nct6775\n"},
        {board + "temp1_input", "60000\n"}, {board + "temp1_label", "System\n"}, {board + "temp2_input", "0\n"}};
    for (const auto &f : files)
        writeFile(root, f.first, f.second);
}

// One sensor of scripted temperature readings; nothing of any other kind.
struct FakeSensors : SensorTable {
    QList<QPair<QByteArray, double>> temps;
    bool load() override { return loaded = true; }
    bool isLoaded() const override { return loaded; }
    int initialise(int) override { return 0; }
    int sensorCount() override { return 1; }
    void prepareSensor(int) override {}
    void sensorName(int, char *buf, int size) override { copySensorText("cpu", buf, size); }
    double getTemperature(int s, int r, char *l, int n) override
    {
        if (s != 0 || r < 0 || r >= temps.size())
            return kNoReading;
        copySensorText(temps[r].first.constData(), l, n);
        return temps[r].second;
    }
    double getVoltage(int, int, char *, int) override { return kNoReading; }
    int getFan(int, int, char *, int) override { return int(kNoReading); }
    double getCurrent(int, int, char *, int) override { return kNoReading; }
    double getPower(int, int, char *, int) override { return kNoReading; }
    double getClock(int, int, char *, int) override { return kNoReading; }
    double getUsage(int, int, char *, int) override { return kNoReading; }
    double otherReading(int, int, char *, int, char *, int) override { return kNoReading; }
    bool loaded = false;
};

struct CpuRig : CoreHarness {
    CpuRig(SensorTable &sensors, const QList<int> &boxes) : CoreHarness(boxes), cpu(state, timers, views, sensors, &owner) {}
    QStringList temperatures() const { return views.calls.filter("setTemperature("); }
    void pass()
    {
        QVERIFY(cpu.initSensorLibrary());
        cpu.updateCPUTemp();
    }
    QObject owner;
    CpuTemperature cpu;
};

QPair<double, QByteArray> temp(SensorTable &t, int s, int r)
{
    char buf[kSensorTextSize] = "";
    const double v = t.getTemperature(s, r, buf, sizeof buf);
    return {v, buf};
}
QStringList speeds(int box, int percent) { return {speed(box, 0, percent), speed(box, 1, percent), speed(box, 2, percent)}; }
} // namespace

class TestMonitor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    void labelMapping()
    {
        const QList<std::tuple<const char *, const char *, bool, const char *>> rows{
            {"coretemp", "Package id 0", false, "CPU Package"}, {"coretemp", "Package id 1", false, "CPU 1"},
            {"k10temp", "Tctl", false, "CPU"}, {"k10temp", "Tctl", true, "Tctl"}, {"k10temp", "Tdie", true, "CPU"},
            {"cpu_thermal", "temp1", false, "CPU"}, {"nct6775", "Core 0", false, "Core 0"}};
        for (const auto &[driver, label, hasTdie, expected] : rows)
            QCOMPARE(HwmonSensorTable::mapCpuLabel(driver, label, hasTdie), QByteArray(expected));
    }

    // The whole road: hwmon files -> running maximum -> view and every PWM fan
    // of a connected box (fan 1 of box 0 is not PWM).
    void hwmonPassDrivesPwmFans()
    {
        QTemporaryDir tree;
        writeStandardTree(tree.path());
        HwmonSensorTable sensors(tree.path());
        CpuRig rig(sensors, {0, 2});
        rig.box(0).fans[1].source = (false) ? SpeedSource::following() : SpeedSource::fixed();
        rig.pass();
        QCOMPARE(rig.temperatures(), QStringList{"setTemperature(44)"});
        QCOMPARE(rig.reports(), QStringList({speed(0, 0, 40), speed(0, 2, 40)}) + speeds(2, 40));
        QCOMPARE(temp(sensors, 1, 1), qMakePair(0.0, QByteArray("temp2")));
        QVERIFY(rig.timers.rpmTimer().isActive());
    }

    // Bad files (unreadable text, a FIFO that would block, control characters,
    // a huge value) are skipped, reported once, and never hang the pass.
    void garbageSkipped()
    {
        QTemporaryDir dir;
        writeFile(dir.path(), "hwmon0/name", "coretemp\x01\n");
        writeFile(dir.path(), "hwmon0/temp1_input", "hot");
        writeFile(dir.path(), "hwmon0/temp3_input", "51000");
        writeFile(dir.path(), "hwmon0/temp3_label", "Core\t3\n\x7f");
        writeFile(dir.path(), "hwmon0/temp4_input", QByteArray(5000, '9'));
        writeFile(dir.path(), "hwmon0/temp5_input", "1000");
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("hwmon0/temp5_label")).constData(), 0600), 0);
        HwmonSensorTable t(dir.path());
        QVERIFY(t.load());
        for (int i = 0; i < 3; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unreadable sensor file skipped"));
        t.prepareSensor(0);
        QCOMPARE(temp(t, 0, 0), qMakePair(51.0, QByteArray("Core3")));
        QCOMPARE(temp(t, 0, 1), qMakePair(1.0, QByteArray("temp5")));
        QCOMPARE(temp(t, 0, 2).first, kNoReading);
        t.prepareSensor(0);
    }

    void runningMaximum()
    {
        const QList<std::tuple<QByteArrayList, QList<double>, int>> rows{  // shown maximum, -1 none
            {{"System"}, {60.0}, -1}, {{"Core #0", "System"}, {41.9, 60.0}, 41}, {{"core #0", "CPU"}, {50.0, 38.0}, 38},
            {{"CPU", "Core MAX"}, {50.0, 40.0}, 50}, {{"CPU", "CPU", "CPU Package"}, {0.0, -9999.0, 47.5}, 47},
            {{"CPU"}, {std::nan("")}, -1}};
        for (const auto &[labels, values, shown] : rows) {
            FakeSensors sensors;
            for (int i = 0; i < labels.size(); ++i)
                sensors.temps.append({labels[i], values[i]});
            CpuRig rig(sensors, {});
            rig.state.cpuTemp = 99;  // replaced by a lower maximum, kept without one
            rig.pass();
            QCOMPARE(rig.state.cpuTemp, shown < 0 ? 99 : shown);
            QCOMPARE(rig.temperatures().size(), shown < 0 ? 0 : 1);
        }
    }

    void curveCappedPerFan()
    {
        FakeSensors sensors;
        sensors.temps.append({"CPU Package", 70.0});
        CpuRig rig(sensors, {1});
        setLevels(rig.box(1), {2, 0, 5});
        rig.pass();
        QCOMPARE(rig.reports(), QStringList({speed(1, 0, 70), speed(1, 1, 50), speed(1, 2, 100)}));
    }

    // A non-CPU driver listed first must not send 0 % before the CPU's
    // reading; with no CPU driver at all the fans keep their last speed.
    void noZeroSpeedWithoutCpuReading()
    {
        for (auto [standardAt, firstDriver, percent] : {std::tuple{1, "acpitz", 40}, {0, "virt_cputemp", -1}}) {
            QTemporaryDir tree;
            writeStandardTree(tree.path(), standardAt);
            writeFile(tree.path(), "hwmon0/name", firstDriver);
            writeFile(tree.path(), "hwmon0/temp1_input", "27800");
            HwmonSensorTable sensors(tree.path());
            CpuRig rig(sensors, {0});
            rig.pass();
            QCOMPARE(rig.reports(), percent < 0 ? QStringList() : speeds(0, percent));
        }
    }

    // Per row a curve over a file sensor (or the built-in one), readings per pass ("_" none, "f" the fan
    // fixed for the pass), the percent sent ("-" none), what the panel is told (lost, never read, back), the pace.
    void curvesDriveFans()
    {
        const QList<std::tuple<QString, QString, QString, QString, int>> rows{
            {"30:20,50:40,70:80;sensor=probe;hysteresis=3", "50 60 58 57 _ _ _ 40 45", "40 60 60 54 - - 80 30 35", "lr", 1000},
            {"", "30 _ _ _ 50", "0 - - 100 60", "lr", 5000},
            {"30:20,50:40;sensor=probe", "_ _ 45", "- - 35", "nr", 1000},
            {"30:0,70:100;sensor=probe;step-up=10;step-down=5", "30 70 f 70 30", "0 10 - 100 95", "", 1000}};
        for (const auto &[text, readings, sent, told, pace] : rows) {
            QTemporaryDir dir;
            FakeSensors sensors;
            CpuRig rig(sensors, {0});
            QVERIFY(rig.cpu.sensorRegistry().addFile("probe", dir.filePath("probe")).isEmpty());
            const auto curve = std::make_shared<const UserCurve>(*parseUserCurve(text.isEmpty() ? "0:0,1:1" : text).curve);
            setLevels(rig.box(0), {5, 0, 0});
            rig.box(0).fans[1].source = rig.box(0).fans[2].source = SpeedSource::fixed();
            QStringList shown;
            QString heard;
            for (const QString &r : readings.split(' ')) {
                rig.box(0).fans[0].source = r == "f" ? SpeedSource::fixed() : SpeedSource::following(text.isEmpty() ? nullptr : curve);
                if (r != "f")
                    sensors.temps = r == "_" ? decltype(sensors.temps){} : decltype(sensors.temps){{"CPU Package", r.toDouble()}};
                QFile::remove(dir.filePath("probe"));
                if (r != "_")
                    writeFile(dir.path(), "probe", QByteArray::number(sensors.temps.value(0).second * 1000));
                rig.clear();
                rig.pass();
                shown << (rig.reports().isEmpty() ? "-" : QString::number(rig.reports().value(0).split(' ').value(5).toInt(nullptr, 16)));
                for (const QString &call : rig.views.calls.filter("appendInfo(Sensor"))
                    heard += call.contains("lost") ? 'l' : call.contains("no reading") ? 'n' : 'r';
            }
            QCOMPARE(shown.join(' '), sent);
            QCOMPARE(heard, told);
            QCOMPARE(rig.cpu.timer()->interval(), pace);
        }
    }

    // Ids by chip and label, the second chip of a name by where it sits (not
    // its hwmon number); cpu by the pass's rules; mixes and files; tenths kept.
    void sensorRegistry()
    {
        QTemporaryDir tree;
        const std::pair<const char *, QByteArray> files[] = {
            {"devices/b/hwmon0/name", "nvme"}, {"devices/b/hwmon0/temp1_input", "38870"},
            {"devices/b/hwmon0/temp1_label", "Composite"}, {"hwmon1/name", "k10temp"}, {"hwmon1/temp1_input", "52125"},
            {"hwmon1/temp1_label", "Tctl"}, {"hwmon1/temp2_input", "40000"}, {"devices/a/hwmon2/name", "nvme"},
            {"devices/a/hwmon2/temp1_input", "41000"}, {"devices/a/hwmon2/temp1_label", "Composite"},
            {"probe", "45678\n"}, {"bad", "hot"}};
        for (const auto &[file, content] : files)
            writeFile(tree.path(), file, content);
        QVERIFY(QFile::link(tree.filePath("devices/b/hwmon0"), tree.filePath("hwmon0")));
        QVERIFY(QFile::link(tree.filePath("devices/a/hwmon2"), tree.filePath("hwmon2")));
        HwmonSensorTable table(tree.path());
        QVERIFY(table.load());
        SensorRegistry reg(table);
        const QList<std::tuple<QString, MixKind, QVector<MixPart>, QString>> mixes{
            {"hot", MixKind::Max, {{"nvme#2/Composite"}, {"nvme/Composite"}}, ""},
            {"avg", MixKind::Average, {{"k10temp/Tctl"}, {"nvme#2/Composite"}}, ""},
            {"w", MixKind::Weighted, {{"k10temp/temp2", 3}, {"nvme/Composite", 1}}, ""},
            {"part-gone", MixKind::Max, {{"cpu"}, {"gone/x"}}, ""}, {"cpu", MixKind::Max, {{"w"}}, "\"cpu\" is taken"},
            {"a/b", MixKind::Max, {{"cpu"}}, "id \"a/b\""}, {"m", MixKind::Max, {{"hot"}}, "part \"hot\" is a mix"},
            {"e", MixKind::Max, {}, "1..16 parts"}, {"z", MixKind::Weighted, {{"cpu", 0}}, "weight"}};
        for (const auto &[id, kind, parts, error] : mixes)
            QVERIFY2(reg.addMix(id, kind, parts).contains(error), qPrintable(id));
        QVERIFY(reg.addFile("probe", tree.filePath("probe")).isEmpty() && reg.addFile("bad", tree.filePath("bad")).isEmpty());
        QVERIFY(reg.addFile("p2", "").contains("path"));
        reg.refresh();
        for (const auto &[id, celsius] : {std::pair{"hot", 41.0}, {"avg", 45.5}, {"nvme#2/Composite", 38.9}})
            QCOMPARE(reg.read(id), std::optional<double>(celsius));
        QFile::remove(tree.filePath("devices/b/hwmon0/temp1_input"));
        reg.refresh();
        QStringList shown;
        for (const SensorInfo &s : reg.list())
            shown << s.id + '|' + s.label + '|' + SensorRegistry::sourceName(s.source) + '|'
                         + (s.reading ? QString::number(*s.reading, 'f', 2) : "none");
        QCOMPARE(shown, QStringList({"cpu|CPU temperature|cpu|52.10", "k10temp/Tctl|k10temp Tctl|hwmon|52.10",
            "k10temp/temp2|k10temp temp2|hwmon|40.00", "nvme/Composite|nvme Composite|hwmon|41.00",
            "nvme#2/Composite|nvme Composite|hwmon|none", "hot|max of nvme#2/Composite, nvme/Composite|mix|none",
            "avg|average of k10temp/Tctl, nvme#2/Composite|mix|none",
            "w|weighted average of k10temp/temp2 x3, nvme/Composite x1|mix|40.30",
            "part-gone|max of cpu, gone/x|mix|none", QString("probe|%1|file|45.70").arg(tree.filePath("probe")),
            QString("bad|%1|file|none").arg(tree.filePath("bad"))}));
        QCOMPARE(reg.read("nvme/Composite"), std::optional<double>(41.0));
        QCOMPARE(reg.read("nowhere"), std::nullopt);
        // Another device under a hwmon number handed out again; a channel that
        // appears later is found within 30 passes or so.
        for (auto [file, content] : {std::pair{"devices/c/hwmon2/name", "amdgpu"}, {"devices/c/hwmon2/temp1_input", "61000"},
                                     {"devices/c/hwmon2/temp1_label", "edge"}, {"hwmon1/temp3_input", "30000"}})
            writeFile(tree.path(), file, content);
        // Made beside it, then renamed over it: the old entry's inode stays taken.
        QVERIFY(QFile::link(tree.filePath("devices/c/hwmon2"), tree.filePath("new")));
        QVERIFY(std::rename(qPrintable(tree.filePath("new")), qPrintable(tree.filePath("hwmon2"))) == 0);
        reg.refresh();
        QCOMPARE(reg.read("amdgpu/edge"), std::optional<double>(61.0));
        for (int pass = 0; pass < 60; ++pass)
            reg.refresh();
        QCOMPARE(reg.read("k10temp/temp3"), std::optional<double>(30.0));
    }

    // The user's list reaches the registry at once when announced: added, changed, removed; a refused one named.
    void registryFollowsDefinitions()
    {
        QTemporaryDir dir;
        writeFile(dir.path(), "a", "41500\n"), writeFile(dir.path(), "b", "30000\n");
        FakeSensors sensors;
        CpuRig rig((sensors.temps = {{"CPU Package", 50.0}}, sensors), {});
        const auto def = [](const QString &id, const QString &text) { return *parseUserSensor(id, text).def; };
        const QList<QPair<QVector<UserSensorDef>, QString>> rows{  // definitions, listed after cpu's
            {{def("probe", "file:" + dir.filePath("a")), def("m", "max:probe,cpu"), def("mm", "max:m")}, "probe:41.5 m:50"},
            {{def("probe", "file:" + dir.filePath("b")), def("m", "average:probe,cpu"), def("mm", "max:m")}, "probe:30 m:40"},
            {{def("m", "max:probe,cpu")}, "m:none"}};
        QTest::ignoreMessage(QtWarningMsg, "Sensor \"mm\" not added: mix \"mm\": part \"m\" is a mix");
        QVERIFY(rig.cpu.initSensorLibrary());
        for (const auto &[defs, listed] : rows) {
            rig.state.userSensors = defs;
            rig.state.events.sensorsDefined();
            QStringList shown;
            for (const SensorStatus &s : rig.state.sensors.mid(2))
                shown << s.id + ':' + (s.reading ? QString::number(*s.reading) : "none");
            QCOMPARE(shown.join(' '), listed);
        }
    }

    // The information window: chip, the kernel's label, value and unit, chip by
    // chip; without any sensor a hint.
    void infoWindowLines()
    {
        QTemporaryDir tree;
        const std::pair<const char *, QByteArray> files[] = {
            {"hwmon0/name", "k10temp"}, {"hwmon0/temp1_input", "52000"}, {"hwmon0/temp1_label", "Tctl"},
            {"hwmon1/name", "nct6775"}, {"hwmon1/fan1_input", "1200"}, {"hwmon1/in0_input", "12000"},
            {"hwmon1/in1_input", "1352"}, {"hwmon1/temp2_input", "30500"}, {"hwmon1/power1_average", "15250000"}};
        for (const auto &[file, content] : files)
            writeFile(tree.path(), file, content);
        const QStringList lines{"k10temp Tctl 52.0 °C", "", "nct6775 temp2 30.5 °C", "nct6775 in0 12.0 V",
                                "nct6775 in1 1.352 V", "nct6775 fan1 1200 RPM", "nct6775 power1 15.25 W"};
        for (const QString &root : {tree.path(), tree.filePath("none")}) {
            HwmonSensorTable sensors(root);
            CpuRig rig(sensors, {});
            rig.cpu.initSensorLibrary();
            rig.cpu.setInfoMessage();
            QStringList shown;
            for (const QString &call : rig.views.calls.filter("appendInfo("))
                shown << call.mid(11).chopped(1);
            QCOMPARE(shown.mid(0, root == tree.path() ? -1 : 1), root == tree.path() ? lines : QStringList{"No sensors found"});
            QCOMPARE(shown.size(), root == tree.path() ? lines.size() : 2);  // and a hint
        }
    }
};

QTEST_GUILESS_MAIN(TestMonitor)
#include "test_monitor.moc"
