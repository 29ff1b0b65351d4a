#pragma once

#include "core/controllerstate.h"
#include "update/autoupdate.h"
#include "update/updaterlauncher.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Records the updater starts instead of running anything.
class RecordingLauncher : public UpdaterLauncher {
public:
    QStringList parameters;
    bool result = true;
    bool launch(const QString &parameter) override
    {
        parameters << parameter;
        return result;
    }
};

// Private XDG home, no proxies, no service URL from the environment.
inline void isolateUpdateTest(const QTemporaryDir &home)
{
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (home.path() + "/runtime").toLocal8Bit());
    for (const char *var : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "ZALDO_UPDATE_URL"})
        qunsetenv(var);
}

inline QByteArray readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// One update checker over a private data directory; create() once the
// directory and the state are set up as the test needs.
struct UpdateRig {
    QTemporaryDir dir;
    ControllerState state;
    RecordingLauncher launcher;
    std::unique_ptr<AutoUpdate> up;
    std::unique_ptr<QSignalSpy> handled, notes, started;

    AutoUpdate &create(const QString &serviceUrl = QString())
    {
        up = std::make_unique<AutoUpdate>(dir.path(), serviceUrl, launcher, state);
        up->setTransferTimeout(300);
        handled = std::make_unique<QSignalSpy>(up.get(), &AutoUpdate::replyHandled);
        notes = std::make_unique<QSignalSpy>(up.get(), &AutoUpdate::updateNoteReady);
        started = std::make_unique<QSignalSpy>(up.get(), &AutoUpdate::updaterStarted);
        return *up;
    }
    QString file(const char *name) const { return dir.path() + QLatin1String(name); }
};
