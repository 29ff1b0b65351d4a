#pragma once

#include "core/usersensor.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <optional>

class SensorTable;

enum class SensorSource { Hwmon, Cpu, Mix, File };
struct SensorInfo {
    QString id;
    QString label;  // for people: "k10temp Tctl", "CPU temperature", the file's path
    SensorSource source = SensorSource::Hwmon;
    std::optional<double> reading;  // °C in tenths; none when it gave nothing this pass
};

// Every temperature a fan can follow, by an id that outlives reboots:
//  - each temperature of the sensor table as "chip/label" ("k10temp/Tctl";
//    "tempN" when unlabelled); a chip name seen again gets "#2", "#3" in the
//    order of where the chips sit (their device path), not of hwmon numbers;
//  - "cpu", the CPU temperature the temperature pass derives;
//  - mixes of those (max, average, weighted average) and files holding
//    millidegrees, under ids the user picks: letters, digits, '_', '-', '.'.
// A sensor seen once stays listed, without a reading when it is gone.
class SensorRegistry {
public:
    static const QString kCpuId;
    static constexpr int kMaxMixParts = 16;

    explicit SensorRegistry(SensorTable &table) : m_table(table) {}

    // One walk over the sensor table (when loaded) and the files: this pass's readings.
    void refresh();
    // cpu first, then the table's sensors in order of place (new ones after), then the user's as added.
    QVector<SensorInfo> list() const;
    std::optional<double> read(const QString &id) const;
    // The CPU temperature of this pass before rounding, as the panel and the built-in curve take it.
    std::optional<double> cpuMaximum() const { return m_cpuMaximum; }

    // Empty when added; else one line naming what is wrong. Parts of a mix
    // must not be mixes; a mix reads only while every part reads.
    QString addMix(const QString &id, MixKind kind, const QVector<MixPart> &parts);
    QString addFile(const QString &id, const QString &path);
    bool remove(const QString &id);
    // A definition of the user's, by its kind.
    QString add(const UserSensorDef &def);
    // What add would answer for def beside the others (one of its id is replaced), before anything is kept.
    static QString check(const QVector<UserSensorDef> &others, const UserSensorDef &def);

    static QString sourceName(SensorSource source);  // "hwmon", "cpu", "mix", "file"

private:
    struct UserSensor {
        SensorInfo info;
        MixKind kind = MixKind::Max;
        QVector<MixPart> parts;
        QString path;
    };
    void walkTable();
    void readTableSensor(int sensor, const QString &chip);
    QString checkUserId(const QString &id) const;
    std::optional<double> readMix(const UserSensor &mix) const;
    std::optional<double> readBase(const QString &id) const;

    SensorTable &m_table;
    std::optional<double> m_cpu;
    std::optional<double> m_cpuMaximum;
    QVector<SensorInfo> m_sensors;  // the table's, in order of place at the first walk
    QHash<QString, int> m_tableIndex;
    QVector<UserSensor> m_user;
};

// A reading in degrees rounded to tenths, as every reading is kept.
double roundToTenths(double celsius);
