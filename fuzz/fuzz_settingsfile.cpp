// Arbitrary bytes as one settings file, built once per kind: Device.ini read,
// parsed and written back; Zaldo/Profile1.ini read, loaded into boxes and saved
// again; Profile1.xml read.

#include "fuzzcommon.h"

#include "storage/xmlprofile.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString dir = fuzz::start();
    ControllerState state;
    SettingsStore store(state, dir);
    const QString paths[] = {store.deviceFilePath(), store.profileFilePath(1), dir + QStringLiteral("/Profile1.xml")};
    QDir().mkpath(dir + QStringLiteral("/Zaldo"));
    QFile file(paths[ZALDO_SETTINGS_FILE]);
    if (!file.open(QIODevice::WriteOnly) || file.write(fuzz::bytes(data, size)) != qint64(size))
        std::abort();
    file.close();
    if (ZALDO_SETTINGS_FILE == 0) {
        store.readDeviceIni();
        store.parseDevice();
        for (const ControllerBox &box : state.boxArray)  // whatever the file said
            if (!isValidProfile(box.profileValue))
                std::abort();
        store.saveDeviceSettings();
    } else if (ZALDO_SETTINGS_FILE == 1) {
        store.readProfileIni(1);
        store.loadProfileIni(3, 1);
        state.controllerBoxNumber = 3;
        store.saveProfileSettings(1);
        store.readProfileIni(1);
    } else {
        getProfile(1, dir);
    }
    return 0;
}
