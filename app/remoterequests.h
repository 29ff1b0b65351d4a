#pragma once

#include "commands/fanoperations.h"
#include "core/controllerstate.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <QJsonObject>

struct ControllerState;
class DeviceLink;
class SettingsStore;
class BoxSelection;

// The command line's requests to the running copy, one line each, boxes and
// fans counted from 1: "status", "sensors" ["add ID TEXT" | "remove ID"], "set BOX FAN
// color|brightness|mode|speed|curve VALUE", "profile load N [BOX]" (without BOX the panel's selected box),
// "profile save" ("quit" is taken where the event loop runs). Each is
// answered with one line,
// once the boxes have run the exchanges it caused (or did not answer in
// time): a JSON object, "error: ..." for a request that was refused or
// "failed: ..." for one that could not be carried out, a box that did not
// answer a set or a save included.
class RemoteRequests {
public:
    RemoteRequests(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes);

    // Answers that show the status have read every connected box's firmware
    // afresh; a box that did not answer is marked so ("answered": false).
    void answer(const QByteArray &line, std::function<void(const QByteArray &)> reply);

private:
    // What a request did, kept for its answer.
    struct Outcome {
        QString refusal;   // error: ...
        QString failure;   // failed: ...
        int box = -1;      // a set: the fan shown
        int fan = -1;
        bool saves = false;  // a box that did not answer fails it
        bool sensors = false;  // the sensors as the newest pass saw them
    };
    Outcome carryOut(const QByteArray &line);
    QByteArray compose(const Outcome &outcome, const QList<int> &silentBoxes);
    QJsonObject status(const QList<int> &silentBoxes);
    QString set(const QStringList &words, Outcome *outcome);
    // "sensors add ID TEXT" (TEXT percent-encoded) or "sensors remove ID"; then Device.ini saved.
    QString defineSensor(const QStringList &words, Outcome *outcome);
    QString loadProfile(int profile, const QString &boxWord);

    ControllerState &m_state;
    DeviceLink &m_link;
    SettingsStore &m_store;
    BoxSelection &m_boxes;
    FanOperations m_ops;
    std::array<QString, kBoxCount> m_firmware;  // "0": none given
};
