#pragma once

#include "commands/fantimers.h"

struct ControllerState;
class DeviceLink;
class SettingsStore;
class ViewSink;

// Box selection: pushes the selected box's state to the hardware and the
// views, checks which boxes are attached and saves the current profile.
class BoxSelection {
public:
    BoxSelection(ControllerState &state, DeviceLink &link, SettingsStore &store, ViewSink &views, FanTimers &timers);

    ViewSink &views() { return m_views; }
    FanTimers &timers() { return m_timers; }

    void changeBox(int box);
    void setBox();
    void resetFanView();
    void checkUSBDevice();

    // The "saveProfile" steps: save the selected box as currentProfile and
    // store it in every box that uses that profile. False, with a log line and
    // the panel's error area, when a file could not be written; the boxes
    // then keep what they hold.
    bool saveCurrentProfile();

private:
    void reportSave(bool saved);

    ControllerState &m_state;
    DeviceLink &m_link;
    SettingsStore &m_store;
    ViewSink &m_views;
    FanTimers &m_timers;
    bool m_saveErrorShown = false;
};
