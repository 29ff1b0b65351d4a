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
class PeriodicTasks;

// The command line's requests to the running copy, one line each, boxes and
// fans counted from 1: "status", "set BOX FAN color|brightness|mode|speed
// VALUE", "profile load N", "profile save". Each is answered with one line: a
// JSON object, "error: ..." for a request that was refused or "failed: ..."
// for one that could not be carried out.
class RemoteRequests {
public:
    RemoteRequests(ControllerState &state, DeviceLink &link, SettingsStore &store, PeriodicTasks &tasks);

    // Answers are given once the firmware of every connected box has been read
    // afresh, for the answers that show it.
    void answer(const QByteArray &line, std::function<void(const QByteArray &)> reply);

    // What a person reads from an answer: the status, or one fan after a set.
    static QString describe(const QJsonObject &answer);

private:
    QByteArray answerNow(const QByteArray &line);
    QJsonObject status();
    QJsonObject fanObject(int box, int fan) const;
    QString set(const QStringList &words, QJsonObject *result);

    ControllerState &m_state;
    DeviceLink &m_link;
    PeriodicTasks &m_tasks;
    FanOperations m_ops;
    std::array<QString, kBoxCount> m_firmware;  // "0": none given
};
