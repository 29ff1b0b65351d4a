#pragma once

#include "core/controllerstate.h"
#include "core/fandrive.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>
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
    QTimer &randomColorTimer(int fan) { return *m_randomColorTimers[idx(fan)]; }

    // Starts the one-second RPM poll unless it is already running.
    void startRpmPoll() override;
    void setFanPercent(int box, int fan, int percent) override;
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
    // Created in the order music, RPM poll, random colour per fan port any model has.
    QTimer m_musicTimer;
    QTimer m_rpmTimer;
    std::vector<std::unique_ptr<QTimer>> m_randomColorTimers;
    bool hasRandomColorTimer(int fan) const { return fan >= 0 && fan < static_cast<int>(m_randomColorTimers.size()); }
    std::function<int()> m_random;
    // Status reads of the RPM poll queued per box and not yet answered.
    std::array<int, kBoxCount> m_pollReadsWaiting{};
};
