#include "storage/settingsstore.h"

#include "storage/inifile.h"
#include "storage/storagelog.h"

#include <QFileInfo>
#include <QSettings>

namespace {

QString deviceGroup(int box)
{
    return QStringLiteral("Device") + QString::number(box);
}

const QString kMain = QStringLiteral("Main");
const QString kOpenRgbGroup = QStringLiteral("OpenRGB");
const QString kOpenRgbServer = QStringLiteral("Server");
const QString kOpenRgbServerKey = kOpenRgbGroup + QLatin1Char('/') + kOpenRgbServer;
const QString kSensorsGroup = QStringLiteral("Sensors");
const QString kDefaultProfile = QStringLiteral("1");
const QString kDefaultMonitor = QStringLiteral("1,1,1");

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

SettingsStore::SettingsStore(ControllerState &state, const QString &dataDirectory)
    : m_state(state)
    , m_dataDir(dataDirectory)
{
}

QString SettingsStore::defaultDataDirectory()
{
    // Only the path of this object is used; it is never written.
    const QSettings locator(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Bv"),
                            QStringLiteral("application"));
    return QFileInfo(locator.fileName()).absolutePath() + QLatin1Char('/') + QLatin1String(kDataDirName);
}

void SettingsStore::removeSaveLeftovers(const QString &dataDirectory)
{
    IniFile::removeLeftovers(dataDirectory);
    IniFile::removeLeftovers(dataDirectory + QStringLiteral("/Zaldo"));
}

QString SettingsStore::deviceFilePath() const
{
    return m_dataDir + QStringLiteral("/Device.ini");
}

DeviceSettingsTable SettingsStore::defaultDeviceTable()
{
    DeviceSettingsTable table;
    for (auto &device : table.devices)
        device = {kDefaultProfile, kDefaultMonitor};
    table.autoUpdate = QStringLiteral("1");
    table.language = QStringLiteral("0");
    table.password = Defaults::password;
    table.openPassword = QStringLiteral("0");
    table.isAutoRun = QStringLiteral("1");
    return table;
}

DeviceSettingsTable SettingsStore::readDeviceIni()
{
    const QString path = deviceFilePath();
    if (!QFileInfo::exists(path)) {
        qCDebug(lcStorage) << "Don't do up load(bool isUpLoad)";
        const DeviceSettingsTable table = defaultDeviceTable();
        IniFile::Values values;
        for (int n = 0; n < kBoxCount; ++n) {
            values.append({deviceGroup(n) + QStringLiteral("/Profile"), table.devices[n][0]});
            values.append({deviceGroup(n) + QStringLiteral("/Monitor"), table.devices[n][1]});
        }
        values.append({QStringLiteral("Main/AutoUpdate"), table.autoUpdate});
        values.append({QStringLiteral("Main/Language"), table.language});
        values.append({QStringLiteral("Main/Password"), table.password});
        values.append({QStringLiteral("Main/OpenPassword"), table.openPassword});
        values.append({QStringLiteral("Main/isAutoRun"), table.isAutoRun});
        if (!IniFile::writeValues(path, values))
            qCWarning(lcStorage).noquote() << "Device file not created, defaults used:" << path;
        return table;
    }

    IniFile::Reader reader(path);
    const QSettings &settings = reader.settings;
    if (settings.status() == QSettings::AccessError)
        return defaultDeviceTable();

    DeviceSettingsTable table;
    for (int n = 0; n < kBoxCount; ++n) {
        const QString group = deviceGroup(n);
        QString profile = IniFile::readText(settings, group + QStringLiteral("/Profile"));
        QString monitor = IniFile::readText(settings, group + QStringLiteral("/Monitor"));
        if (profile.isEmpty())
            profile = kDefaultProfile;
        if (monitor.isEmpty())
            monitor = kDefaultMonitor;
        qCDebug(lcStorage).nospace().noquote() << "read_file_array[" << n << "][1]:" << monitor;
        table.devices[n] = {profile, monitor};
    }
    // No defaults here: a missing Main group turns every switch off.
    table.autoUpdate = IniFile::readText(settings, QStringLiteral("Main/AutoUpdate"));
    table.language = IniFile::readText(settings, QStringLiteral("Main/Language"));
    table.password = IniFile::readText(settings, QStringLiteral("Main/Password"));
    table.openPassword = IniFile::readText(settings, QStringLiteral("Main/OpenPassword"));
    table.isAutoRun = IniFile::readText(settings, QStringLiteral("Main/isAutoRun"));
    table.openRgbServer = IniFile::readText(settings, kOpenRgbServerKey);
    for (const QString &key : settings.allKeys()) {
        if (key.startsWith(kSensorsGroup + QLatin1Char('/')))
            table.userSensors.insert(key.mid(kSensorsGroup.size() + 1), IniFile::readText(settings, key));
    }
    qCDebug(lcStorage).nospace().noquote() << "Password:::" << table.password;
    return table;
}

SettingsMap SettingsStore::collectDeviceSettings()
{
    SettingsMap map;
    for (int n = 0; n < kBoxCount; ++n) {
        const ControllerBox &box = m_state.boxArray[static_cast<size_t>(n)];
        QStringList monitor;
        for (const Fan &fan : box.fans)
            monitor << flag(fan.alarmOn);
        auto &group = map[deviceGroup(n)];
        group[QStringLiteral("Monitor")] = monitor.join(QLatin1Char(','));
        group[QStringLiteral("Profile")] = QString::number(box.profileValue);
    }
    auto &main = map[kMain];
    main[QStringLiteral("AutoUpdate")] = flag(m_state.isStartAutoUpdate);
    main[QStringLiteral("Language")] = QString::number(m_state.languageIndex);
    main[QStringLiteral("Password")] = m_state.passwordStr;
    main[QStringLiteral("OpenPassword")] = flag(m_state.isOpenPassword);
    main[QStringLiteral("isAutoRun")] = flag(m_state.isAutoRun);
    if (!m_state.openRgbServer.isEmpty())
        map[kOpenRgbGroup][kOpenRgbServer] = m_state.openRgbServer;
    collectUserSensors(map[kSensorsGroup]);
    if (map[kSensorsGroup].isEmpty())
        map.remove(kSensorsGroup);
    return map;
}

bool SettingsStore::writeDeviceIni(const SettingsMap &map)
{
    IniFile::Values values;
    for (int n = 0; n < kBoxCount; ++n) {
        const QString group = deviceGroup(n);
        const auto entry = map.value(group);
        values.append({group + QStringLiteral("/Profile"), entry.value(QStringLiteral("Profile"))});
        values.append({group + QStringLiteral("/Monitor"), entry.value(QStringLiteral("Monitor"))});
    }
    const auto main = map.value(kMain);
    for (const char *key : {"AutoUpdate", "Language", "Password", "OpenPassword", "isAutoRun"}) {
        const QString name = QLatin1String(key);
        values.append({kMain + QLatin1Char('/') + name, main.value(name)});
    }
    const auto openRgb = map.value(kOpenRgbGroup);
    if (openRgb.contains(kOpenRgbServer))
        values.append({kOpenRgbServerKey, openRgb.value(kOpenRgbServer)});
    const auto sensors = map.value(kSensorsGroup);
    for (auto it = sensors.begin(); it != sensors.end(); ++it)
        values.append({kSensorsGroup + QLatin1Char('/') + it.key(), it.value()});
    return IniFile::writeValues(deviceFilePath(), values);
}

void SettingsStore::collectUserSensors(QMap<QString, QString> &group) const
{
    for (const UserSensorDef &def : m_state.userSensors)
        group[def.id] = serialiseUserSensor(def);
    // One the file holds and the state no longer has goes (a null value);
    // a damaged one stays for the user to mend.
    const QSettings file(deviceFilePath(), QSettings::IniFormat);
    for (const QString &key : file.allKeys()) {
        const QString id = key.mid(kSensorsGroup.size() + 1);
        if (key.startsWith(kSensorsGroup + QLatin1Char('/')) && !group.contains(id)
            && parseUserSensor(id, IniFile::readText(file, key)).def)
            group[id] = QString();
    }
}

void SettingsStore::parseDevice()
{
    const DeviceSettingsTable table = readDeviceIni();
    for (int n = 0; n < kBoxCount; ++n) {
        ControllerBox &box = m_state.boxArray[static_cast<size_t>(n)];
        const auto &device = table.devices[static_cast<size_t>(n)];
        int profile = device[0].toInt();
        if (!isValidProfile(profile)) {
            // Profile files exist only for 1..5; anything else would name a
            // file no save ever writes.
            qCWarning(lcStorage).noquote() << "Profile out of range for box" << n << ":" << device[0]
                                           << "- using profile 1";
            profile = 1;
        }
        box.profileValue = profile;

        // Missing parts count as monitored: a shortened value must not
        // silently switch off the stopped-fan warning.
        const QStringList parts = device[1].split(QLatin1Char(','), Qt::KeepEmptyParts);
        if (parts.size() < box.fanCount())
            qCWarning(lcStorage).noquote() << "Monitor of box" << n << "has fewer parts than fans:" << device[1];
        for (int f = 0; f < box.fanCount(); ++f)
            box.fan(f).alarmOn = f < parts.size() ? parts.at(f).toInt() != 0 : true;
    }
    m_state.isStartAutoUpdate = table.autoUpdate.toInt() != 0;
    m_state.openRgbServer = table.openRgbServer;
    m_state.userSensors.clear();
    for (auto it = table.userSensors.begin(); it != table.userSensors.end(); ++it) {
        const UserSensorParse parsed = parseUserSensor(it.key(), it.value());
        if (parsed.def)
            m_state.userSensors.append(*parsed.def);
        else
            qCWarning(lcStorage).noquote() << QStringLiteral("Device.ini sensor \"%1\" damaged: %2 - sensor left out")
                                                  .arg(it.key(), parsed.error);
    }
    // Kept as stored even outside 0..6 (the settings menu stores any index);
    // languageCode() gives no file for it, so nothing past the table is used.
    m_state.languageIndex = table.language.toInt();
    if (!languageCode(m_state.languageIndex))
        qCDebug(lcStorage) << "Language index without a translation:" << m_state.languageIndex;
    m_state.passwordStr = table.password;
    m_state.isOpenPassword = table.openPassword.toInt() != 0;
    m_state.isAutoRun = table.isAutoRun.toInt() != 0;
    qCDebug(lcStorage) << "parseDevice-----";
}

bool SettingsStore::saveDeviceSettings()
{
    return writeDeviceIni(collectDeviceSettings());
}
