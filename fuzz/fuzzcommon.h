#pragma once

// Shared set-up of every harness: one application object, a private settings
// tree, and no log output (the log lines would cost more than the code under test).

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace fuzz {

inline void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

// Lives for the whole run; Qt wants it before any QObject with timers or sockets.
inline QCoreApplication &app()
{
    static int argc = 1;
    static char name[] = "zaldo-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *instance = [] {
        static QTemporaryDir home;  // keeps the settings library off the real home
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

// Emptied for every input, so one input never sees the files of the one before.
class ScratchDir {
public:
    const QString &reset()
    {
        QDir(m_path).removeRecursively();
        QDir().mkpath(m_path);
        return m_path;
    }

private:
    QTemporaryDir m_root;
    QString m_path = m_root.filePath(QStringLiteral("data"));
};

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<int>(size));
}

// The input as the whole content of the file at path.
inline void writeFile(const QString &path, const uint8_t *data, size_t size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes(data, size)) != qint64(size))
        std::abort();
}

// Splits at '\n' into at most maxParts parts, so one input can be a short sequence.
inline QList<QByteArray> lines(const QByteArray &input, int maxParts)
{
    return input.split('\n').mid(0, maxParts);
}

} // namespace fuzz
