#pragma once

// Shared set-up of every harness: one application object, a private settings
// tree, no log output (ZALDO_FUZZ_LOG=1 shows it), and the core over a transport.

#include "commands/boxselection.h"
#include "core/controllerstate.h"
#include "core/viewsink.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdlib>

namespace fuzz {

inline void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

// A fresh, empty data folder per input; the application object lives for the run.
inline QString start()
{
    static int argc = 1;
    static char name[] = "zaldo-fuzz";
    static char *argv[] = {name, nullptr};
    static QTemporaryDir home;
    static QCoreApplication *app = [] {
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", home.filePath(QStringLiteral("runtime")).toUtf8());
        QDir(home.path()).mkpath(QStringLiteral("runtime"));
        if (qEnvironmentVariableIntValue("ZALDO_FUZZ_LOG") == 0) {
            QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
            qInstallMessageHandler(dropMessage);
        }
        return new QCoreApplication(argc, argv);
    }();
    (void)app;
    const QString data = home.filePath(QStringLiteral("data"));
    QDir(data).removeRecursively();
    QDir().mkpath(data);
    return data;
}

inline QByteArray bytes(const uint8_t *data, size_t size) { return QByteArray(reinterpret_cast<const char *>(data), int(size)); }

// At most eight '\n'-separated parts, so one input can be a short sequence.
inline QList<QByteArray> lines(const uint8_t *data, size_t size) { return bytes(data, size).split('\n').mid(0, 8); }

struct Core {
    Core(HidTransport &transport, const QString &dataDir) : link(state, transport), store(state, dataDir)
    {
        link.connectAllBoxes();
    }
    ControllerState state;
    DeviceLink link;
    SettingsStore store;
    NullViewSink views;
    FanTimers timers{state, link, views};
    BoxSelection boxes{state, link, store, views, timers};
};

} // namespace fuzz
