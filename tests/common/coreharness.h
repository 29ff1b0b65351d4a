#pragma once

// The core without windows: emulated boxes, settings in a temporary folder and
// recorded view calls; the timers, dispatcher and companion tests share it.

#include "core/controllerstate.h"
#include "commands/boxselection.h"
#include "common/fanfields.h"
#include "common/recordingviewsink.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QDirIterator>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <tuple>

// Keeps every test away from the real home and runtime folders.
inline bool isolateEnvironment()
{
    static QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", dir.filePath(QStringLiteral("runtime")).toUtf8());
    return dir.isValid() && QDir(dir.path()).mkpath(QStringLiteral("runtime"));
}

inline QStringList filesIn(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    return out;
}

struct CoreHarness {
    const bool isolated = isolateEnvironment();
    QTemporaryDir dir;
    ControllerState state;
    BoxEmulator emu;
    DeviceLink link;
    std::unique_ptr<SettingsStore> store;
    RecordingViewSink views;
    FanTimers timers{state, link, views};
    std::unique_ptr<BoxSelection> selection;
    qint64 now = 0;  // the stall watch's clock; the emulator's too where a test says so

    explicit CoreHarness(const QList<int> &boxes, std::unique_ptr<BoxExecutor> executor = nullptr)
        : link(state, emu, std::move(executor))
    {
        emu.setBoxes(boxes);
        timers.setClock([this] { return now; });
        link.connectAllBoxes();
        store = std::make_unique<SettingsStore>(state, dir.filePath(QStringLiteral("data")));
        selection = std::make_unique<BoxSelection>(state, link, *store, views, timers);
        emu.clearSentReports();
    }

    ControllerBox &box(int b) { return state.boxArray[static_cast<size_t>(b)]; }
    void paint(int b, int f, int r, int g, int bl)
    {
        std::tie(box(b).fans[size_t(f)].colour.red, box(b).fans[size_t(f)].colour.green, box(b).fans[size_t(f)].colour.blue) = std::tie(r, g, bl);
    }
    // Sent reports as "box w1 ... w8" in hex.
    QStringList reports() const { return emu.traceLines(); }
    void clear()
    {
        emu.clearSentReports();
        views.clear();
    }
    QString deviceKey(const QString &key) const
    {
        return QSettings(store->deviceFilePath(), QSettings::IniFormat).value(key).toString();
    }
};

// Sets a fan's LED mode from its number, whether the program keeps it as a
// number or as an enum.
template <class Mode>
void setMode(Mode &mode, int number)
{
    mode = static_cast<Mode>(number);
}

// Expected report lines, fan 0..2 given as the program numbers it.
inline QString hexLine(int box, std::initializer_list<int> bytes)
{
    QString line = QString::number(box);
    for (int b : bytes)
        line += QStringLiteral(" %1").arg(b & 0xFF, 2, 16, QLatin1Char('0'));
    return line + QStringLiteral(" 00").repeated(8 - int(bytes.size()));
}
inline QString steady(int box, int fan, int r, int g, int b) { return hexLine(box, {0x32, 0x52, fan + 1, 0, r, g, b}); }
inline QString flash(int box, int fan, int r, int g, int b) { return hexLine(box, {0x32, 0x52, fan + 1, 2, r, g, b}); }
inline QString cycle(int box, int fan) { return hexLine(box, {0x32, 0x52, fan + 1, 1}); }
inline QString speed(int box, int fan, int percent) { return hexLine(box, {0x32, 0x51, fan + 1, 3, percent}); }
inline QString status(int box, int fan) { return hexLine(box, {0x33, 0x51, fan + 1}); }
inline QString storeCmd(int box) { return hexLine(box, {0x32, 0x53}); }

// Every field of a box and the globals, to prove that a command changed nothing.
inline QString dumpState(const ControllerState &s)
{
    QString out;
    QDebug d(&out);
    d << s.controllerBoxNumber << s.currentProfile << s.languageIndex << s.isStartAutoUpdate << s.isOpenPassword
      << s.passwordStr << s.musicLevel << s.volumePercent << s.checkControllerStr;
    for (const ControllerBox &b : s.boxArray) {
        d << b.isConnected << bool(b.hidHandle) << b.profileValue;
        for (size_t f = 0; f < b.fans.size(); ++f)
            d << b.fans[f].colour.red << b.fans[f].colour.green << b.fans[f].colour.blue << b.fans[f].brightness << b.fans[f].speedLevel
              << b.fans[f].speedMode << static_cast<int>(b.fans[f].lighting) << b.fans[f].alarmOn << b.fans[f].randomColour
              << b.fans[f].alertShown << b.fans[f].source.followsCurve() << b.fans[f].ledsOff;
    }
    return out;
}
