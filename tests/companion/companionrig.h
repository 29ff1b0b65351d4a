#pragma once

#include "commands/appcommandhandler.h"
#include "tasks/coreharness.h"

// The core with a command handler whose replies are recorded.
struct CompanionRig : CoreHarness {
    explicit CompanionRig(const QList<int> &boxes) : CoreHarness(boxes) {}
    void send(const QString &command) { handler.socketHelperReceiveData(command); }

    QStringList replies;
    AppCommandHandler handler{state, link, *store, *tasks, [this](const QString &text) { replies << text; }};
};
