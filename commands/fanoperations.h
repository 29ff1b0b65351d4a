#pragma once

#include "core/usercurve.h"
#include "core/vocabulary.h"

#include <memory>

struct ControllerState;
struct Colour;
class DeviceLink;
class SettingsStore;
class BoxSelection;

// Where the ways in differ from the panel's rules; each field is one real
// difference of a front end's protocol. Redraws are not among them: every
// operation announces its change on the state's events, and the views follow.
struct EntryRules {
    // The phone app: the whole box is re-sent after a change instead of the
    // fan's own reports.
    bool resendsWholeBox = false;
    // The phone app: a colour keeps a colour cycle cycling.
    bool colourKeepsCycle = false;
    // The phone app: a cycle starts from red, and a new lighting mode leaves
    // the LEDs' off switch alone.
    bool cycleStartsFromRed = false;
    // The remote-control messages: a new colour leaves switched-off LEDs dark.
    bool colourLeavesDarkLedsDark = false;
    // The remote-control messages: the brightness of dark or cycling LEDs is ignored.
    bool brightnessSkipsDarkOrCycling = false;

    static EntryRules panel() { return {}; }
    static EntryRules commandLine() { return {}; }
    static EntryRules phone() { return {true, true, true, false, false}; }
    static EntryRules remote() { return {false, false, false, true, true}; }
};

// The rules for changing one fan, written once for every way in: each
// operation changes the box table, sends what the change needs and announces
// it. Box and fan numbers are checked by the caller.
class FanOperations {
public:
    FanOperations(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes);

    void setColour(const EntryRules &rules, int box, int fan, int red, int green, int blue);
    void setBrightness(const EntryRules &rules, int box, int fan, float bright);
    // Level 0..5; the speed mode follows the level.
    void setSpeedLevel(const EntryRules &rules, int box, int fan, int level);
    // On: the fan follows its curve (its own one if it had one); off: it is sent its fixed level.
    void setTemperatureMode(const EntryRules &rules, int box, int fan, bool on);
    // A curve of the user's own (null: the built-in one); the curve pass sends what it gives.
    void setUserCurve(const EntryRules &rules, int box, int fan, std::shared_ptr<const UserCurve> curve);
    // A fixed level: the curve off and the level sent once.
    void setFixedSpeed(const EntryRules &rules, int box, int fan, int level);
    // The mode the fan lights in; switching a cycle or flash off is Steady.
    void setLightingMode(const EntryRules &rules, int box, int fan, LedMode mode);
    // 0 switches the LEDs on, 1 off (black). The panel's switch may carry
    // other non-zero values: they mark the LEDs off yet send the lighting mode.
    void setLedsOff(const EntryRules &rules, int box, int fan, int off);
    // The fan steady in this colour, whatever it lit in and even if its LEDs
    // were off: one report (the network lighting protocols' frames).
    void setSteadyColour(const EntryRules &rules, int box, int fan, const Colour &colour);
    // Fan 1's lighting onto another fan of the box.
    void copyLighting(int box, int fan);
    // The stopped-fan alarm; stored in the settings file at once.
    void setMonitor(int box, int fan, bool on);
    // The stall watch's kick and minimum RPM (0: none); kept with the profile.
    void setKick(const EntryRules &rules, int box, int fan, bool on);
    void setMinRpm(const EntryRules &rules, int box, int fan, int rpm);
    // Profile 1..5 into the selected box, which is re-sent.
    void loadProfile(int profile);
    // Re-sends a box's lighting and fixed speeds.
    void reapplyBox(int box);

private:
    // What follows a change after the fan's own reports.
    void settle(const EntryRules &rules, int box, int fan);

    ControllerState &m_state;
    DeviceLink &m_link;
    SettingsStore &m_store;
    BoxSelection &m_boxes;
};
