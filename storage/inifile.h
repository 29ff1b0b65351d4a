#pragma once

#include <QByteArray>
#include <QPair>
#include <QSettings>
#include <QString>
#include <QVector>

// Low-level INI access shared by the device and profile files: tolerant reads,
// keeping a copy of damaged files, and writes that report whether they landed.
namespace IniFile {

// "Group/Key" -> value text, in the order they are written.
using Values = QVector<QPair<QString, QString>>;

// A value as one string. A hand-written unquoted "1,1,1" comes back from
// QSettings as a list; joining it again keeps it the one string it was.
QString readText(const QSettings &settings, const QString &key);

// True for content QSettings would silently drop or swallow on its next
// rewrite: control bytes, lines that are neither section, comment nor
// key=value, and unbalanced quotes (a stray quote eats the following lines).
bool looksDamaged(const QByteArray &content);

// Copies path to "<path>.damaged-<yyyyMMdd-hhmmss>" unless an identical copy
// already sits beside it. Returns false only when no copy could be made.
bool backupDamagedFile(const QString &path);

// Opens path for reading. A file QSettings reports as malformed, or that
// looksDamaged(), is copied aside first. Returns the settings object; its
// status() tells the caller whether anything could be read.
struct Reader {
    explicit Reader(const QString &path);
    QSettings settings;
    bool backupFailed = false;
};

// Merges values into the file at path (other keys and groups are kept) with
// an atomic save. False, with a log line, when the file could not be written
// completely or when it was damaged and no copy of it could be kept; the file,
// and what later reads of it return, then stay as they were.
// Keys in removed go from the file.
bool writeValues(const QString &path, const Values &values, const QStringList &removed = {});

// Removes from dir the work files of writeValues whose process is gone, as a
// save killed midway leaves them; those of a running save stay.
void removeLeftovers(const QString &dir);

} // namespace IniFile
