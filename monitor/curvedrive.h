#pragma once

#include "core/curvefollower.h"
#include "monitor/sensorregistry.h"

#include <QHash>

#include <map>
#include <utility>

struct ControllerState;
struct Fan;
class FanDrive;
class SensorTable;
class ViewSink;

// What every fan on a curve is sent, pass by pass: the sensors' readings, one
// fail safe per sensor and one follower per fan on a user curve (a fan
// switched onto a curve, or onto another one, starts fresh). The built-in
// curve steps on the pass's CPU temperature (state.cpuTemp) under the fan's cap.
class CurveDrive {
public:
    CurveDrive(SensorTable &table, ViewSink &views) : m_registry(table), m_views(views) {}

    SensorRegistry &registry() { return m_registry; }
    // This pass's readings and verdicts; the sensors as seen go to state.sensors.
    // A followed sensor lost, never read or back is logged and shown once.
    void readSensors(ControllerState &state);
    // Every connected fan on a curve to its percent; nothing while its sensor
    // holds (missed fewer passes than lose it) or never read.
    void driveFans(const ControllerState &state, FanDrive &fans);
    // Whether a fan of any box follows a curve of the user's: the fast pace.
    static bool anyUserCurve(const ControllerState &state);

private:
    // The registry brought in line with the user's list: what went or changed is
    // removed, what is new or changed added; a refusal is logged, nothing stops.
    void followDefinitions(const QVector<UserSensorDef> &defs);
    const SensorFailSafe::Verdict &verdictOf(const QString &id, std::optional<double> reading);
    std::optional<int> nextPercent(const ControllerState &state, int box, int fan);
    void announce(const QString &id, SensorFailSafe::State state);

    SensorRegistry m_registry;
    ViewSink &m_views;
    QHash<QString, SensorFailSafe> m_safes;
    QHash<QString, SensorFailSafe::Verdict> m_verdicts;  // this pass
    QHash<QString, SensorFailSafe::State> m_told;        // what was last said of a followed sensor
    std::map<std::pair<int, int>, CurveFollower> m_followers;
    QVector<UserSensorDef> m_defined;  // the list the registry was last brought in line with
};
