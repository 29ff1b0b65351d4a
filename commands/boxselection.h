#pragma once

#include "commands/fantimers.h"

#include <QObject>

struct ControllerState;
struct Fan;
class DeviceLink;
class SettingsStore;
class ViewSink;

// Box selection: pushes the selected box's state to the hardware and the
// views, checks which boxes are attached and saves the current profile. The
// panel follows the changes the state announces for the box it shows.
class BoxSelection {
public:
    BoxSelection(ControllerState &state, DeviceLink &link, SettingsStore &store, ViewSink &views, FanTimers &timers);

    // A change the panel made itself is already on show: while one of these
    // lives, the panel is not redrawn for the changes announced.
    class OwnChange {
    public:
        explicit OwnChange(BoxSelection &boxes) : m_boxes(boxes) { ++m_boxes.m_ownChanges; }
        ~OwnChange() { --m_boxes.m_ownChanges; }
        OwnChange(const OwnChange &) = delete;
        OwnChange &operator=(const OwnChange &) = delete;

    private:
        BoxSelection &m_boxes;
    };

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
    void showFan(const Fan &fan, int f);
    bool isShown(int box) const;
    void reportSave(bool saved);

    ControllerState &m_state;
    DeviceLink &m_link;
    SettingsStore &m_store;
    ViewSink &m_views;
    FanTimers &m_timers;
    bool m_saveErrorShown = false;
    int m_ownChanges = 0;
    // The panel's subscriptions end with the selection.
    QObject m_following;
};
