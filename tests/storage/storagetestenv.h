#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Points XDG_CONFIG_HOME / XDG_RUNTIME_DIR at a private folder. Call from
// initTestCase, before any QSettings exists: Qt fixes the per-user paths at
// first use.
inline std::unique_ptr<QTemporaryDir> makeTestHome()
{
    auto home = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", (home->path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (home->path() + QStringLiteral("/runtime")).toLocal8Bit());
    QDir().mkpath(home->path() + QStringLiteral("/runtime"));
    QLoggingCategory::setFilterRules(QStringLiteral("zaldo.storage.debug=true"));
    return home;
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

inline bool writeBytes(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

// Names of the "<file>.damaged-*" copies beside path.
inline QStringList damagedCopies(const QString &path)
{
    const QFileInfo info(path);
    return info.absoluteDir().entryList({info.fileName() + QStringLiteral(".damaged-*")}, QDir::Files);
}
