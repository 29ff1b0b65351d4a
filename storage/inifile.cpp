#include "storage/inifile.h"

#include "storage/storagelog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace IniFile {

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool hasUnbalancedQuote(const QByteArray &line)
{
    bool inQuote = false;
    for (int i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '\\') {
            ++i; // the escaped character never opens or closes a quote
        } else if (c == '"') {
            inQuote = !inQuote;
        }
    }
    return inQuote;
}

bool sameContentBesideIt(const QString &path, const QByteArray &content)
{
    const QFileInfo info(path);
    const QDir dir = info.absoluteDir();
    const QStringList copies =
        dir.entryList({info.fileName() + QStringLiteral(".damaged-*")}, QDir::Files);
    for (const QString &copy : copies) {
        if (readAll(dir.filePath(copy)) == content)
            return true;
    }
    return false;
}

} // namespace

QString readText(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    if (value.type() == QVariant::StringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool looksDamaged(const QByteArray &content)
{
    for (const char c : content) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\n' && c != '\r' && c != '\t')
            return true;
    }
    QByteArray text = content;
    if (text.startsWith("\xEF\xBB\xBF")) // QSettings reads a UTF-8 mark itself
        text.remove(0, 3);
    const QList<QByteArray> lines = text.split('\n');
    bool continued = false;
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        const bool wasContinued = continued;
        continued = line.endsWith('\\');
        if (wasContinued || line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']'))
                return true;
            continue;
        }
        if (!line.contains('=') || hasUnbalancedQuote(line))
            return true;
    }
    return false;
}

bool backupDamagedFile(const QString &path)
{
    const QByteArray content = readAll(path);
    if (sameContentBesideIt(path, content)) {
        qCDebug(lcStorage).noquote() << "Damaged settings file already kept beside it:" << path;
        return true;
    }
    const QString base = path + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString target = base;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    if (!QFile::copy(path, target)) {
        qCWarning(lcStorage).noquote() << "Damaged settings file, copy failed:" << path << "->" << target;
        return false;
    }
    qCWarning(lcStorage).noquote() << "Damaged settings file, copy kept:" << target;
    return true;
}

Reader::Reader(const QString &path)
    : settings(path, QSettings::IniFormat)
{
    const bool formatError = settings.status() == QSettings::FormatError;
    if (formatError || (QFileInfo(path).isFile() && looksDamaged(readAll(path)))) {
        qCWarning(lcStorage).noquote() << "Settings file damaged:" << path
                                       << (formatError ? "(format error)" : "(unreadable lines)");
        backupFailed = !backupDamagedFile(path);
    }
    if (settings.status() == QSettings::AccessError)
        qCWarning(lcStorage).noquote() << "Settings file cannot be read:" << path;
}

bool writeValues(const QString &path, const Values &values)
{
    Reader reader(path);
    QSettings &settings = reader.settings;
    if (reader.backupFailed) {
        qCWarning(lcStorage).noquote() << "Settings not written, the damaged file would be lost:" << path;
        return false;
    }
    if (settings.status() == QSettings::AccessError) {
        // Writing now would replace keys we could not read.
        qCWarning(lcStorage).noquote() << "Settings not written:" << path;
        return false;
    }
    // Atomic saves (temporary file renamed over the old one) are the QSettings
    // default; state it so a crash mid-write never leaves half a file.
    settings.setAtomicSyncRequired(true);
    for (const auto &kv : values)
        settings.setValue(kv.first, kv.second);
    settings.sync();

    switch (settings.status()) {
    case QSettings::NoError:
        return true;
    case QSettings::AccessError:
        qCWarning(lcStorage).noquote() << "Settings write failed (access error):" << path;
        return false;
    case QSettings::FormatError:
        break;
    }
    // The format error is the one the read found; it sticks to the object and
    // would hide a failed write. A fresh read shows what reached the disk.
    QSettings check(path, QSettings::IniFormat);
    if (check.status() == QSettings::NoError) {
        bool all = true;
        for (const auto &kv : values)
            all = all && readText(check, kv.first) == kv.second;
        if (all) {
            qCDebug(lcStorage).noquote() << "Damaged settings file rewritten:" << path;
            return true;
        }
    }
    qCWarning(lcStorage).noquote() << "Settings write failed (format error):" << path;
    return false;
}

} // namespace IniFile
