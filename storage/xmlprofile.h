#pragma once

#include <QString>

#include <array>

// One XML profile: fans 1..3, slots RColor, GColor, BColor, Bright, Speed,
// SpeedMode, FanMode, PWM.
struct XmlProfile {
    std::array<std::array<QString, 8>, 3> fans;
};

// Reads "Profile<n>.xml" from the working directory (or from directory when given).
XmlProfile getProfile(int profileCount, const QString &directory = QString());
