#pragma once

#include "core/usercurve.h"
#include "device/boxemulator.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

// Command line of the program. Anything unknown or malformed is refused before
// anything starts.
struct ProgramOptions {
    // --emulate LIST or --emulate @PATH
    bool emulate = false;
    QList<int> emulatedBoxes;
    QString emulatedBoxFile;
    QList<QPair<int, int>> stalledFans;   // --emulate-stalled
    QList<BoxEmulator::FanEvent> fanEvents;  // --emulate-stall, --emulate-recover
    QString tracePath;                    // --emulate-trace
    int latencyUs = 0;                    // --emulate-latency
    QList<int> silentBoxes;               // --emulate-silent
    QList<int> slowBoxes;                 // --emulate-slow
    bool inlineIo = false;                // --io-inline

    // --send MSG [WPARAM [LPARAM]]
    bool send = false;
    quint32 message = 0;
    qint64 wParam = 0;
    qint64 lParam = 0;

    // status | set | profile: requests to the running copy, one line each, sent in order.
    QString verb;
    QList<QByteArray> requests;
    bool json = false;                    // --json

    bool companionEnabled = true;         // --no-companion
    QString companionAddress;             // --companion-address
    QString openRgbAddress;               // --openrgb-server [ADDRESS:]PORT; empty: off
    int openRgbPort = 0;
    QString updateUrl;                    // --update-url
    bool verbose = false;                 // --verbose

    bool showHelp = false;
    bool showVersion = false;
};

// One setting of the set verb, checked: --color RRGGBB, #RRGGBB or a colour name, --brightness 0-100,
// --mode steady|cycle|flash|off|on, --speed 0-5|curve; on the request line
// also "curve TEXT", a user curve's text percent-encoded (curveWireText), or
// "curve default" for the built-in curve.
// The highest minimum RPM a fan may be given.
constexpr int kMaxMinRpm = 100000;

struct FanSetting {
    enum class What { Colour, Brightness, Mode, Speed, MinRpm, Kick, Curve } what = What::Colour;
    int red = 0, green = 0, blue = 0;
    int number = -1;  // brightness, the speed level (-1 for the curve), the minimum RPM, the kick (1 on)
    QString word;     // the mode
    std::shared_ptr<const UserCurve> curve;
    // What goes on the request line for the typed value: a colour as RRGGBB.
    QString wireValue(const QString &typed) const;
};
// A user curve as one word of a request line: its text, spaces and '%' encoded.
QByteArray curveWireText(const UserCurve &curve);
// key is the option without its dashes ("color"). False with *error otherwise.
bool parseFanSetting(const QString &key, const QString &value, FanSetting *setting, QString *error);
// A whole number first..last, as a person types it.
bool parseNumberIn(const QString &text, int first, int last, int *value);
// A decimal number that passes one of the value rules (core/valuerules.h);
// first is where the user's count starts (1 for boxes and fans, else 0).
bool parseRuled(const QString &text, bool (*rule)(long long), int first, int *value);

// The longest request line a running copy takes, without its line end: a
// 16-point curve with a sensor id fits many times over.
constexpr int kMaxRequestLength = 1024;
// The running copy's framing rules for one line, shared by the command line
// that builds it. False with *error ("request too long", ...) otherwise.
bool checkRequestLine(const QByteArray &line, QString *error);

// [ADDRESS:]PORT of --openrgb-server; the address defaults to 127.0.0.1.
bool parseListenAddress(const QString &text, QString *address, int *port);
// Parses arguments (without argv[0]). On failure returns false and sets *error.
bool parseProgramOptions(const QStringList &args, ProgramOptions *options, QString *error);
// Numbers of --send: decimal or 0x-hexadecimal.
bool parseMessageNumber(const QString &text, qint64 *value);
QString programUsage();
