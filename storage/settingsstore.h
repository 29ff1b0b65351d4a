#pragma once

#include "app/controllerstate.h"

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
};

// ProfileN.ini read as text: groups Fan0..Fan4, nine keys each in the order
// RColor, GColor, BColor, Bright, Speed, SpeedMode, PWM, FanMode, isTurnOffLed.
constexpr int kProfileKeyCount = 9;
struct ProfileSettingsTable {
    std::array<std::array<QString, kProfileKeyCount>, 5> fans;
};

// Group name -> (key -> value text).
using SettingsMap = QMap<QString, QMap<QString, QString>>;

constexpr int kProfileCount = 5;
inline bool isValidProfile(int profile) { return profile >= 1 && profile <= kProfileCount; }

// The settings files below the data directory. Every call opens a fresh
// settings object; nothing is cached.
class SettingsStore {
public:
    // dataDirectory: where Device.ini and Zaldo/ live (see defaultDataDirectory()).
    SettingsStore(ControllerState &state, const QString &dataDirectory);

    // Per-user folder of organisation "Bv" plus "/RGBZaldo".
    static QString defaultDataDirectory();

    QString dataDirectory() const { return m_dataDir; }
    QString deviceFilePath() const;
    QString profileFilePath(int profile) const;

    DeviceSettingsTable readDeviceIni();
    ProfileSettingsTable readProfileIni(int profile);
    SettingsMap collectDeviceSettings();
    bool writeDeviceIni(const SettingsMap &map);
    SettingsMap collectProfileSettings();
    bool writeProfileIni(const SettingsMap &map, int profile);
    void parseDevice();
    void loadProfileIni(int box, int profile);

    // collectDeviceSettings + writeDeviceIni, the "save the device file" step.
    bool saveDeviceSettings();
    // collectProfileSettings + writeProfileIni for the selected box.
    bool saveProfileSettings(int profile);

private:
    ControllerState &m_state;
    QString m_dataDir;
};
