#include "app/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTextStream>

Q_LOGGING_CATEGORY(lcAutoRun, "zaldo.autorun")

namespace {
const char kEntryName[] = "Brenvar RGB Fan Controller";

QString quoteExec(const QString &path)
{
    // Desktop entry quoting: the path goes in double quotes with \ " ` $ escaped.
    QString escaped;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString unquoteExec(const QString &value)
{
    const QString v = value.trimmed();
    if (!v.startsWith(QLatin1Char('"'))) {
        const int space = v.indexOf(QLatin1Char(' '));
        return space < 0 ? v : v.left(space);
    }
    QString out;
    for (int i = 1; i < v.size(); ++i) {
        const QChar c = v.at(i);
        if (c == QLatin1Char('\\') && i + 1 < v.size()) {
            out += v.at(++i);
        } else if (c == QLatin1Char('"')) {
            break;
        } else {
            out += c;
        }
    }
    return out;
}
// The desktop's own off switches: an entry with one of them starts nothing.
bool isSwitchedOff(const QString &key, const QString &value)
{
    return (key == QLatin1String("Hidden") && value == QLatin1String("true"))
           || (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false"));
}
} // namespace

XdgAutoStartStore::XdgAutoStartStore(const QString &configHome)
{
    QString home = configHome;
    if (home.isEmpty())
        home = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.config");
    m_path = home + QStringLiteral("/autostart/") + QLatin1String(kEntryName) + QStringLiteral(".desktop");
}

bool XdgAutoStartStore::read(QString *command)
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // An entry is a few lines; a huge file is not one of ours.
    const QByteArray data = file.read(64 * 1024);
    command->clear();
    bool enabled = true;
    bool mainGroup = true;
    for (const QByteArray &raw : data.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        const int eq = line.indexOf(QLatin1Char('='));
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            mainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!mainGroup || eq < 0)
            continue;
        if (key == QLatin1String("Exec") && command->isEmpty())
            *command = unquoteExec(value);
        enabled = enabled && !isSwitchedOff(key, value);
    }
    if (!enabled)
        qCInfo(lcAutoRun) << "the autostart entry is switched off by the desktop:" << m_path;
    return enabled;
}

bool XdgAutoStartStore::write(const QString &programPath)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << kEntryName << "\n"
        << "Comment=RGB fan controller\n"
        << "Exec=" << quoteExec(programPath) << "\n"
        << "Icon=brenvar-rgb-fan-controller\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    return file.commit();
}

bool XdgAutoStartStore::remove()
{
    return QFile::remove(m_path);
}

void setAutoRun(AutoStartStore &store, bool on, const QString &programPath)
{
    QString registered;
    const bool exists = store.read(&registered);
    qCDebug(lcAutoRun) << "registPathString : " << registered;
    const QString fileName = QFileInfo(programPath).fileName();
    const bool isRegist = exists && !fileName.isEmpty() && registered.endsWith(fileName);
    qCDebug(lcAutoRun) << "isRegist : " << isRegist;
    qCDebug(lcAutoRun) << "pFileName:" << programPath;
    qCDebug(lcAutoRun) << "pFileNameQString:" << programPath;

    if (!on) {
        qCDebug(lcAutoRun) << "isAutoRunEXE:false";
        // Only our own entry is removed; one made by hand for something else stays.
        if (isRegist) {
            const bool removed = store.remove();
            qCDebug(lcAutoRun) << (removed ? "delete success" : "delete fffffff");
            if (!removed)
                qCWarning(lcAutoRun) << "cannot remove the autostart entry";
        }
        return;
    }
    qCDebug(lcAutoRun) << "isAutoRunEXE:true";
    if (isRegist) {
        qCDebug(lcAutoRun) << "0000000000000000000000000000000";
        return;
    }
    qCDebug(lcAutoRun) << "regist auto run";
    const bool written = store.write(programPath);
    qCDebug(lcAutoRun) << (written ? "regist auto run success" : "regist auto run fffffff");
    if (!written)
        qCWarning(lcAutoRun) << "cannot write the autostart entry";
}

QString autoRunMark(bool on)
{
    // A ballot box reads as on/off in every locale, unlike the bracket pair of
    // a Chinese code page.
    return on ? QStringLiteral("\u2611") : QStringLiteral("\u2610");
}
