// Panel command lists from the views, fed to the dispatcher of the selected
// box. Each input line is one list, its elements separated by ','.

#include "fuzzcommon.h"

#include "commands/paneldispatcher.h"
#include "device/boxemulator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BoxEmulator emu;
    emu.setBoxes({0, 1, 3});
    fuzz::Core core(emu, fuzz::start());
    PanelDispatcher dispatcher(core.state, core.link, core.store, core.boxes, core.views);
    dispatcher.setLanguageLoader([](int index) { return index >= 0 && index < 7; });
    dispatcher.setInfoReadout([] {});
    for (const QByteArray &line : fuzz::lines(data, size)) {
        const QString text = QString::fromUtf8(line);
        // An empty line is the empty list, which views never send but must not hurt.
        dispatcher.receiveMainData(text.isEmpty() ? QStringList() : text.split(QLatin1Char(',')));
    }
    core.timers.pollRpm();
    core.boxes.resetFanView();
    return 0;
}
