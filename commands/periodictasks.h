#pragma once

#include "core/controllerstate.h"
#include "core/fandrive.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

struct ControllerState;
class DeviceLink;
struct FanStatusReply;
class SettingsStore;
class ViewSink;

// Recurring work (RPM poll, random-colour and music effects) and the box
// selection operations that push a box's state to the hardware and the views.
class PeriodicTasks : public QObject, public FanDrive {
    Q_OBJECT
public:
    PeriodicTasks(ControllerState &state, DeviceLink &link, SettingsStore &store, ViewSink &views,
                  QObject *parent = nullptr);


    QTimer &musicTimer() { return m_musicTimer; }
    ViewSink &views() { return m_views; }
    QTimer &rpmTimer() { return m_rpmTimer; }
    QTimer &randomColorTimer(int fan) { return m_randomColorTimers[static_cast<size_t>(fan)]; }

    // Starts the one-second RPM poll unless it is already running.
    void startRpmPoll() override;
    void setFanSpeedByTemperature(int celsius, int box, int fan) override;
    void stopRpmPoll();
    // Effect timers; a running timer is never restarted. Fan 0..2, others ignored.
    void startMusic();
    void stopMusic();
    void startRandomColor(int fan);
    void stopRandomColor(int fan);
    bool isRandomColorRunning(int fan) const;

    void changeBox(int box);
    void setBox();
    void resetFanView();
    void checkUSBDevice();

    // The "saveProfile" steps: save the selected box as currentProfile and
    // store it in every box that uses that profile. False, with a log line and
    // the panel's error area, when a file could not be written; the boxes
    // then keep what they hold.
    bool saveCurrentProfile();

    // Draws the next pseudo-random number (rand() by default; tests replace it).
    void setRandomSource(std::function<int()> source) { m_random = std::move(source); }

public Q_SLOTS:
    void updateSpeed();
    void sendBrightFan1() { sendBrightFan(0); }
    void sendBrightFan2() { sendBrightFan(1); }
    void sendBrightFan3() { sendBrightFan(2); }
    void controlRGBValue();

private:
    // One fan's status reply from the RPM poll, shown and checked for a stop.
    void showFanStatus(int box, int requestedFan, const FanStatusReply &reply);
    void sendBrightFan(int fan);
    void reportSave(bool saved);

    ControllerState &m_state;
    DeviceLink &m_link;
    SettingsStore &m_store;
    ViewSink &m_views;
    // Created in the order music, RPM poll, random colour 1..3.
    QTimer m_musicTimer;
    QTimer m_rpmTimer;
    std::array<QTimer, 3> m_randomColorTimers;
    std::function<int()> m_random;
    // Status reads of the RPM poll queued per box and not yet answered.
    std::array<int, kBoxCount> m_pollReadsWaiting{};
    bool m_saveErrorShown = false;
};
