#pragma once

#include "core/controllerstate.h"
#include "commands/stallwatch.h"
#include "core/fandrive.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <map>
#include <memory>
#include <vector>
#include <functional>

class DeviceLink;
struct FanStatusReply;
class ViewSink;

// The fans' recurring work, each on its own timer: the RPM poll with its
// stopped-fan alarm (a stall watch: warm-up, one kick, then the alert), the
// music step and the random colours.
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
    // Milliseconds on a clock that does not go back (a monotonic one by default; tests give theirs).
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

signals:
    // A fan's alert raised or over: Stopped, BelowMinimum or Recovered.
    void alert(const StallEvent &event);

private:
    // One fan's status reply from the RPM poll, shown and checked for a stop.
    void showFanStatus(int box, int requestedFan, const FanStatusReply &reply);
    // One look of the stall watch, and what it asks for done.
    void watch(int box, int fan, int rpm, bool monitored);
    void act(const StallEvent &event);
    void raiseAlert(int box, int fan, bool belowMinimum);
    // The speed the fan is meant to run at, whatever a kick sends meanwhile.
    int ownPercent(int box, int fan) const;

    ControllerState &m_state;
    DeviceLink &m_link;
    ViewSink &m_views;
    // Created in the order music, RPM poll, random colour per fan port any model has.
    QTimer m_musicTimer;
    QTimer m_rpmTimer;
    std::vector<std::unique_ptr<QTimer>> m_randomColorTimers;
    bool hasRandomColorTimer(int fan) const { return fan >= 0 && fan < static_cast<int>(m_randomColorTimers.size()); }
    std::function<int()> m_random;
    std::function<qint64()> m_clock;
    StallWatch m_watch;
    // Fans in a kick, with the curve's percent that waits for its end.
    std::map<std::pair<int, int>, int> m_kicks;
    // Status reads of the RPM poll queued per box and not yet answered.
    std::array<int, kBoxCount> m_pollReadsWaiting{};
};
