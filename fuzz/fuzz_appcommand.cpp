// Companion-app commands against a fresh state with emulated boxes. Each line
// of the input is one command (one server read); after each, the effect timers
// that the command left running get one tick, so state a command leaves behind
// is also run through the effects.

#include "fuzz/fuzzcommon.h"

#include "core/controllerstate.h"
#include "commands/periodictasks.h"
#include "core/viewsink.h"
#include "commands/appcommandhandler.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::app();
    static fuzz::ScratchDir scratch;

    ControllerState state;
    BoxEmulator emu;
    emu.setBoxes({0, 1, 2, 15});
    emu.setStalledFans({{1, 2}});
    DeviceLink link(state, emu);
    link.connectAllBoxes();
    SettingsStore store(state, scratch.reset());
    NullViewSink views;
    PeriodicTasks tasks(state, link, store, views);
    int counter = 0;
    tasks.setRandomSource([&counter] { return counter++ * 7919; });
    int replies = 0;
    AppCommandHandler handler(state, link, store, tasks, [&replies](const QString &) { ++replies; });

    for (const QByteArray &line : fuzz::lines(fuzz::bytes(data, size), 8)) {
        handler.socketHelperReceiveData(QString::fromUtf8(line));
        if (tasks.musicTimer().isActive())
            tasks.controlRGBValue();
        if (tasks.randomColorTimer(0).isActive())
            tasks.sendBrightFan1();
        if (tasks.randomColorTimer(1).isActive())
            tasks.sendBrightFan2();
        if (tasks.randomColorTimer(2).isActive())
            tasks.sendBrightFan3();
    }
    // The poll and the selection refresh read everything the commands stored.
    tasks.updateSpeed();
    tasks.resetFanView();
    return 0;
}
