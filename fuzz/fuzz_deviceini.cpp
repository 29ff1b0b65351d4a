// Arbitrary bytes as Device.ini: the reader, the parse into the state, and
// writing back what was read.

#include "fuzzcommon.h"

#include "core/controllerstate.h"
#include "storage/settingsstore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::app();
    static fuzz::ScratchDir scratch;
    ControllerState state;
    SettingsStore store(state, scratch.reset());
    fuzz::writeFile(store.deviceFilePath(), data, size);
    store.readDeviceIni();
    store.parseDevice();
    for (const ControllerBox &box : state.boxArray)  // whatever the file said
        if (!isValidProfile(box.profileValue))
            std::abort();
    store.saveDeviceSettings();
    return 0;
}
