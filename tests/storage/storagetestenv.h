#pragma once

#include "storage/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Fan3 = std::array<int, 3>;
using Flags3 = std::array<bool, 3>;

// Private XDG home (call from initTestCase, before Qt fixes the per-user
// paths) plus a fresh, not yet created data directory per test.
struct StorageDirs {
    std::unique_ptr<QTemporaryDir> home, dir;
    QString data;

    void initHome()
    {
        home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", (home->path() + "/config").toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (home->path() + "/runtime").toLocal8Bit());
        QDir().mkpath(home->path() + "/runtime");
        QLoggingCategory::setFilterRules(QStringLiteral("zaldo.storage.debug=true"));
    }
    void reset()
    {
        dir = std::make_unique<QTemporaryDir>();
        data = dir->path() + "/RGBZaldo";
    }
    QString device() const { return data + "/Device.ini"; }
    QString profile(int n) const { return data + QStringLiteral("/Zaldo/Profile%1.ini").arg(n); }
};

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

inline QString iniValue(const QString &path, const QString &key)
{
    return QSettings(path, QSettings::IniFormat).value(key).toString();
}

// The five Main values of the state, as the device file orders them:
// AutoUpdate, Language, Password, OpenPassword, isAutoRun.
inline QStringList mainOf(const ControllerState &s)
{
    return {QString::number(s.isStartAutoUpdate), QString::number(s.languageIndex), s.passwordStr,
            QString::number(s.isOpenPassword), QString::number(s.isAutoRun)};
}

// Fan f of a box in profile-file key order (RColor ... isTurnOffLed).
inline QStringList fanOf(const ControllerBox &b, int f)
{
    QStringList out;
    for (int v : {b.RColorFan[f], b.GColorFan[f], b.BColorFan[f]})
        out << QString::number(v);
    out << QString::number(double(b.brightFan[f]), 'g', 6);
    for (int v : {b.speedFan[f], b.speedModeFan[f], int(b.isPWMFan[f]), b.LEDModeFan[f], int(b.isTurnOffLedFan[f])})
        out << QString::number(v);
    return out;
}

// Sets fan f of a box from text in the same order.
inline void setFan(ControllerBox &b, int f, const QStringList &v)
{
    b.RColorFan[f] = v[0].toInt();
    b.GColorFan[f] = v[1].toInt();
    b.BColorFan[f] = v[2].toInt();
    b.brightFan[f] = v[3].toFloat();
    b.speedFan[f] = v[4].toInt();
    b.speedModeFan[f] = v[5].toInt();
    b.isPWMFan[f] = v[6].toInt();
    b.LEDModeFan[f] = v[7].toInt();
    b.isTurnOffLedFan[f] = v[8].toInt();
}

// Names of the "<file>.damaged-*" copies beside path.
inline QStringList damagedCopies(const QString &path)
{
    const QFileInfo info(path);
    return info.absoluteDir().entryList({info.fileName() + ".damaged-*"}, QDir::Files);
}
