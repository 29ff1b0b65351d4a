#include "app/remotecontrol.h"

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

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcRemote, "zaldo.remote")

namespace {
// A message line is three numbers; anything longer is not ours.
constexpr int kMaxLineLength = 80;
// A failed accept (descriptor table full) leaves the sender queued; it is
// taken on a later try rather than by spinning on the ready listener.
constexpr int kAcceptRetryMs = 250;
constexpr int kConnectRetryMs = 50;

QString lockPathFor(const QString &socketPath)
{
    return socketPath + QStringLiteral(".lock");
}

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
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

QString LocalSocketRemoteControl::socketPath(const QString &title)
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) {
        // Qt creates this one private to the user (0700).
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    return dir + QLatin1Char('/') + title;
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

RemoteControlTransport::ListenResult LocalSocketRemoteControl::listen(const QString &title)
{
    m_path = socketPath(title);
    // Taking the lock is the one atomic step that decides which copy runs.
    // Only a dead owner makes it stale, never its age: the program runs for weeks.
    m_lock = std::make_unique<QLockFile>(lockPathFor(m_path));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError) {
            qCInfo(lcRemote) << "another copy is running, holding" << lockPathFor(m_path);
            return ListenResult::OtherCopyRuns;
        }
        qCWarning(lcRemote) << "running without remote control: cannot create" << lockPathFor(m_path);
        m_lock.reset();
        return ListenResult::Unavailable;
    }
    QString error;
    if (!openListener(&error)) {
        qCWarning(lcRemote) << "running without remote control: cannot listen on" << m_path << error;
        return ListenResult::Unavailable;
    }
    qCDebug(lcRemote) << "remote control listening on" << m_path;
    return ListenResult::Listening;
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
        if (fd >= 0) {
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
    socket->setReadBufferSize(kMaxLineLength * 2);
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
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxLineLength) {
            qCWarning(lcRemote) << "remote-control message too long, dropping the sender";
            socket->abort();
        }
        return;
    }
    deadline->stop();
    const QByteArray line = socket->readLine(kMaxLineLength + 1);
    // The answer may come later, once the boxes have run what was asked; the
    // sender waits, as for a synchronous window message.
    QPointer<QLocalSocket> sender(socket);
    const auto reply = [sender](const QByteArray &answer) {
        if (!sender || sender->state() != QLocalSocket::ConnectedState)
            return;  // the sender gave up
        sender->write(answer + '\n');
        sender->flush();
        sender->disconnectFromServer();
    };
    // Requests start with a word; messages are numbers only.
    if (!line.isEmpty() && std::isalpha(static_cast<unsigned char>(line.at(0)))) {
        answer(line.trimmed(), reply);
        return;
    }
    RemoteMessage m;
    if (!parseLine(line, &m)) {
        qCWarning(lcRemote) << "malformed remote-control message:" << line.left(kMaxLineLength);
        reply("error");
        return;
    }
    deliver(m, [reply](bool handled) { reply(handled ? "1" : "0"); });
}

bool LocalSocketRemoteControl::connectToCopy(QLocalSocket &socket, const QString &title, int timeoutMs,
                                             int waitForListenerMs, QString *error)
{
    const QString path = socketPath(title);
    const QDeadlineTimer listenerDeadline(waitForListenerMs);
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(timeoutMs))
            return true;
        if (listenerDeadline.hasExpired()) {
            *error = QStringLiteral("no running copy of the program answers on %1").arg(path);
            return false;
        }
        socket.abort();
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
        *error = QStringLiteral("the running copy did not carry out the message");
        return false;
    }
    return true;
}
