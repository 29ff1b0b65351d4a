#pragma once

#include "core/controllerstate.h"
#include "core/fandrive.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

class DeviceLink;
struct FanStatusReply;
class ViewSink;

// The fans' recurring work, each on its own timer: the RPM poll with its
// stopped-fan alarm, the music step and the random colours.
class FanTimers : public QObject, public FanDrive {
    Q_OBJECT
public:
    FanTimers(ControllerState &state, DeviceLink &link, ViewSink &views, QObject *parent = nullptr);

    QTimer &musicTimer() { return m_musicTimer; }
    QTimer &rpmTimer() { return m_rpmTimer; }
    QTimer &randomColorTimer(int fan) { return m_randomColorTimers[static_cast<size_t>(fan)]; }

    // Starts the one-second RPM poll unless it is already running.
    void startRpmPoll() override;
    void setFanSpeedByTemperature(int celsius, int box, int fan) override;
    void stopRpmPoll();
    // Effect timers; a running timer is never restarted. Fans out of range are ignored.
    void startMusic();
    void stopMusic();
    void startRandomColor(int fan);
    void stopRandomColor(int fan);
    bool isRandomColorRunning(int fan) const;

    // One tick of each timer.
    void pollRpm();
    void sendRandomColour(int fan);
    void musicStep();

    // Draws the next pseudo-random number (rand() by default; tests replace it).
    void setRandomSource(std::function<int()> source) { m_random = std::move(source); }

private:
    // One fan's status reply from the RPM poll, shown and checked for a stop.
    void showFanStatus(int box, int requestedFan, const FanStatusReply &reply);

    ControllerState &m_state;
    DeviceLink &m_link;
    ViewSink &m_views;
    // Created in the order music, RPM poll, random colour per fan.
    QTimer m_musicTimer;
    QTimer m_rpmTimer;
    std::array<QTimer, kFanCount> m_randomColorTimers;
    std::function<int()> m_random;
    // Status reads of the RPM poll queued per box and not yet answered.
    std::array<int, kBoxCount> m_pollReadsWaiting{};
};
