#include "app/remotecontrol.h"

#include "app/options.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QPointer>
#include <QLockFile>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <cctype>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcRemote, "zaldo.remote")

namespace {
// A failed accept (descriptor table full) leaves the sender queued; it is
// taken on a later try rather than by spinning on the ready listener.
constexpr int kAcceptRetryMs = 250;
constexpr int kConnectRetryMs = 50;
// A copy writes its lock right after making it; one still empty by then is a leftover.
constexpr int kLockTextWaitMs = 300;
const QString kFolderName = QStringLiteral("brenvar-rgb-fan-controller");

QString lockPathFor(const QString &socketPath)
{
    return socketPath + QStringLiteral(".lock");
}

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Another user who may write to the folder could plant a lock and a socket
// there and answer in the program's name; a shared sticky folder is such a one.
bool isPrivateFolder(const QString &dir, QString *why)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(dir).constData(), &st) != 0)
        *why = lastError();
    else if (!S_ISDIR(st.st_mode))
        *why = QStringLiteral("not a folder");
    else if (st.st_uid != ::geteuid())
        *why = QStringLiteral("owned by uid %1").arg(st.st_uid);
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
        *why = QStringLiteral("others may write to it");
    else
        return true;
    return false;
}

// name below base, made private to the user when make is set and it is missing.
QString ownFolder(const QString &base, const QString &name, bool make)
{
    if (base.isEmpty())
        return QString();
    const QString dir = base + QLatin1Char('/') + name;
    if (make && QDir().mkpath(base))
        ::mkdir(QFile::encodeName(dir).constData(), 0700);  // one that is there is checked like any other
    return dir;
}

// The uid of the process at the other end of a local socket; -1 if unknown.
qint64 peerUid(int fd)
{
    ucred cred {};
    socklen_t size = sizeof(cred);
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 ? qint64(cred.uid) : -1;
}

// Whether a running copy holds the lock at path. A copy keeps its lock file
// open and locked (flock) while it runs, so a lock nobody holds is a crashed
// copy's, whatever process has its pid now: a copy restarted in a fresh PID
// namespace often has its very own.
bool lockIsHeld(const QString &path)
{
    // The maker locks the file before writing it: once it has text, asking is safe.
    const QLockFile reader(path);
    const QDeadlineTimer textDeadline(kLockTextWaitMs);
    while (!reader.getLockInfo(nullptr, nullptr, nullptr) && QFile::exists(path)) {
        if (textDeadline.hasExpired()) {
            qCWarning(lcRemote).noquote() << "the lock file" << path
                                          << "cannot be read; it is removed unless a running copy holds it";
            break;
        }
        QThread::msleep(kConnectRetryMs);
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT;
    // Where the file system cannot tell, it is taken for held, as before.
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}
} // namespace

LocalSocketRemoteControl::LocalSocketRemoteControl(QObject *parent)
    : RemoteControlTransport(parent)
{
    m_acceptRetry.setSingleShot(true);
    m_acceptRetry.setInterval(kAcceptRetryMs);
    connect(&m_acceptRetry, &QTimer::timeout, this, &LocalSocketRemoteControl::acceptPending);
}

LocalSocketRemoteControl::~LocalSocketRemoteControl()
{
    if (m_listenFd < 0)
        return;
    delete m_notifier;
    ::close(m_listenFd);
    QFile::remove(m_path);
}

QStringList LocalSocketRemoteControl::lockFolders(bool make)
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString perUser = kFolderName + QLatin1Char('-') + QString::number(::geteuid());  // /tmp is shared
    const QStringList candidates{qEnvironmentVariable("XDG_RUNTIME_DIR"), ownFolder(QDir::tempPath(), perUser, make),
                                 ownFolder(cache, kFolderName, make)};
    QStringList folders;
    for (const QString &dir : candidates) {
        QString why;
        if (!dir.isEmpty() && isPrivateFolder(dir, &why))
            folders << dir;
        else if (make && !dir.isEmpty())
            qCWarning(lcRemote).noquote() << "not using" << dir << "for the lock and the socket:" << why;
    }
    return folders;
}

QString LocalSocketRemoteControl::socketPath(const QString &title)
{
    const QStringList folders = lockFolders(false);
    return (folders.isEmpty() ? QDir::tempPath() : folders.first()) + QLatin1Char('/') + title;
}

bool LocalSocketRemoteControl::parseLine(const QByteArray &line, RemoteMessage *message)
{
    const QList<QByteArray> parts = line.trimmed().split(' ');
    if (parts.size() != 3)
        return false;
    bool ok1 = false, ok2 = false, ok3 = false;
    const qulonglong msg = parts[0].toULongLong(&ok1);
    const qlonglong w = parts[1].toLongLong(&ok2);
    const qlonglong l = parts[2].toLongLong(&ok3);
    if (!ok1 || !ok2 || !ok3 || msg > 0xFFFFFFFFULL)
        return false;
    message->message = static_cast<quint32>(msg);
    message->wParam = w;
    message->lParam = l;
    return true;
}

LocalSocketRemoteControl::Framed LocalSocketRemoteControl::frame(const QByteArray &received)
{
    using Kind = Framed::Kind;
    // Requests start with a word; messages are numbers only, and their senders
    // know the bare "error".
    const bool request = !received.isEmpty() && std::isalpha(static_cast<unsigned char>(received.at(0)));
    const int end = received.indexOf('\n');
    if (end < 0 && received.size() <= kMaxRequestLength)
        return {Kind::Incomplete, request, {}, 0};
    // A line is taken whole or refused whole: a cut one could change a value.
    const QByteArray line = end < 0 ? received : received.left(end);
    const int size = end < 0 ? received.size() : end + 1;
    QString error;
    if (!checkRequestLine(line, &error))
        return {Kind::Refused, request, request ? "error: " + error.toUtf8() : QByteArray("error"), size};
    return {Kind::Line, request, request ? line.trimmed() : line, size};
}

RemoteControlTransport::ListenResult LocalSocketRemoteControl::listen(const QString &title)
{
    // Every copy tries the folders in the same order, so the first that can
    // hold a lock is where they meet.
    LockState state = LockState::CannotMake;
    for (const QString &dir : lockFolders(true)) {
        m_path = dir + QLatin1Char('/') + title;
        if ((state = takeLock(lockPathFor(m_path))) != LockState::CannotMake)
            break;
    }
    if (state == LockState::CannotMake)
        return ListenResult::NoLock;
    if (state == LockState::Held) {
        qCInfo(lcRemote) << "another copy is running, holding" << lockPathFor(m_path);
        return ListenResult::OtherCopyRuns;
    }
    QString error;
    if (!openListener(&error)) {
        qCWarning(lcRemote) << "running without remote control: cannot listen on" << m_path << error;
        return ListenResult::Unavailable;
    }
    qCDebug(lcRemote) << "remote control listening on" << m_path;
    return ListenResult::Listening;
}

LocalSocketRemoteControl::LockState LocalSocketRemoteControl::takeLock(const QString &path)
{
    // Taking the lock is the one atomic step that decides which copy runs.
    // Only a dead owner makes it stale, never its age: the program runs for weeks.
    m_lock = std::make_unique<QLockFile>(path);
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return LockState::Taken;
    if (m_lock->error() == QLockFile::LockFailedError) {
        // Qt keeps a lock it cannot read or whose pid lives. The guard, Qt's
        // own, keeps two starts from clearing it and making it anew at once.
        QLockFile guard(path + QStringLiteral(".rmlock"));
        if (!guard.tryLock(0) || lockIsHeld(path))
            return LockState::Held;
        if ((m_lock->removeStaleLockFile() || !QFile::exists(path)) && m_lock->tryLock(0)) {
            qCInfo(lcRemote) << "removed a lock no running copy held:" << path;
            return LockState::Taken;
        }
        if (m_lock->error() == QLockFile::LockFailedError && QFile::exists(path))
            qCWarning(lcRemote) << "cannot remove a lock no running copy holds:" << path;
    }
    qCWarning(lcRemote) << "cannot make the lock" << path;
    m_lock.reset();
    return LockState::CannotMake;
}

bool LocalSocketRemoteControl::openListener(QString *error)
{
    const QByteArray native = QFile::encodeName(m_path);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (native.size() >= int(sizeof(addr.sun_path))) {
        *error = QStringLiteral("(the path is too long for a socket)");
        return false;
    }
    std::memcpy(addr.sun_path, native.constData(), size_t(native.size()));
    // With the lock held, a socket file here was left by a copy that crashed.
    if (QFile::exists(m_path)) {
        qCInfo(lcRemote) << "removing stale remote-control socket" << m_path;
        QFile::remove(m_path);
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    // The runtime directory is the user's own; the mode narrows it further.
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0
        || ::chmod(native.constData(), 0600) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        *error = lastError();
        if (fd >= 0)
            ::close(fd);
        QFile::remove(m_path);
        return false;
    }
    m_listenFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LocalSocketRemoteControl::acceptPending);
    return true;
}

void LocalSocketRemoteControl::acceptPending()
{
    while (m_connections < kMaxConnections) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0 && peerUid(fd) != qint64(::geteuid())) {
            qCWarning(lcRemote) << "refusing a remote-control connection of another user, uid" << peerUid(fd);
            ::close(fd);
        } else if (fd >= 0) {
            m_acceptFailing = false;
            adopt(fd);
        } else if (errno != EINTR && errno != ECONNABORTED) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                if (!m_acceptFailing)
                    qCWarning(lcRemote) << "cannot take a remote-control connection, will retry:" << lastError();
                m_acceptFailing = true;
                m_acceptRetry.start();
            }
            break;
        }
    }
    updateAccepting();
}

void LocalSocketRemoteControl::updateAccepting()
{
    if (m_notifier)
        m_notifier->setEnabled(m_connections < kMaxConnections && !m_acceptRetry.isActive());
}

void LocalSocketRemoteControl::adopt(int fd)
{
    auto *socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd)) {
        qCWarning(lcRemote) << "cannot use a remote-control connection:" << socket->errorString();
        ::close(fd);
        delete socket;
        return;
    }
    if (++m_connections == kMaxConnections)
        qCWarning(lcRemote) << "remote control has" << kMaxConnections << "connections; new ones wait";
    connect(socket, &QObject::destroyed, this, [this] {
        --m_connections;
        updateAccepting();
    });
    socket->setReadBufferSize(kMaxRequestLength * 2);
    auto *deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, socket, [socket] {
        qCWarning(lcRemote) << "no whole remote-control message in time, dropping the sender";
        socket->abort();
        socket->deleteLater();
    });
    deadline->start(m_deadlineMs);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, deadline] { onReadyRead(socket, deadline); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
}

void LocalSocketRemoteControl::onReadyRead(QLocalSocket *socket, QTimer *deadline)
{
    // The deadline runs until the one line is in; what comes after it is
    // refused along with the line's answer.
    if (!deadline->isActive())
        return;
    const Framed framed = frame(socket->peek(kMaxRequestLength + 1));
    if (framed.kind == Framed::Kind::Incomplete)
        return;
    deadline->stop();
    socket->read(framed.size);
    const QByteArray &line = framed.text;
    if (framed.kind == Framed::Kind::Refused) {
        qCWarning(lcRemote) << "remote-control line refused:" << line;
        refuse(socket, line);
        return;
    }
    // The answer may come later, once the boxes have run what was asked; the
    // sender waits, as for a synchronous window message.
    QPointer<QLocalSocket> sender(socket);
    const bool request = framed.request;
    const auto reply = [sender, request](const QByteArray &answer) {
        if (!sender || sender->state() != QLocalSocket::ConnectedState)
            return;  // the sender gave up
        finish(sender, request, answer);
    };
    if (request) {
        answer(line, reply);
        return;
    }
    RemoteMessage m;
    if (!parseLine(line, &m)) {
        qCWarning(lcRemote) << "malformed remote-control message:" << line;
        finish(socket, false, "error");
        return;
    }
    if (!knows(m.message)) {
        qCInfo(lcRemote).nospace() << "remote-control message " << Qt::hex << Qt::showbase << m.message
                                   << " is not one of ours";
        finish(socket, false, "0\nunknown");
        return;
    }
    deliver(m, [reply](bool handled) { reply(handled ? "1" : "0"); });
}

// The sender of a refused line reads the answer and then the end, not a reset:
// the rest of its line is dropped until it closes, within the deadline.
void LocalSocketRemoteControl::refuse(QLocalSocket *socket, const QByteArray &answer)
{
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    connect(socket, &QLocalSocket::readyRead, socket, [socket] { socket->readAll(); });
    socket->readAll();
    socket->write(answer + '\n');
    socket->flush();
    ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
    QTimer::singleShot(m_deadlineMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
}

void LocalSocketRemoteControl::finish(QLocalSocket *socket, bool request, const QByteArray &answer)
{
    QByteArray out = answer + '\n';
    if (socket->bytesAvailable() > 0)
        out += request ? "error: one request per connection\n" : "error\n";
    socket->write(out);
    socket->flush();
    socket->disconnectFromServer();
}

bool LocalSocketRemoteControl::connectToCopy(QLocalSocket &socket, const QString &title, int timeoutMs,
                                             int waitForListenerMs, QString *error)
{
    const QDeadlineTimer listenerDeadline(waitForListenerMs);
    for (;;) {
        // The running copy listens in the first of these folders it could lock.
        for (const QString &dir : lockFolders(false)) {
            const QString path = dir + QLatin1Char('/') + title;
            socket.connectToServer(path);
            if (!socket.waitForConnected(timeoutMs)) {
                socket.abort();
                continue;
            }
            const qint64 uid = peerUid(int(socket.socketDescriptor()));
            if (uid == qint64(::geteuid()))
                return true;
            *error = QStringLiteral("the copy answering on %1 belongs to another user (uid %2); not trusted")
                         .arg(path)
                         .arg(uid);
            socket.abort();
            return false;
        }
        if (listenerDeadline.hasExpired()) {
            *error = QStringLiteral("no running copy of the program answers on %1").arg(socketPath(title));
            return false;
        }
        QThread::msleep(kConnectRetryMs);
    }
}

bool LocalSocketRemoteControl::request(const QString &title, const QByteArray &line, int timeoutMs,
                                       QByteArray *reply, QString *error)
{
    QLocalSocket socket;
    if (!connectToCopy(socket, title, timeoutMs, 0, error))
        return false;
    socket.write(line + '\n');
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            *error = QStringLiteral("the running copy did not answer");
            return false;
        }
    }
    *reply = socket.readLine().trimmed();
    return true;
}

bool LocalSocketRemoteControl::send(const QString &title, const RemoteMessage &message, int timeoutMs,
                                    QString *error, int waitForListenerMs)
{
    QLocalSocket socket;
    if (!connectToCopy(socket, title, timeoutMs, waitForListenerMs, error))
        return false;
    const QByteArray line = QByteArray::number(message.message) + ' ' + QByteArray::number(message.wParam) + ' '
                            + QByteArray::number(message.lParam) + '\n';
    socket.write(line);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        *error = QStringLiteral("could not deliver the message: %1").arg(socket.errorString());
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            *error = QStringLiteral("the running copy did not confirm the message");
            return false;
        }
    }
    const QByteArray reply = socket.readLine(16).trimmed();
    if (reply == "error") {
        *error = QStringLiteral("the running copy refused the message");
        return false;
    }
    if (reply == "0") {
        // A second line names a number the copy does not know; older copies end here.
        while (!socket.canReadLine() && socket.waitForReadyRead(timeoutMs)) {
        }
        *error = socket.readLine(16).trimmed() == "unknown"
                     ? QStringLiteral("unknown message 0x%1").arg(message.message, 4, 16, QLatin1Char('0'))
                     : QStringLiteral("the running copy did not carry out the message");
        return false;
    }
    return true;
}
