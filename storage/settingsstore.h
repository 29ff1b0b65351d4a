#pragma once

#include "core/controllerstate.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <array>

// Device.ini read as text: entries 0..15 {Profile, Monitor}; then the five main keys.
struct DeviceSettingsTable {
    std::array<std::array<QString, 2>, kBoxCount> devices;
    QString autoUpdate;
    QString language;
    QString password;
    QString openPassword;
    QString isAutoRun;
    // [ADDRESS:]PORT of the OpenRGB SDK server; empty: off. Its group is
    // written only while it is set, so other files keep their bytes.
    QString openRgbServer;
    // [Sensors]: the user's mixes and files as text, id -> text; written, as
    // [OpenRGB], only while there is one.
    QMap<QString, QString> userSensors;
};

// ProfileN.ini read as text: groups Fan0..Fan4, nine keys each in the order
// RColor, GColor, BColor, Bright, Speed, SpeedMode, PWM, FanMode, isTurnOffLed.
constexpr int kProfileKeyCount = 9;
struct ProfileSettingsTable {
    std::array<std::array<QString, kProfileKeyCount>, 5> fans;
    // Per fan the keys a file holds only when set (the kick switch, the minimum
    // RPM, the fan's own curve as text).
    std::array<QMap<QString, QString>, 5> optional;
};

// Group name -> (key -> value text).
using SettingsMap = QMap<QString, QMap<QString, QString>>;

constexpr int kProfileCount = 5;
inline bool isValidProfile(int profile) { return profile >= 1 && profile <= kProfileCount; }

// The settings files below the data directory. Every call opens a fresh
// settings object; nothing is cached. Writes are atomic and merge into the
// existing file, so keys and groups this program does not know survive.
class SettingsStore {
public:
    // dataDirectory: where Device.ini and Zaldo/ live (see defaultDataDirectory()).
    SettingsStore(ControllerState &state, const QString &dataDirectory);
    explicit SettingsStore(ControllerState &state) : SettingsStore(state, defaultDataDirectory()) {}

    static constexpr const char *kDataDirName = "RGBZaldo";
    // Per-user folder of organisation "Bv" plus "/RGBZaldo".
    static QString defaultDataDirectory();

    QString dataDirectory() const { return m_dataDir; }
    QString deviceFilePath() const;
    // Empty for a profile number outside 1..5.
    QString profileFilePath(int profile) const;

    // Creates the file with the defaults when it is missing.
    DeviceSettingsTable readDeviceIni();
    // Defaults for a missing file or a profile number outside 1..5; never creates a file.
    ProfileSettingsTable readProfileIni(int profile);
    SettingsMap collectDeviceSettings();
    // False (with a log line) when the file could not be written.
    bool writeDeviceIni(const SettingsMap &map);
    // From the selected box; a speed level above 5 is corrected to 5 / mode 2
    // in the box record itself.
    SettingsMap collectProfileSettings();
    // False for a profile number outside 1..5, an empty map or a failed write.
    bool writeProfileIni(const SettingsMap &map, int profile);
    void parseDevice();
    // Box outside 0..15 is ignored; a profile outside 1..5 loads the defaults.
    void loadProfileIni(int box, int profile);

    // collectDeviceSettings + writeDeviceIni, the "save the device file" step.
    bool saveDeviceSettings();
    // collectProfileSettings + writeProfileIni for the selected box.
    bool saveProfileSettings(int profile);

    // Removes what saves killed midway left in the data directory; the work
    // files of a save that still runs stay. Called at start.
    static void removeSaveLeftovers(const QString &dataDirectory);

    static DeviceSettingsTable defaultDeviceTable();
    static ProfileSettingsTable defaultProfileTable();

private:
    // [Sensors] from the state, plus a null value for each sensor the file still holds.
    void collectUserSensors(QMap<QString, QString> &group) const;

    ControllerState &m_state;
    QString m_dataDir;
};
