#pragma once

#include <QObject>

// What changed in the state, announced on the state's thread. Whoever shows or
// serves the state (the panel, the phone server, the command line, network
// front ends) follows these instead of being called by the code that changed it.
class ModelEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    // One fan's settings (colour, brightness, lighting, speed, source, alarm).
    void fanChanged(int box, int fan);
    // Every fan of a box at once (a profile loaded, a box re-applied).
    void boxChanged(int box);
    // A box came or went.
    void boxPresenceChanged(int box, bool present);
    // The box the panel works on.
    void selectionChanged(int box);
    // The current profile number, or a box's profile.
    void profileChanged(int profile);
    // A fan was sent another percent than before (sentPercent).
    void percentSent(int box, int fan, int percent);
    // A reading of the RPM poll.
    void rpmRead(int box, int fan, int rpm);
    // A watched fan stopped (after its warm-up and kick) or fell below its minimum.
    void fanStopped(int box, int fan);
    // The CPU temperature of a pass, whole degrees.
    void temperatureChanged(int celsius);
    // A temperature pass ended: state.sensors holds its readings and every
    // fan on a curve has been sent its percent (sentPercent).
    void passDone();
    // The user's mixes and files (state.userSensors) were changed: a pass at once shows them.
    void sensorsDefined();
};
