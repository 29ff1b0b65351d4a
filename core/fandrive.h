#pragma once

// What the temperature watch needs from the fan side, without knowing the
// device layer: the commands layer implements it, the program wires it.
class FanDrive {
public:
    virtual ~FanDrive() = default;
    // One fan of a connected box to a percent its speed source gave.
    virtual void setFanPercent(int box, int fan, int percent) = 0;
    // Starts the one-second RPM poll unless it is already running.
    virtual void startRpmPoll() = 0;
};
