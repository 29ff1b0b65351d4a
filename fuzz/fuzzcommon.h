#pragma once

// Shared set-up of every harness: one application object, a private settings
// tree, and no log output (the log lines would cost more than the code under test).

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace fuzz {

inline void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

// The application object lives for the whole run; Qt wants it before any
// QObject with timers or sockets.
inline QCoreApplication &app()
{
    static int argc = 1;
    static char name[] = "zaldo-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *instance = [] {
        // Keep the settings library and anything else off the real home.
        static QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", QDir(home.path()).filePath(QStringLiteral("runtime")).toUtf8());
        QDir(home.path()).mkpath(QStringLiteral("runtime"));
        // ZALDO_FUZZ_LOG=1 shows the program's log lines while reproducing a finding.
        if (qEnvironmentVariableIntValue("ZALDO_FUZZ_LOG") == 0) {
            QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
            qInstallMessageHandler(dropMessage);
        }
        return new QCoreApplication(argc, argv);
    }();
    return *instance;
}

// A scratch directory, emptied for every input so one input never sees the
// files of the one before.
class ScratchDir {
public:
    ScratchDir() : m_path(m_root.filePath(QStringLiteral("data"))) {}
    const QString &reset()
    {
        QDir(m_path).removeRecursively();
        QDir().mkpath(m_path);
        return m_path;
    }
    const QString &path() const { return m_path; }

private:
    QTemporaryDir m_root;
    QString m_path;
};

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<int>(size));
}

// Splits at '\n' into at most maxParts parts, so one input can be a short sequence.
inline QList<QByteArray> lines(const QByteArray &input, int maxParts)
{
    QList<QByteArray> parts = input.split('\n');
    while (parts.size() > maxParts)
        parts.removeLast();
    return parts;
}

} // namespace fuzz
