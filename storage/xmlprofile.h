#pragma once

#include <QString>

#include <array>

// One XML profile: fans 1..3, slots RColor, GColor, BColor, Bright, Speed,
// SpeedMode, FanMode, PWM.
constexpr int kXmlSlotCount = 8;
struct XmlProfile {
    std::array<std::array<QString, kXmlSlotCount>, 3> fans;
};

// Reads "Profile<n>.xml" from the working directory (or from directory when
// given); profile numbers outside 1..5 read profile 1. A missing, unreadable
// or malformed file gives the parse-failure defaults for all three fans.
XmlProfile getProfile(int profileCount, const QString &directory = QString());
