#include "monitor/sensorregistry.h"

#include "monitor/cputemperature.h"
#include "monitor/hwmonsensortable.h"
#include "monitor/sensortable.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double kMaxWeight = UserSensorDef::kMaxWeight;
constexpr int kMaxUserSensors = 64;

bool isReading(double v) { return v != kNoReading && std::isfinite(v); }

// An id keeps '/' between chip and label and '#' for the suffix; ';' ends an
// option in a curve's text. None of them may come from a chip's name.
QString idPart(const QString &text, const QString &reserved)
{
    QString out = text;
    for (QChar &c : out) {
        if (reserved.contains(c))
            c = QLatin1Char('_');
    }
    return out;
}

QString textOf(const char *buf) { return QString::fromLocal8Bit(buf, int(qstrnlen(buf, kSensorTextSize))); }

QString mixLabel(MixKind kind, const QVector<MixPart> &parts)
{
    static const char *const kinds[] = {"max of ", "average of ", "weighted average of "};
    QStringList names;
    for (const MixPart &p : parts)
        names << (kind == MixKind::Weighted ? p.id + QStringLiteral(" x") + QString::number(p.weight) : p.id);
    return QLatin1String(kinds[int(kind)]) + names.join(QStringLiteral(", "));
}

} // namespace

const QString SensorRegistry::kCpuId = QStringLiteral("cpu");

double roundToTenths(double celsius) { return std::round(celsius * 10.0) / 10.0; }

QString SensorRegistry::sourceName(SensorSource source)
{
    static const char *const names[] = {"hwmon", "cpu", "mix", "file"};
    return QLatin1String(names[int(source)]);
}

void SensorRegistry::readTableSensor(int sensor, const QString &chip)
{
    char label[kSensorTextSize] = {};
    QHash<QString, int> labelsSeen;
    for (int r = 0; r < kReadingsPerSensor; ++r) {
        const double t = m_table.getTemperature(sensor, r, label, kSensorTextSize);
        if (!isReading(t))
            continue;
        m_table.sourceTemperatureLabel(sensor, r, label, kSensorTextSize);
        const QString source = textOf(label);
        const int repeat = ++labelsSeen[source];
        QString id = chip + QLatin1Char('/') + idPart(source, QStringLiteral(";"));
        if (repeat > 1)
            id += QLatin1Char('#') + QString::number(repeat);
        const QString name = chip.section(QLatin1Char('#'), 0, 0);
        SensorInfo info{id, name + QLatin1Char(' ') + source, SensorSource::Hwmon, roundToTenths(t)};
        const auto it = m_tableIndex.constFind(id);
        if (it != m_tableIndex.constEnd()) {
            m_sensors[*it] = info;
        } else {
            m_tableIndex.insert(id, m_sensors.size());
            m_sensors.append(info);
        }
    }
}

void SensorRegistry::walkTable()
{
    const int count = CpuTemperature::boundedSensorCount(m_table);
    struct Chip {
        int sensor;
        QString name, place;
    };
    QVector<Chip> chips;
    char buf[kSensorTextSize] = {};
    CpuMaximum cpu;
    for (int s = 0; s < count; ++s) {
        m_table.prepareSensor(s);
        m_table.sensorName(s, buf, kSensorTextSize);
        chips.append({s, idPart(textOf(buf), QStringLiteral("/#;")), m_table.sensorPlace(s)});
        for (int r = 0; r < kReadingsPerSensor; ++r) {
            const double t = m_table.getTemperature(s, r, buf, kSensorTextSize);
            buf[kSensorTextSize - 1] = '\0';
            cpu.offer(t, buf);
        }
    }
    if (cpu.found()) {
        m_cpuMaximum = cpu.celsius();
        m_cpu = roundToTenths(cpu.celsius());
    }
    // Chips of one name take their suffix in the order of where they sit.
    std::stable_sort(chips.begin(), chips.end(), [](const Chip &a, const Chip &b) { return a.place < b.place; });
    QHash<QString, int> namesSeen;
    for (const Chip &chip : chips) {
        const int repeat = ++namesSeen[chip.name];
        readTableSensor(chip.sensor, repeat > 1 ? chip.name + QLatin1Char('#') + QString::number(repeat) : chip.name);
    }
}

void SensorRegistry::refresh()
{
    m_cpu.reset();
    m_cpuMaximum.reset();
    for (SensorInfo &s : m_sensors)
        s.reading.reset();
    if (m_table.isLoaded())
        walkTable();
    for (UserSensor &u : m_user) {
        if (u.info.source != SensorSource::File)
            continue;
        bool ok = false, irregular = false;
        const qint64 milli = readRegularFile(u.path, &ok, &irregular).trimmed().toLongLong(&ok);
        u.info.reading = ok ? std::optional<double>(roundToTenths(double(milli) / 1000.0)) : std::nullopt;
    }
    for (UserSensor &u : m_user) {
        if (u.info.source == SensorSource::Mix)
            u.info.reading = readMix(u);
    }
}

QVector<SensorInfo> SensorRegistry::list() const
{
    QVector<SensorInfo> all{{kCpuId, QStringLiteral("CPU temperature"), SensorSource::Cpu, m_cpu}};
    all += m_sensors;
    for (const UserSensor &u : m_user)
        all.append(u.info);
    return all;
}

std::optional<double> SensorRegistry::readBase(const QString &id) const
{
    if (id == kCpuId)
        return m_cpu;
    const auto it = m_tableIndex.constFind(id);
    if (it != m_tableIndex.constEnd())
        return m_sensors[*it].reading;
    for (const UserSensor &u : m_user) {
        if (u.info.id == id && u.info.source == SensorSource::File)
            return u.info.reading;
    }
    return std::nullopt;
}

std::optional<double> SensorRegistry::read(const QString &id) const
{
    for (const UserSensor &u : m_user) {
        if (u.info.id == id && u.info.source == SensorSource::Mix)
            return u.info.reading;
    }
    return readBase(id);
}

std::optional<double> SensorRegistry::readMix(const UserSensor &mix) const
{
    double best = -HUGE_VAL, sum = 0.0, weights = 0.0;
    for (const MixPart &p : mix.parts) {
        const std::optional<double> v = readBase(p.id);
        if (!v)
            return std::nullopt;  // a part gone: the mix is gone, so its fans fail safe
        best = std::max(best, *v);
        const double w = mix.kind == MixKind::Weighted ? p.weight : 1.0;
        sum += *v * w;
        weights += w;
    }
    return roundToTenths(mix.kind == MixKind::Max ? best : sum / weights);
}

QString SensorRegistry::checkUserId(const QString &id) const
{
    const QString wrong = checkUserSensorId(id);
    if (!wrong.isEmpty())
        return wrong;
    const bool taken = id == kCpuId || std::any_of(m_user.begin(), m_user.end(), [&](const UserSensor &u) {
        return u.info.id == id;
    });
    if (taken)
        return QStringLiteral("id \"%1\" is taken").arg(id);
    if (m_user.size() >= kMaxUserSensors)
        return QStringLiteral("at most %1 mixes and files").arg(kMaxUserSensors);
    return QString();
}

QString SensorRegistry::addMix(const QString &id, MixKind kind, const QVector<MixPart> &parts)
{
    const QString wrong = checkUserId(id);
    if (!wrong.isEmpty())
        return wrong;
    if (parts.isEmpty() || parts.size() > kMaxMixParts)
        return QStringLiteral("mix \"%1\": 1..%2 parts").arg(id).arg(kMaxMixParts);
    for (const MixPart &p : parts) {
        const bool mixed = p.id == id || std::any_of(m_user.begin(), m_user.end(), [&](const UserSensor &u) {
            return u.info.id == p.id && u.info.source == SensorSource::Mix;
        });
        if (mixed)
            return QStringLiteral("mix \"%1\": part \"%2\" is a mix").arg(id, p.id);
        if (kind == MixKind::Weighted && !(p.weight > 0.0 && p.weight <= kMaxWeight))
            return QStringLiteral("mix \"%1\": weight of \"%2\" not within 0..%3").arg(id, p.id).arg(kMaxWeight);
    }
    UserSensor mix{{id, mixLabel(kind, parts), SensorSource::Mix, std::nullopt}, kind, parts, QString()};
    m_user.append(mix);
    return QString();
}

QString SensorRegistry::addFile(const QString &id, const QString &path)
{
    const QString wrong = checkUserId(id);
    if (!wrong.isEmpty())
        return wrong;
    if (path.trimmed().isEmpty())
        return QStringLiteral("file sensor \"%1\": empty path").arg(id);
    m_user.append({{id, path, SensorSource::File, std::nullopt}, MixKind::Max, {}, path});
    return QString();
}

bool SensorRegistry::remove(const QString &id)
{
    const auto it = std::find_if(m_user.begin(), m_user.end(), [&](const UserSensor &u) { return u.info.id == id; });
    if (it == m_user.end())
        return false;
    m_user.erase(it);
    return true;
}

QString SensorRegistry::add(const UserSensorDef &def)
{
    return def.kind == UserSensorDef::Kind::File ? addFile(def.id, def.path) : addMix(def.id, def.mix, def.parts);
}

QString SensorRegistry::check(const QVector<UserSensorDef> &others, const UserSensorDef &def)
{
    HwmonSensorTable unread;  // never walked: only the rules of adding are asked
    SensorRegistry trial(unread);
    for (const UserSensorDef &other : others) {
        if (other.id != def.id)
            trial.add(other);
    }
    return trial.add(def);
}
