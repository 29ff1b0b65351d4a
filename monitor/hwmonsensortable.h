#pragma once

#include "monitor/sensortable.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

// Linux sensor source over the kernel's hwmon class: one sensor per
// /sys/class/hwmon/hwmonN device, named by its "name" file. Readings of each
// kind are the device's channels in channel order (temp1 is reading 0 of the
// temperatures, in0 reading 0 of the voltages), converted to degrees Celsius,
// volts, RPM, amperes, watts and megahertz. CPU labels of the CPU drivers are
// renamed to the labels the temperature pass looks for ("Core 0" -> "Core #0").
//
// The root directory is ZALDO_HWMON_ROOT when set, else /sys/class/hwmon.
// Reads a small file only when it is a regular one, as sysfs attributes are,
// without blocking; *irregular when something else sits there.
QByteArray readRegularFile(const QString &path, bool *ok, bool *irregular);

class HwmonSensorTable : public SensorTable {
public:
    // An empty root means: the environment variable, else the kernel's directory.
    explicit HwmonSensorTable(const QString &root = QString());

    static QString defaultRoot();
    QString root() const { return m_root; }

    // Kernel temperature label (or "tempN" when the channel has none) -> the
    // label the temperature pass looks for, for one driver.
    static QByteArray mapCpuLabel(const QByteArray &driver, const QByteArray &label,
                                  bool driverHasTdie);

    bool load() override;
    bool isLoaded() const override { return m_loaded; }
    int initialise(int flags) override;
    int sensorCount() override;
    void prepareSensor(int sensor) override;
    void sensorName(int sensor, char *buf, int size) override;
    // The device the hwmon entry belongs to: the folder above it, links resolved.
    QString sensorPlace(int sensor) override;
    double getTemperature(int sensor, int reading, char *label, int size) override;
    void sourceTemperatureLabel(int sensor, int reading, char *label, int size) override;
    double getVoltage(int sensor, int reading, char *label, int size) override;
    int getFan(int sensor, int reading, char *label, int size) override;
    double getCurrent(int sensor, int reading, char *label, int size) override;
    double getPower(int sensor, int reading, char *label, int size) override;
    double getClock(int sensor, int reading, char *label, int size) override;
    double getUsage(int sensor, int reading, char *label, int size) override;
    double otherReading(int sensor, int reading, char *label, int labelSize, char *text,
                        int textSize) override;

private:
    enum Kind { Temp, Volt, Fan, Curr, Power, Freq, Energy, Humidity, KindCount };
    struct Reading {
        QByteArray label;
        QByteArray sourceLabel; // the kernel's, before the CPU renaming
        double value = 0.0;
    };
    struct Snapshot {
        QByteArray name;
        std::array<QVector<Reading>, KindCount> readings;
    };
    // What a device offers, looked up again only now and then: a pass then
    // reads its input files alone (a pass over hundreds of sensors would
    // otherwise list and read thousands of files).
    struct Channel {
        QString input;
        QByteArray label;
        QByteArray sourceLabel;
    };
    struct Layout {
        QByteArray name;
        QString place;
        quint64 inode = 0;  // of the hwmon entry when looked over
        std::array<QVector<Channel>, KindCount> channels;
        int reads = 0;
    };
    // Two reads a pass (its place and its readings): looked over every 30 passes.
    static constexpr int kReadsPerLayout = 60;

    QStringList scanDevices();
    const Snapshot *snapshot(int sensor);
    Snapshot readDevice(const QString &dir);
    const Layout &layoutOf(const QString &dir);
    Layout lookUp(const QString &dir);
    // Reads only regular files, as sysfs attributes are; anything else is logged once.
    QByteArray readFile(const QString &path, bool *ok);
    bool readNumber(const QString &path, qint64 *value);
    bool readChannel(const QString &path, qint64 *value);
    void reportUnreadable(const QString &path);
    double reading(int sensor, Kind kind, int index, char *label, int size);

    QString m_root;
    bool m_loaded = false;
    QStringList m_devices;
    QHash<int, Snapshot> m_snapshots;
    QHash<QString, Layout> m_layouts;  // by device folder
    QHash<QString, quint64> m_inodes;  // of each device's entry, as last scanned
    // Files already reported as unreadable, so a broken file is logged once
    // rather than on every pass.
    QSet<QString> m_reported;
};
