#include "update/updaterlauncher.h"

#include "update/updatelog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <sys/types.h>

const char ProcessUpdaterLauncher::kProgramName[] = "BrenvarUpdate";

QString updaterParameter(int languageIndex, const QString &version)
{
    static const char *const tags[] = {"en", "tc", "sc", "de", "fr", "ja", "th"};
    const char *tag = (languageIndex >= 0 && languageIndex < 7) ? tags[languageIndex] : "en";
    return QStringLiteral("RGBZaldo;") + QLatin1String(tag) + QLatin1Char(';') + version;
}

ProcessUpdaterLauncher::ProcessUpdaterLauncher(const QString &programDirectory)
    : m_dir(programDirectory)
{
}

QString ProcessUpdaterLauncher::programPath() const
{
    const QString dir = m_dir.isEmpty() ? QCoreApplication::applicationDirPath() : m_dir;
    return dir + QLatin1Char('/') + QLatin1String(kProgramName);
}

bool ProcessUpdaterLauncher::launch(const QString &parameter)
{
    const QString program = programPath();
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        qCWarning(lcUpdate) << "updater missing:" << program;
        return false;
    }
    // Detached, so the updater survives this program closing for the install.
    qint64 pid = 0;
    if (!QProcess::startDetached(program, {parameter}, info.absolutePath(), &pid)) {
        qCWarning(lcUpdate) << "updater did not start:" << program;
        return false;
    }
    qCDebug(lcUpdate) << "updater started, pid" << pid;
    // Give a quick updater its moment to finish, never more than kWaitMs.
    const QDeadlineTimer deadline(kWaitMs);
    while (pid > 0 && !deadline.hasExpired()) {
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            break;
        QThread::msleep(20);
    }
    return true;
}
