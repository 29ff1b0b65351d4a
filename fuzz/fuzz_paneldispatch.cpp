// Panel command lists from the views, fed to the dispatcher of the selected
// box. Each input line is one list, its elements separated by ','.

#include "fuzzcommon.h"

#include "core/controllerstate.h"
#include "commands/periodictasks.h"
#include "core/viewsink.h"
#include "commands/paneldispatcher.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::app();
    static fuzz::ScratchDir scratch;

    ControllerState state;
    BoxEmulator emu;
    emu.setBoxes({0, 1, 3});
    DeviceLink link(state, emu);
    link.connectAllBoxes();
    SettingsStore store(state, scratch.reset());
    NullViewSink views;
    PeriodicTasks tasks(state, link, store, views);
    PanelDispatcher dispatcher(state, link, store, tasks, views);
    dispatcher.setLanguageLoader([](int index) { return index >= 0 && index < 7; });
    dispatcher.setInfoReadout([] {});

    for (const QByteArray &line : fuzz::lines(fuzz::bytes(data, size), 8)) {
        const QString text = QString::fromUtf8(line);
        // An empty line is the empty list, which views never send but must not hurt.
        const QStringList list = text.isEmpty() ? QStringList() : text.split(QLatin1Char(','));
        dispatcher.receiveMainData(list);
    }
    tasks.updateSpeed();
    tasks.resetFanView();
    return 0;
}
