#pragma once

#include <QLoggingCategory>
#include <QString>

#include <cstddef>

Q_DECLARE_LOGGING_CATEGORY(lcAppCommand)

// Reading the companion app's fixed-position command strings.
namespace AppCommandText {

// Positions past the end read as NUL, which matches nothing.
inline QChar charAt(const QString &s, int i)
{
    return i >= 0 && i < s.size() ? s.at(i) : QChar(0);
}

inline bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A digit position: anything but '0'..'9' reads as 0.
inline int digitAt(const QString &s, int i)
{
    const QChar c = charAt(s, i);
    return isAsciiDigit(c) ? c.unicode() - '0' : 0;
}

inline bool matches(const QString &s, int i, char c)
{
    return charAt(s, i) == QLatin1Char(c);
}

// Upper-case hexadecimal digit, -1 for anything else.
inline int hexDigit(QChar c)
{
    if (isAsciiDigit(c))
        return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

// Two hexadecimal digits, high first; -1 when either is not one.
inline int hexPairAt(const QString &s, int i)
{
    const int high = hexDigit(charAt(s, i));
    const int low = hexDigit(charAt(s, i + 1));
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Where the box flags of each form start.
constexpr int kModeFlagsStart = 4;
constexpr int kProfileFlagsStart = 6;
constexpr int kLevelFlagsStart = 7;   // brightness and speed level: 7..22
constexpr int kLevelFlagsEnd = 23;
constexpr int kColourFlagsStart = 22; // colour: 22..37
constexpr int kColourFlagsEnd = 38;
constexpr int kColourMinLength = 20;  // the blue pair ends at position 19
// The app's fan mask digit (1..7) and its profile reply carry three fans;
// a port past the third is out of the app's reach.
constexpr int kAppFans = 3;

} // namespace AppCommandText
