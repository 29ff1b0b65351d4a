#pragma once

// The program's named vocabulary: modes, message numbers, defaults and
// intervals, each written once here.

#include <QString>

#include <cstddef>

#ifndef ZALDO_SOFTWARE_VERSION
#error "ZALDO_SOFTWARE_VERSION comes from the project version in CMakeLists.txt"
#endif

// Index into the per-box and per-fan arrays; callers have checked the range.
constexpr std::size_t idx(int i) { return static_cast<std::size_t>(i); }

// A fan's lighting mode, as the box's LED report and the profiles ("FanMode") number it.
enum class LedMode : int { Steady = 0, Cycle = 1, Flash = 2 };

namespace Defaults {
// The phone-app password until the user sets one.
inline const QString password = QStringLiteral("7391");
inline const QString softwareVersion = QStringLiteral(ZALDO_SOFTWARE_VERSION);
} // namespace Defaults

// Every recurring timer, in milliseconds.
namespace Interval {
constexpr int musicMs = 25;
constexpr int randomColorMs = 200;
constexpr int rpmPollMs = 1000;
constexpr int cpuTemperatureMs = 5000;
// The pass while any fan follows a curve of the user's.
constexpr int userCurveMs = 1000;
} // namespace Interval

// Remote-control messages to the controller window. The numbers are what
// scripts send; they never change.
namespace RemoteMsg {
constexpr unsigned deviceChange = 0x0219;
constexpr unsigned showPanel = 0x8101;
constexpr unsigned autoUpdate = 0x8102;
constexpr unsigned passwordSwitch = 0x8103;
constexpr unsigned passwordDigits = 0x8104;
constexpr unsigned close = 0x8105;
constexpr unsigned selectBox = 0x8106;
constexpr unsigned loadProfile = 0x8107;
constexpr unsigned monitorFan = 0x8108;
constexpr unsigned performance = 0x8109;
constexpr unsigned silent = 0x8110;
constexpr unsigned temperatureMode = 0x8111;
constexpr unsigned speedLevel = 0x8112;
constexpr unsigned colourCycle = 0x8113;
constexpr unsigned flashing = 0x8114;
constexpr unsigned ledsOff = 0x8115;
constexpr unsigned copyLighting = 0x8116;
constexpr unsigned brightness = 0x8117;
constexpr unsigned colour = 0x8118;
constexpr unsigned saveProfile = 0x8119;
} // namespace RemoteMsg
