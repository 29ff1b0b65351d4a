#pragma once

// A fake /sys/class/hwmon, a scripted sensor source, and everything a
// temperature pass touches over emulated boxes.

#include "commands/periodictasks.h"
#include "common/recordingviewsink.h"
#include "core/controllerstate.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "monitor/cputemperature.h"
#include "monitor/hwmonsensortable.h"
#include "storage/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVector>
#include <QtTest>

#include <array>
#include <cstring>

inline void writeHwmonFile(const QString &root, const QString &relative, const QByteArray &content)
{
    const QString path = root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}

// hwmon<first>: coretemp with "Core 0" 41.9 and "Core 1" 44.2.
// hwmon<first + 1>: a board chip with "System" 60.0, a zero reading, a label
// without reading, one fan, one voltage and one power reading.
inline void writeStandardTree(const QString &root, int first = 0)
{
    const QString cpu = QStringLiteral("hwmon%1/").arg(first), board = QStringLiteral("hwmon%1/").arg(first + 1);
    const std::pair<QString, QByteArray> files[] = {
        {cpu + "name", "coretemp\n"}, {cpu + "temp2_input", "41900\n"}, {cpu + "temp2_label", "Core 0\n"},
        {cpu + "temp3_input", "44200\n"}, {cpu + "temp3_label", "Core 1\n"}, {board + "name", "nct6775\n"},
        {board + "temp1_input", "60000\n"}, {board + "temp1_label", "System\n"}, {board + "temp2_input", "0\n"},
        {board + "temp2_label", "AUXTIN0\n"}, {board + "temp7_label", "PECI Agent 0\n"},
        {board + "fan1_input", "1500\n"}, {board + "fan1_label", "CPU Fan\n"}, {board + "in0_input", "1104\n"},
        {board + "power1_input", "12500000\n"}};
    for (const auto &f : files)
        writeHwmonFile(root, f.first, f.second);
}

// A scripted sensor source: per sensor a name and per kind a list of readings.
class FakeSensorTable : public SensorTable {
public:
    enum Kind { Temp, Volt, Fan, Curr, Power, Clock, Usage, Other, KindCount };
    struct Reading {
        QByteArray label;
        double value = kNoReading;
        QByteArray text; // Other only
    };
    struct Sensor {
        QByteArray name;
        std::array<QVector<Reading>, KindCount> readings;
    };

    bool loadResult = true;
    int initResult = 0;
    int countOverride = -1; // reported as the sensor count when not -1
    bool fillWithoutTerminator = false; // labels fill the whole buffer, no NUL
    QVector<Sensor> sensors;
    int initialiseArg = -1;
    int prepareCalls = 0;

    QVector<Reading> &temps(const QByteArray &name = "cpu")
    {
        sensors.append(Sensor{name, {}});
        return sensors.last().readings[Temp];
    }

    bool load() override { return m_loaded = loadResult; }
    bool isLoaded() const override { return m_loaded; }
    int initialise(int flags) override { return initialiseArg = flags, initResult; }
    int sensorCount() override { return countOverride != -1 ? countOverride : sensors.size(); }
    void prepareSensor(int) override { ++prepareCalls; }
    void sensorName(int s, char *buf, int size) override { put(s >= 0 && s < sensors.size() ? sensors[s].name : "", buf, size); }
    double getTemperature(int s, int r, char *l, int n) override { return get(Temp, s, r, l, n); }
    double getVoltage(int s, int r, char *l, int n) override { return get(Volt, s, r, l, n); }
    int getFan(int s, int r, char *l, int n) override { return int(get(Fan, s, r, l, n)); }
    double getCurrent(int s, int r, char *l, int n) override { return get(Curr, s, r, l, n); }
    double getPower(int s, int r, char *l, int n) override { return get(Power, s, r, l, n); }
    double getClock(int s, int r, char *l, int n) override { return get(Clock, s, r, l, n); }
    double getUsage(int s, int r, char *l, int n) override { return get(Usage, s, r, l, n); }
    double otherReading(int s, int r, char *l, int n, char *text, int textSize) override
    {
        if (const Reading *rd = find(Other, s, r))
            put(rd->text, text, textSize);
        return get(Other, s, r, l, n);
    }

private:
    const Reading *find(Kind k, int s, int r) const
    {
        const bool exists = s >= 0 && s < sensors.size() && r >= 0 && r < sensors[s].readings[k].size();
        return exists ? &sensors[s].readings[k][r] : nullptr;
    }
    double get(Kind k, int s, int r, char *l, int n)
    {
        const Reading *rd = find(k, s, r);
        if (rd)
            put(rd->label, l, n);
        return rd ? rd->value : kNoReading;
    }
    void put(const QByteArray &text, char *buf, int size)
    {
        if (fillWithoutTerminator)
            std::memset(buf, 'A', size_t(size));
        else
            copySensorText(text.constData(), buf, size);
    }

    bool m_loaded = false;
};

struct CpuRig {
    explicit CpuRig(SensorTable &sensors, const QList<int> &boxes = {}) : cpu(state, tasks, views, sensors, &owner)
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
