#pragma once

#include "app/controllerstate.h"
#include "app/periodictasks.h"
#include "commands/appcommandhandler.h"
#include "common/recordingviewsink.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Emulated boxes, state, settings in a temporary directory, the periodic
// tasks and a command handler whose replies are recorded.
struct CompanionRig {
    explicit CompanionRig(const QList<int> &boxes)
    {
        emu.setBoxes(boxes);
        link.connectAllBoxes();
        emu.clearSentReports();
    }

    void send(const QString &command)
    {
        handler.socketHelperReceiveData(command);
    }
    ControllerBox &box(int b) { return state.boxArray[static_cast<size_t>(b)]; }

    QTemporaryDir dir;
    ControllerState state;
    BoxEmulator emu;
    DeviceLink link{state, emu};
    SettingsStore store{state, dir.path()};
    RecordingViewSink views;
    PeriodicTasks tasks{state, link, store, views};
    QStringList replies;
    AppCommandHandler handler{state, link, store, tasks,
                              [this](const QString &text) { replies << text; }};
};

// The three steady-colour reports a box in its initial state gets on a re-apply.
inline QStringList defaultApply(int box)
{
    const QString b = QString::number(box);
    return {b + " 32 52 01 00 ff 00 00 00", b + " 32 52 02 00 ff 00 00 00",
            b + " 32 52 03 00 ff 00 00 00"};
}
