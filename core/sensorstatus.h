#pragma once

#include <QString>

#include <optional>

// A sensor as the newest curve pass saw it, for whoever shows it (the
// command line's sensors and status).
struct SensorStatus {
    QString id;
    QString label;
    QString source;                 // hwmon, cpu, mix, file
    std::optional<double> reading;  // °C in tenths; none this pass
    QString state;                  // reading, holding, lost, never read
};
