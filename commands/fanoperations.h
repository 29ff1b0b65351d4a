#pragma once

#include "core/vocabulary.h"

struct ControllerState;
class DeviceLink;
class SettingsStore;
class BoxSelection;

// The rules for changing one fan, written once for every way in: each
// operation changes the box table, then sends what the change needs. Box and
// fan numbers are checked by the caller.
class FanOperations {
public:
    // Who asks. The ways in differ in a few rules; each difference is written
    // once, in the operation it concerns.
    enum class Caller {
        // The panel's command lists: the fan's own reports; the panel already
        // shows the change.
        Panel,
        // The remote-control messages: the fan's own reports, then the panel redrawn.
        Remote,
        // The phone-app commands: the whole box re-sent, the panel redrawn
        // when it shows that box.
        Phone,
        // The command line: the panel's rules, then the panel redrawn when it
        // shows that box.
        CommandLine,
    };

    // The panel is reached through the box selection's view sink.
    FanOperations(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes);

    void setColour(Caller caller, int box, int fan, int red, int green, int blue);
    void setBrightness(Caller caller, int box, int fan, float bright);
    // Level 0..5; the speed mode follows the level.
    void setSpeedLevel(Caller caller, int box, int fan, int level);
    // On: the fan follows the temperature curve; off: it is sent its fixed level.
    void setTemperatureMode(Caller caller, int box, int fan, bool on);
    // A fixed level: the temperature curve off and the level sent once.
    void setFixedSpeed(Caller caller, int box, int fan, int level);
    // The mode the fan lights in; switching a cycle or flash off is Steady.
    void setLightingMode(Caller caller, int box, int fan, LedMode mode);
    // 0 switches the LEDs on, 1 off (black). The panel's switch may carry
    // other non-zero values: they mark the LEDs off yet send the lighting mode.
    void setLedsOff(Caller caller, int box, int fan, int off);
    // Fan 1's lighting onto another fan of the box; the panel is redrawn
    // whoever asks.
    void copyLighting(int box, int fan);
    // The stopped-fan alarm; stored in the settings file at once.
    void setMonitor(Caller caller, int box, int fan, bool on);
    // Profile 1..5 into the selected box, which is re-sent and redrawn.
    void loadProfile(int profile);
    // Re-sends a box's lighting and fixed speeds; redraws the panel when it shows that box.
    void reapplyBox(int box);

private:
    // What follows a change after the fan's own reports.
    void follow(Caller caller, int box);

    ControllerState &m_state;
    DeviceLink &m_link;
    SettingsStore &m_store;
    BoxSelection &m_boxes;
};
