// Arbitrary bytes as Zaldo/Profile1.ini: the reader, then loading it into a box.

#include "fuzz/fuzzcommon.h"

#include "core/controllerstate.h"
#include "storage/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::app();
    static fuzz::ScratchDir scratch;

    ControllerState state;
    SettingsStore store(state, scratch.reset());
    const QString path = store.profileFilePath(1);
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(fuzz::bytes(data, size)) != qint64(size))
            std::abort();
    }
    store.readProfileIni(1);
    store.loadProfileIni(3, 1);
    store.loadProfileIni(15, 1);
    state.controllerBoxNumber = 3;
    // What was loaded is saved again, as the panel's profile save would.
    store.saveProfileSettings(1);
    store.readProfileIni(1);
    return 0;
}
