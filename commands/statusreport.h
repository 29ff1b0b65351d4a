#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct ControllerState;

// The one read model of what the program holds, as the command line's
// "status" prints it and any front end may serve it: the profile, the
// selected box, the CPU temperature, and per box its fans (RPM, alarm,
// lighting, speed and its source). Boxes and fans are counted from 1.
namespace StatusReport {

// What the state does not hold: each box's firmware as last read ("0" or
// empty: none), the boxes that did not answer, and whether a box is attached
// but could not be opened.
struct BoxFacts {
    std::function<QString(int box)> firmware;
    QList<int> silentBoxes;
    std::function<bool(int box)> unopenable;
};

// A fan on a curve also shows its sensor's reading and state (reading,
// holding, lost, never read) and, for a curve of the user's, its text.
QJsonObject fan(const ControllerState &state, int box, int fan);
// The sensors as the newest pass saw them: id, label, source, reading, state.
QJsonObject sensors(const ControllerState &state);
QJsonObject status(const ControllerState &state, const BoxFacts &facts);
// The boxes without their fans.
QJsonObject boxesOnly(const QJsonObject &status);
// One line per fan whose alert stands ("Box 3, Fan 2 stopped"), counted from 1.
QStringList stoppedFans(const ControllerState &state);
// What a person reads: the status, the sensors, or one fan's object.
QString describe(const QJsonObject &answer);

} // namespace StatusReport
