#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Command line of the program. Anything unknown or malformed is refused before
// anything starts.
struct ProgramOptions {
    // --emulate LIST or --emulate @PATH
    bool emulate = false;
    QList<int> emulatedBoxes;
    QString emulatedBoxFile;
    QList<QPair<int, int>> stalledFans;   // --emulate-stalled
    QString tracePath;                    // --emulate-trace
    int latencyUs = 0;                    // --emulate-latency
    QList<int> silentBoxes;               // --emulate-silent

    // --send MSG [WPARAM [LPARAM]]
    bool send = false;
    quint32 message = 0;
    qint64 wParam = 0;
    qint64 lParam = 0;

    bool companionEnabled = true;         // --no-companion
    QString companionAddress;             // --companion-address
    QString updateUrl;                    // --update-url

    bool showHelp = false;
    bool showVersion = false;
};

// Parses arguments (without argv[0]). On failure returns false and sets *error.
bool parseProgramOptions(const QStringList &args, ProgramOptions *options, QString *error);
// Numbers of --send: decimal or 0x-hexadecimal.
bool parseMessageNumber(const QString &text, qint64 *value);
QString programUsage();
