// The profile half of SettingsStore: Zaldo/Profile1.ini .. Profile5.ini.
#include "storage/settingsstore.h"

#include "storage/inifile.h"
#include "storage/storagelog.h"

#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace {

constexpr const char *kProfileKeys[kProfileKeyCount] = {
    "RColor", "GColor", "BColor", "Bright", "Speed", "SpeedMode", "PWM", "FanMode", "isTurnOffLed"};
constexpr const char *kProfileDefaults[kProfileKeyCount] = {"255", "0", "0", "1", "5", "2", "1", "0", "0"};
// Written only when they differ from the default, so older files stay as they were.
const QString kKickKey = QStringLiteral("Kick");
const QString kMinRpmKey = QStringLiteral("MinRpm");
constexpr int kMaxMinRpm = 100000;
// A fan's own curve; written only while it follows one, so older copies and
// profiles without user curves see the file as it always was.
const QString kCurveKey = QStringLiteral("Curve");
const QString kOptionalKeys[] = {kKickKey, kMinRpmKey, kCurveKey};

QString fanGroup(int fan)
{
    return QStringLiteral("Fan") + QString::number(fan);
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// Hand edits can leave values no box takes; they are brought into range on
// load, each with a log line. Text that is no number still reads as 0.
void warnOutOfRange(int profile, int fan, const char *key, const QString &text, const QString &used)
{
    qCWarning(lcStorage).noquote() << "Profile" << profile << "fan" << fan << key << "out of range:" << text
                                   << "- using" << used;
}

int colourFromText(const QString &text, int profile, int fan, const char *key)
{
    const qlonglong value = text.toLongLong();
    const int kept = static_cast<int>(std::clamp<qlonglong>(value, 0, 255));
    if (kept != value)
        warnOutOfRange(profile, fan, key, text, QString::number(kept));
    return kept;
}

float brightFromText(const QString &text, int profile, int fan)
{
    const double value = text.toDouble();
    // nan and inf would reach the colour scaling and the saved file.
    const double kept =
        std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : QString::fromLatin1(kProfileDefaults[3]).toDouble();
    if (kept != value)
        warnOutOfRange(profile, fan, "Bright", text, QString::number(kept));
    return static_cast<float>(kept);
}

// Level and speed mode. A level outside 0..5 gets the rule a save applies to
// one above 5: level 5, Performance.
std::pair<int, int> speedFromText(const QString &level, const QString &mode, int profile, int fan)
{
    const qlonglong value = level.toLongLong();
    if (value >= 0 && value <= 5)
        return {static_cast<int>(value), mode.toInt()};
    warnOutOfRange(profile, fan, "Speed", level, QStringLiteral("5"));
    return {5, 2};
}

// A lighting mode no box has would leave the fan unlit and unanswered by every
// lighting rule; such a fan lights steady.
LedMode ledModeFromText(const QString &text, int profile, int fan)
{
    const qlonglong value = text.toLongLong();
    if (value >= 0 && value <= static_cast<int>(LedMode::Flash))
        return static_cast<LedMode>(value);
    warnOutOfRange(profile, fan, "FanMode", text, QStringLiteral("0"));
    return LedMode::Steady;
}

int minRpmFromText(const QString &text, int profile, int fan)
{
    const qlonglong value = text.toLongLong();
    const int kept = static_cast<int>(std::clamp<qlonglong>(value, 0, kMaxMinRpm));
    if (kept != value)
        warnOutOfRange(profile, fan, "MinRpm", text, QString::number(kept));
    return kept;
}

// PWM on: the fan's own curve when the file has a good one, else the built-in curve.
SpeedSource sourceFromText(const QString &pwm, const QString &curve, int profile, int fan)
{
    if (pwm.toInt() == 0)
        return SpeedSource::fixed();
    if (curve.isEmpty())
        return SpeedSource::following();
    CurveParse parsed = parseUserCurve(curve);
    if (!parsed.curve) {
        qCWarning(lcStorage).noquote() << "Profile" << profile << "fan" << fan << "Curve damaged:" << parsed.error
                                       << "- using the built-in curve";
        return SpeedSource::following(nullptr);
    }
    return SpeedSource::following(std::make_shared<const UserCurve>(std::move(*parsed.curve)));
}

} // namespace

QString SettingsStore::profileFilePath(int profile) const
{
    if (!isValidProfile(profile))
        return QString();
    return m_dataDir + QStringLiteral("/Zaldo/Profile") + QString::number(profile) + QStringLiteral(".ini");
}

ProfileSettingsTable SettingsStore::defaultProfileTable()
{
    ProfileSettingsTable table;
    for (auto &fan : table.fans) {
        for (int k = 0; k < kProfileKeyCount; ++k)
            fan[static_cast<size_t>(k)] = QLatin1String(kProfileDefaults[k]);
    }
    return table;
}

ProfileSettingsTable SettingsStore::readProfileIni(int profile)
{
    if (!isValidProfile(profile)) {
        qCWarning(lcStorage) << "Profile number outside 1..5, defaults used:" << profile;
        return defaultProfileTable();
    }
    const QString path = profileFilePath(profile);
    if (!QFileInfo::exists(path)) {
        // The first save of this profile creates the file.
        qCDebug(lcStorage) << "Don't do up load(bool isUpLoad)";
        return defaultProfileTable();
    }
    IniFile::Reader reader(path);
    if (reader.settings.status() == QSettings::AccessError)
        return defaultProfileTable();

    ProfileSettingsTable table = defaultProfileTable();
    for (int g = 0; g < static_cast<int>(table.fans.size()); ++g) {
        const QString prefix = fanGroup(g) + QLatin1Char('/');
        // A fan the file has no group for (saved from a box with fewer ports)
        // starts from the defaults, not from blank keys that read as 0.
        if (!reader.settings.childGroups().contains(fanGroup(g)))
            continue;
        for (int k = 0; k < kProfileKeyCount; ++k) {
            table.fans[static_cast<size_t>(g)][static_cast<size_t>(k)] =
                IniFile::readText(reader.settings, prefix + QLatin1String(kProfileKeys[k]));
        }
        for (const QString &key : kOptionalKeys) {
            if (reader.settings.contains(prefix + key))
                table.optional[idx(g)][key] = IniFile::readText(reader.settings, prefix + key);
        }
    }
    return table;
}

SettingsMap SettingsStore::collectProfileSettings()
{
    if (!isValidBox(m_state.controllerBoxNumber)) {
        qCWarning(lcStorage) << "No profile collected, selected box out of range:" << m_state.controllerBoxNumber;
        return SettingsMap();
    }
    ControllerBox &box = m_state.selectedBox();
    SettingsMap map;
    for (int f = 0; f < box.fanCount(); ++f) {
        Fan &fan = box.fan(f);
        if (fan.speedLevel > 5) {
            // Levels above 5 are never kept, in the file or in the live record.
            fan.speedLevel = 5;
            fan.speedMode = 2;
        }
        const QString values[kProfileKeyCount] = {
            QString::number(fan.colour.red),
            QString::number(fan.colour.green),
            QString::number(fan.colour.blue),
            QString::number(static_cast<double>(fan.brightness), 'g', 6),
            QString::number(fan.speedLevel),
            QString::number(fan.speedMode),
            flag(fan.source.followsCurve()),
            QString::number(static_cast<int>(fan.lighting)),
            flag(fan.ledsOff),
        };
        auto &group = map[fanGroup(f)];
        for (int k = 0; k < kProfileKeyCount; ++k)
            group[QLatin1String(kProfileKeys[k])] = values[k];
        if (!fan.kickOn)
            group[kKickKey] = flag(false);
        if (fan.minRpm > 0)
            group[kMinRpmKey] = QString::number(fan.minRpm);
        if (fan.source.followsUserCurve())
            group[kCurveKey] = serialiseUserCurve(*fan.source.userCurve);
    }
    return map;
}

bool SettingsStore::writeProfileIni(const SettingsMap &map, int profile)
{
    if (!isValidProfile(profile)) {
        qCWarning(lcStorage) << "Profile not written, number outside 1..5:" << profile;
        return false;
    }
    if (map.isEmpty()) {
        // Would blank every key of the stored profile.
        qCWarning(lcStorage) << "Profile not written, nothing collected:" << profile;
        return false;
    }
    IniFile::Values values;
    // As many fan groups as the box that was collected has fans.
    for (int f = 0; map.contains(fanGroup(f)); ++f) {
        const QString group = fanGroup(f);
        const auto entry = map.value(group);
        for (const char *key : kProfileKeys) {
            const QString name = QLatin1String(key);
            values.append({group + QLatin1Char('/') + name, entry.value(name)});
        }
        // Back at the default: the key goes (a null value).
        for (const QString &key : kOptionalKeys)
            values.append({group + QLatin1Char('/') + key, entry.value(key)});
    }
    return IniFile::writeValues(profileFilePath(profile), values);
}

void SettingsStore::loadProfileIni(int box, int profile)
{
    if (!isValidBox(box)) {
        qCWarning(lcStorage) << "Profile not loaded, box out of range:" << box;
        return;
    }
    const ProfileSettingsTable table = readProfileIni(profile);
    ControllerBox &record = m_state.box(box);
    const int stored = static_cast<int>(table.fans.size());
    for (int f = 0; f < record.fanCount() && f < stored; ++f) {
        const auto &text = table.fans[idx(f)];
        Fan &fan = record.fan(f);
        fan.colour.red = colourFromText(text[0], profile, f, "RColor");
        fan.colour.green = colourFromText(text[1], profile, f, "GColor");
        fan.colour.blue = colourFromText(text[2], profile, f, "BColor");
        fan.brightness = brightFromText(text[3], profile, f);
        std::tie(fan.speedLevel, fan.speedMode) = speedFromText(text[4], text[5], profile, f);
        const auto &optional = table.optional[idx(f)];
        fan.source = sourceFromText(text[6], optional.value(kCurveKey), profile, f);
        fan.lighting = ledModeFromText(text[7], profile, f);
        fan.ledsOff = text[8].toInt() != 0;
        fan.kickOn = optional.value(kKickKey, QStringLiteral("1")).toInt() != 0;
        fan.minRpm = minRpmFromText(optional.value(kMinRpmKey, QStringLiteral("0")), profile, f);
    }
}

bool SettingsStore::saveProfileSettings(int profile)
{
    if (!isValidProfile(profile)) {
        qCWarning(lcStorage) << "Profile not saved, number outside 1..5:" << profile;
        return false;
    }
    return writeProfileIni(collectProfileSettings(), profile);
}
