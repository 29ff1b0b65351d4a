#pragma once

// A sensor of the user's own, kept in Device.ini ([Sensors], one key per id)
// and typed on the command line, as one text:
//   file:/run/coolant/temp                      a file holding millidegrees
//   max:k10temp/Tctl,amdgpu/edge                the highest of other sensors
//   average:k10temp/Tctl,nvme/Composite         their mean
//   weighted:k10temp/Tctl*2,nvme/Composite*1    their mean by weight
// Whether the parts exist, or are mixes themselves, is the registry's to say.

#include <QString>
#include <QVector>

#include <optional>

enum class MixKind { Max, Average, Weighted };

struct MixPart {
    QString id;
    double weight = 1.0;  // counts only in a weighted mix
    bool operator==(const MixPart &o) const { return id == o.id && weight == o.weight; }
};

struct UserSensorDef {
    static constexpr int kMaxIdLength = 64;
    static constexpr int kMaxParts = 16;
    static constexpr double kMaxWeight = 1000.0;

    enum class Kind { Mix, File };
    QString id;
    Kind kind = Kind::File;
    MixKind mix = MixKind::Max;
    QVector<MixPart> parts;  // a mix's
    QString path;            // a file's

    bool operator==(const UserSensorDef &o) const;
    bool operator!=(const UserSensorDef &o) const { return !(*this == o); }
};

struct UserSensorParse {
    std::optional<UserSensorDef> def;
    QString error;  // one line, set when there is no definition
};

// Empty for an id a user may pick (letters, digits, '_', '-', '.'); else why not.
QString checkUserSensorId(const QString &id);
UserSensorParse parseUserSensor(const QString &id, const QString &text);
// The text parseUserSensor reads back to an equal definition.
QString serialiseUserSensor(const UserSensorDef &def);
