#pragma once

#include "update/updaterlauncher.h"

#include <QStringList>

// Records the updater starts instead of running anything.
class RecordingLauncher : public UpdaterLauncher {
public:
    QStringList parameters;
    bool result = true;
    bool launch(const QString &parameter) override
    {
        parameters << parameter;
        return result;
    }
};
