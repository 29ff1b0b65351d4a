// Arbitrary bytes as Zaldo/Profile1.ini: the reader, loading it into boxes,
// and saving it again as the panel's profile save would.

#include "fuzzcommon.h"

#include "core/controllerstate.h"
#include "storage/settingsstore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::app();
    static fuzz::ScratchDir scratch;
    ControllerState state;
    SettingsStore store(state, scratch.reset());
    fuzz::writeFile(store.profileFilePath(1), data, size);
    store.readProfileIni(1);
    store.loadProfileIni(3, 1);
    store.loadProfileIni(15, 1);
    state.controllerBoxNumber = 3;
    store.saveProfileSettings(1);
    store.readProfileIni(1);
    return 0;
}
