#pragma once

// The value rules, written once. The panel, the phone app, the remote-control
// messages and the command line all ask these; each entry point keeps its own
// answer to a bad value (refuse, clamp or ignore, and what it logs).

#include <QString>

constexpr int kBoxCount = 16;
constexpr int kMaxSpeedLevel = 5;
constexpr int kMaxColour = 255;
constexpr int kMaxBrightnessPercent = 100;
constexpr int kMaxPin = 9999;

// Box 0..15, counted from 0 as the box table is.
constexpr bool isValidBox(long long box) { return box >= 0 && box < kBoxCount; }
// A fan port of box n, counted from 0; how many a box has is its model's.
bool isValidFan(int box, long long fan);
// A fan number some model has, for input read before its box is known.
bool isValidFanOfSomeBox(long long fan);
// Levels run 0..5; any other would report 0 % and stop the fan.
constexpr bool isValidSpeedLevel(long long level) { return level >= 0 && level <= kMaxSpeedLevel; }
// One colour component.
constexpr bool isValidColour(long long c) { return c >= 0 && c <= kMaxColour; }
constexpr int clampColour(int c) { return c < 0 ? 0 : c > kMaxColour ? kMaxColour : c; }
// Brightness as the messages and the command line give it, in percent.
constexpr bool isValidBrightnessPercent(long long p) { return p >= 0 && p <= kMaxBrightnessPercent; }
// The stored factor is kept to 0..1 so the colour scaling stays in range.
constexpr float clampBrightness(float f) { return f < 0.0f ? 0.0f : f > 1.0f ? 1.0f : f; }
// The phone-app PIN is a number 0..9999.
constexpr bool isValidPin(long long pin) { return pin >= 0 && pin <= kMaxPin; }
// A PIN typed as text: digits only, 0..9999, stored padded to four; false leaves *pin alone.
bool parsePinText(const QString &text, QString *pin);
