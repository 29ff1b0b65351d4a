#include "storage/inifile.h"

#include "storage/storagelog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// When process pid started (clock ticks after boot), or -1 when it is gone.
// With the id it names one process; the id alone is reused.
qint64 startTime(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    bool ok = false;
    // The 22nd field; the name before it, in brackets, may hold spaces.
    const qint64 ticks = text.mid(text.lastIndexOf(')') + 2).split(' ').value(19).toLongLong(&ok);
    return ok ? ticks : -1;
}

// A new empty file "<path>.saving-<pid>-<start time>-<n>" with path's mode,
// made here and nowhere else (O_EXCL): no other process, not even a later one
// with this id, picks the name, and a leftover tells whose save it was. Empty
// when none can be made. The settings layer never sees a name twice in this
// process (it keeps the values of a failed write per path and offers them to
// every later reader of that path, retrying the write each time).
QString newWorkFile(const QString &path)
{
    static int count = 0;
    static const QString owner = QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid())
                                     .arg(startTime(QCoreApplication::applicationPid()));
    QDir().mkpath(QFileInfo(path).absolutePath());  // the first save makes the folder
    struct stat original {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &original) == 0;
    for (;;) {
        const QString name = path + QStringLiteral(".saving-%1-%2").arg(owner).arg(++count);
        const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return QString();
        const bool sameMode = !exists || ::fchmod(fd, original.st_mode & 07777) == 0;
        ::close(fd);
        if (sameMode)
            return name;
        QFile::remove(name);
        return QString();
    }
}

bool copyInto(const QString &from, const QString &to)
{
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray content = in.readAll();
    return in.error() == QFileDevice::NoError && out.write(content) == content.size() && out.flush();
}

bool renameOver(const QString &from, const QString &to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// The file at path with values merged in, written at work and, once read back
// complete, moved to done. A full disk can cut a write short without the
// settings layer noticing, so the read-back uses a name it has not cached.
bool writeCopy(const QString &path, const QString &work, const QString &done, const Values &values,
               const QStringList &removed)
{
    if (QFileInfo::exists(path) && !copyInto(path, work))
        return false;
    QSettings settings(work, QSettings::IniFormat);
    // Atomic saves are the QSettings default; state it so a crash mid-write
    // never leaves half a file.
    settings.setAtomicSyncRequired(true);
    for (const auto &kv : values)
        settings.setValue(kv.first, kv.second);
    for (const QString &key : removed)
        settings.remove(key);
    settings.sync();
    // A format error is the one the read of a damaged file found; it sticks to
    // the object. The read-back tells whether the write landed.
    if (settings.status() == QSettings::AccessError || !renameOver(work, done))
        return false;
    const QSettings check(done, QSettings::IniFormat);
    const QStringList keys = settings.allKeys();
    bool all = check.status() == QSettings::NoError && check.allKeys().size() == keys.size();
    for (const QString &key : keys)
        all = all && check.value(key) == settings.value(key);
    if (all && settings.status() == QSettings::FormatError)
        qCDebug(lcStorage).noquote() << "Damaged settings file rewritten:" << path;
    return all;
}

// The settings layer takes a file of unchanged size and time for unchanged.
// A rewrite within the file system's clock step must not look so.
void markRewritten(const QString &path, qint64 oldSize, const QDateTime &oldTime)
{
    const QFileInfo after(path);
    if (!oldTime.isValid() || after.size() != oldSize || after.lastModified() != oldTime)
        return;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        file.setFileTime(oldTime.addSecs(1), QFileDevice::FileModificationTime);
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

bool writeValues(const QString &path, const Values &values, const QStringList &removed)
{
    Reader reader(path);
    if (reader.backupFailed) {
        qCWarning(lcStorage).noquote() << "Settings not written, the damaged file would be lost:" << path;
        return false;
    }
    if (reader.settings.status() == QSettings::AccessError) {
        // Writing now would replace keys we could not read.
        qCWarning(lcStorage).noquote() << "Settings not written:" << path;
        return false;
    }
    // Work on a copy that replaces the file only once complete: a failed
    // write leaves the file, and what later reads return, as they were.
    const QString work = newWorkFile(path);
    const QString done = newWorkFile(path);
    const QFileInfo before(path);
    const qint64 oldSize = before.size();
    const QDateTime oldTime = before.lastModified();
    if (work.isEmpty() || done.isEmpty() || !writeCopy(path, work, done, values, removed) || !renameOver(done, path)) {
        for (const QString &name : {work, done}) {
            if (!name.isEmpty())
                QFile::remove(name);
        }
        qCWarning(lcStorage).noquote() << "Settings write failed (access error):" << path;
        return false;
    }
    markRewritten(path, oldSize, oldTime);
    return true;
}

void removeLeftovers(const QString &dir)
{
    // What newWorkFile names, and what the settings layer adds to it (".lock",
    // a temporary suffix). Older builds wrote "<pid>-<n>", which no save matches.
    static const QRegularExpression workName(QStringLiteral("^.+\\.saving-(\\d+)-(\\d+)(-\\d+)?(\\..*)?$"));
    const QDir folder(dir);
    for (const QString &name : folder.entryList({QStringLiteral("*.saving-*")}, QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = workName.match(name);
        if (!match.hasMatch() || startTime(match.captured(1).toLongLong()) == match.captured(2).toLongLong())
            continue;  // not ours, or its save is running
        const QString path = folder.filePath(name);
        if (QFile::remove(path))
            qCInfo(lcStorage).noquote() << "Removed what an interrupted save left:" << path;
        else
            qCWarning(lcStorage).noquote() << "Cannot remove what an interrupted save left:" << path;
    }
}

} // namespace IniFile
