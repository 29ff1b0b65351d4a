// Arbitrary bytes as Device.ini: the reader, then the parse into the state.

#include "fuzz/fuzzcommon.h"

#include "core/controllerstate.h"
#include "storage/settingsstore.h"

#include <QFile>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::app();
    static fuzz::ScratchDir scratch;

    ControllerState state;
    SettingsStore store(state, scratch.reset());
    {
        QFile file(store.deviceFilePath());
        if (!file.open(QIODevice::WriteOnly) || file.write(fuzz::bytes(data, size)) != qint64(size))
            std::abort();
    }
    store.readDeviceIni();
    store.parseDevice();
    // Whatever the file said, the state stays inside its ranges.
    for (const ControllerBox &box : state.boxArray)
        if (!isValidProfile(box.profileValue))
            std::abort();
    // And what was read can be written back.
    store.saveDeviceSettings();
    return 0;
}
