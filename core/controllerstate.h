#pragma once

#include "core/modelevents.h"
#include "core/sensorstatus.h"
#include "core/speedsource.h"
#include "core/usersensor.h"
#include "core/valuerules.h"
#include "core/vocabulary.h"

#include <QString>
#include <QVector>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class HidDevice;

struct Colour {
    int red = 255;
    int green = 0;
    int blue = 0;
};

// One fan port of a box and what the program holds for it. The stored names
// of the fields are listed in ARCHITECTURE.md.
struct Fan {
    Colour colour;
    // Factor 0..1 the colour is scaled by on the wire.
    float brightness = 1.0f;
    LedMode lighting = LedMode::Steady;
    // Switched off: sent black whatever the lighting says.
    bool ledsOff = false;
    // The random-colour effect runs on this fan.
    bool randomColour = false;
    // 0..5: the fixed level, and the built-in curve's cap.
    int speedLevel = 5;
    // The panel's speed preset: 0 custom, 1 Silent, 2 Performance.
    int speedMode = 2;
    SpeedSource source = SpeedSource::following();
    // The stopped-fan alarm watches this fan.
    bool alarmOn = true;
    bool alertShown = false;
    // The last reading of the RPM poll, which skips fans without alarm; -1 before the first.
    int rpm = -1;
    // The percent last sent to the fan, fixed or from its curve; -1 before the first.
    int sentPercent = -1;
    // A fan that should turn and reads 0 RPM gets one burst of full speed first.
    bool kickOn = true;
    // Below this the alarm counts the fan as failing; 0: no minimum.
    int minRpm = 0;
};

// One controller box. Index in the box table = box number = USB product ID - 8001.
struct ControllerBox {
    // fanPorts: how many fans its model drives.
    explicit ControllerBox(int fanPorts = 0);
    ~ControllerBox();
    ControllerBox(ControllerBox &&) noexcept;
    ControllerBox &operator=(ControllerBox &&) noexcept;

    int fanCount() const { return static_cast<int>(fans.size()); }
    Fan &fan(int f) { return fans[idx(f)]; }
    const Fan &fan(int f) const { return fans[idx(f)]; }

    std::shared_ptr<HidDevice> hidHandle;
    bool isConnected = false;
    std::vector<Fan> fans;
    int profileValue = 1;
};

// The box table and the global switches. One instance is shared by every
// subsystem; tests make a fresh one each.
struct ControllerState {
    // Every box gets the fans of its model.
    ControllerState();

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
    // The sensors as the newest curve pass saw them.
    QVector<SensorStatus> sensors;
    // The user's mixes and files (Device.ini [Sensors]); the curve pass follows the list.
    QVector<UserSensorDef> userSensors;
    // The OpenRGB SDK server's [ADDRESS:]PORT as Device.ini keeps it; empty: off.
    QString openRgbServer;
    // What changed, for whoever follows it; lives on the state's thread.
    ModelEvents events;

    ControllerBox &selectedBox() { return boxArray[static_cast<size_t>(controllerBoxNumber)]; }
    ControllerBox &box(int n) { return boxArray[idx(n)]; }
    const ControllerBox &box(int n) const { return boxArray[idx(n)]; }
};

// Speed level 0..5 to percent; any other level sends 0 %.
int speedLevelToPercent(int level);
// Speed mode that follows a directly set level: 0 -> 1 (Silent), 5 -> 2 (Performance), else 0.
int speedModeForLevel(int level);

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
Lighting effectiveLighting(const Fan &fan);

// Copies a fan's lighting (mode, off switch, colour, brightness) onto another
// fan; the speed settings stay.
void copyLighting(const Fan &from, Fan &to);

// Language codes of the translation files, index = languageIndex; null for any other index.
const char *languageCode(int languageIndex);
