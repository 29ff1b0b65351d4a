#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Points XDG_CONFIG_HOME / XDG_RUNTIME_DIR at a private folder; call from initTestCase.
inline std::unique_ptr<QTemporaryDir> makeUiTestHome()
{
    auto home = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", (home->path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (home->path() + QStringLiteral("/runtime")).toLocal8Bit());
    QDir().mkpath(home->path() + QStringLiteral("/runtime"));
    QFile::setPermissions(home->path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return home;
}

// The folders the program reads beside itself (tests run from the program's bin dir).
inline QString imageDir() { return QCoreApplication::applicationDirPath() + QStringLiteral("/Image"); }
inline QString languageDir() { return QCoreApplication::applicationDirPath() + QStringLiteral("/Language"); }

// Every list a QSignalSpy on a sendData(QStringList) signal has seen.
inline QList<QStringList> lists(const QSignalSpy &spy)
{
    QList<QStringList> out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).toStringList());
    return out;
}
