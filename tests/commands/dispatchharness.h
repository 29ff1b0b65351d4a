#pragma once

#include "commands/paneldispatcher.h"
#include "tasks/coreharness.h"

// The core plus the panel dispatcher; box 0 selected, boxes 0 and 2 attached
// unless a test asks for others.
struct DispatchHarness : CoreHarness {
    PanelDispatcher dispatcher;

    explicit DispatchHarness(const QList<int> &boxes = {0, 2})
        : CoreHarness(boxes), dispatcher(state, link, *store, *tasks, views)
    {
    }
    void send(const QStringList &list) { dispatcher.receiveMainData(list); }
    ControllerBox &sel() { return state.selectedBox(); }
};
