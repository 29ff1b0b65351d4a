#pragma once

// Writes that fail as on a full disk or in a read-only folder, for root too
// (root ignores file modes, so the read-only case drops to nobody).

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <functional>

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs body while no file may grow past maxBytes: the write fails with EFBIG,
// as on a full disk. Returns body's result.
inline bool whileDiskFull(const std::function<bool()> &body, rlim_t maxBytes = 0)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit full = old;
    full.rlim_cur = maxBytes;
    setrlimit(RLIMIT_FSIZE, &full);
    const bool result = body();
    setrlimit(RLIMIT_FSIZE, &old);
    return result;
}

// Runs body in a child process while folder is read-only (0555). Nothing the
// child changes in memory reaches the caller. Returns body's result.
inline bool whileFolderReadOnly(const QString &folder, const std::function<bool()> &body)
{
    // nobody must reach the folder through the test's private temporary dirs.
    for (QString p = QFileInfo(folder).absolutePath(); p.startsWith(QDir::tempPath() + '/');
         p = QFileInfo(p).absolutePath())
        QFile::setPermissions(p, QFile::permissions(p) | QFile::ReadOther | QFile::ExeOther);
    const auto mode = QFile::permissions(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                      | QFile::ReadOther | QFile::ExeOther);
    const pid_t pid = fork();
    if (pid == 0) {
        const bool dropped = ::geteuid() != 0
            || (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
        _exit(dropped && body() ? 0 : 1);
    }
    int status = 1;
    waitpid(pid, &status, 0);
    QFile::setPermissions(folder, mode);
    return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
