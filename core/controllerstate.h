#pragma once

#include "core/valuerules.h"
#include "core/vocabulary.h"

#include <QString>

#include <array>
#include <memory>

class HidDevice;

// One controller box. Index in the box table = box number = USB product ID - 8001.
struct ControllerBox {
    ControllerBox();
    ~ControllerBox();
    ControllerBox(ControllerBox &&) noexcept;
    ControllerBox &operator=(ControllerBox &&) noexcept;

    std::shared_ptr<HidDevice> hidHandle;
    bool isConnected = false;
    std::array<int, kFanCount> RColorFan{{255, 255, 255}};
    std::array<int, kFanCount> GColorFan{{0, 0, 0}};
    std::array<int, kFanCount> BColorFan{{0, 0, 0}};
    std::array<float, kFanCount> brightFan{{1.0f, 1.0f, 1.0f}};
    std::array<int, kFanCount> speedFan{{5, 5, 5}};
    std::array<int, kFanCount> speedModeFan{{2, 2, 2}};
    std::array<LedMode, kFanCount> LEDModeFan{{LedMode::Steady, LedMode::Steady, LedMode::Steady}};
    std::array<bool, kFanCount> monitorFan{{true, true, true}};
    std::array<bool, kFanCount> isRandomColorFan{{false, false, false}};
    std::array<bool, kFanCount> isAlertShownFan{{false, false, false}};
    std::array<bool, kFanCount> isPWMFan{{true, true, true}};
    int profileValue = 1;
    std::array<bool, kFanCount> isTurnOffLedFan{{false, false, false}};
    // The last reading of the RPM poll, which skips unmonitored fans; -1 before the first.
    std::array<int, kFanCount> rpmFan{{-1, -1, -1}};
};

// The box table and the global switches. One instance is shared by every
// subsystem; tests make a fresh one each.
struct ControllerState {
    std::array<ControllerBox, kBoxCount> boxArray;
    int controllerBoxNumber = 0;
    int currentProfile = 1;
    int languageIndex = 0;
    bool isStartAutoUpdate = true;
    bool isAutoRun = true;
    bool isOpenPassword = false;
    QString passwordStr = Defaults::password;
    QString checkControllerStr;
    // The presence map of the newest device-change scan, compared with the above.
    QString freshScanMap;
    QString ipAddressStr;
    QString softwareVersion = Defaults::softwareVersion;
    QString resourcePrefix;
    int musicLevel = 100;
    int volumePercent = 0;
    int cpuTemp = 0;

    ControllerBox &selectedBox() { return boxArray[static_cast<size_t>(controllerBoxNumber)]; }
};

// Speed level 0..5 to percent; any other level sends 0 %.
int speedLevelToPercent(int level);
// Speed mode that follows a directly set level: 0 -> 1 (Silent), 5 -> 2 (Performance), else 0.
int speedModeForLevel(int level);
// Upper bound of the temperature curve for a fan: (speedFan + 5) * 10 percent.
int pwmSpeedCap(int speedLevel);

enum class LightingKind { Steady, Cycle, Flash, None };
struct Lighting {
    LightingKind kind = LightingKind::None;
    int red = 0;
    int green = 0;
    int blue = 0;
    float bright = 1.0f;
};
// What a fan's LEDs are sent whenever they are (re)sent outside the effects:
// black steady when switched off, else by the lighting mode.
Lighting effectiveLighting(const ControllerBox &box, int fan);
// A fan that does not follow the temperature curve is sent its fixed level.
inline bool sendsFixedSpeed(const ControllerBox &box, int fan) { return !box.isPWMFan[static_cast<size_t>(fan)]; }

// Copies a fan's lighting (mode, off switch, colour, brightness) onto another
// fan of the same box; the speed settings stay.
void copyLighting(ControllerBox &box, int fromFan, int toFan);

// Language codes of the translation files, index = languageIndex; null for any other index.
const char *languageCode(int languageIndex);
