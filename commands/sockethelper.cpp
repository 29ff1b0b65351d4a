#include "commands/sockethelper.h"

#include <QHostInfo>
#include <QIODevice>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextCodec>

#include <algorithm>
#include <cerrno>

#include <sys/ioctl.h>
#include <sys/socket.h>

Q_LOGGING_CATEGORY(lcCompanion, "zaldo.companion")

SocketHelper::SocketHelper(QObject *parent)
    : SocketHelper(QHostAddress::Any, defaultPort(), parent)
{
}

SocketHelper::SocketHelper(const QHostAddress &address, quint16 port, QObject *parent)
    : SocketHelper(Unbound{}, parent)
{
    listen(address, port);
}

SocketHelper::SocketHelper(Unbound, QObject *parent)
    : QObject(parent), server(new QTcpServer(this))
{
    connect(server, &QTcpServer::newConnection, this, &SocketHelper::newConnection);
}

quint16 SocketHelper::defaultPort()
{
    const QByteArray text = qgetenv("ZALDO_COMPANION_PORT");
    if (text.isEmpty())
        return kDefaultPort;
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port > 65535) {
        qCWarning(lcCompanion) << "ZALDO_COMPANION_PORT is not a port number:" << text;
        return kDefaultPort;
    }
    return static_cast<quint16>(port);
}

bool SocketHelper::listen(const QHostAddress &address, quint16 port)
{
    if (server->isListening())
        server->close();
    const bool ok = server->listen(address, port);
    qCDebug(lcCompanion) << "Listening:" << ok;
    if (!ok)
        qCWarning(lcCompanion) << "companion server not started:" << server->errorString();
    return ok;
}

bool SocketHelper::isListening() const
{
    return server->isListening();
}

quint16 SocketHelper::serverPort() const
{
    return server->serverPort();
}

QString SocketHelper::greeting() const
{
    QString text = QStringLiteral("BvFan!") + QHostInfo::localHostName();
    if (isPasswordOn)
        text += QLatin1Char('!') + password;
    return text + QLatin1Char('&');
}

void SocketHelper::newConnection()
{
    qCDebug(lcCompanion) << "Socket:newConnection";
    while (server->hasPendingConnections()) {
        QTcpSocket *socket = server->nextPendingConnection();
        if (!socket)
            break;
        if (clientCount >= kMaxClients)
            closeIdlest();
        acceptClient(socket);
    }
}

void SocketHelper::acceptClient(QTcpSocket *socket)
{
    currentClient = socket;
    m_clients.append({QPointer<QTcpSocket>(socket), ++m_activity});
    socket->setReadBufferSize(kReadBufferSize);
    connect(socket, &QTcpSocket::readyRead, this, &SocketHelper::readyRead);
    connect(socket, &QTcpSocket::disconnected, this, &SocketHelper::disconnected);
    ++clientCount;

    const QString host = QHostInfo::localHostName();
    qCDebug(lcCompanion) << host;
    const QByteArray bytes = greeting().toUtf8();
    qCDebug(lcCompanion) << "Response:" << bytes;
    writeTo(socket, bytes);
}

// Idle connections must not hold every slot: the one that has neither been
// accepted nor sent anything for the longest time goes.
void SocketHelper::closeIdlest()
{
    const Client *idlest = nullptr;
    for (const Client &c : qAsConst(m_clients)) {
        if (c.socket && (!idlest || c.lastActive < idlest->lastActive))
            idlest = &c;
    }
    if (!idlest)
        return;
    QTcpSocket *socket = idlest->socket.data();
    qCWarning(lcCompanion) << "Socket:closed, idle longest, to make room for a new client:"
                           << socket->peerAddress().toString() << socket->peerPort();
    closeClient(socket);
}

void SocketHelper::closeClient(QTcpSocket *socket)
{
    dropClient(socket);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

bool SocketHelper::writeTo(QTcpSocket *socket, const QByteArray &bytes)
{
    if (socket->bytesToWrite() + bytes.size() > kMaxPendingOutput) {
        qCWarning(lcCompanion) << "Socket:dropped, client not reading, pending output above" << kMaxPendingOutput
                               << "bytes:" << socket->peerAddress().toString() << socket->peerPort();
        closeClient(socket);
        return false;
    }
    socket->write(bytes);
    return true;
}

void SocketHelper::disconnected()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (!socket)
        return;
    qCDebug(lcCompanion) << "Socket:disconnected";
    dropClient(socket);
    socket->deleteLater();
}

void SocketHelper::dropClient(QTcpSocket *socket)
{
    bool tracked = false;
    for (int i = m_clients.size() - 1; i >= 0; --i) {
        QTcpSocket *s = m_clients.at(i).socket.data();
        if (!s || s == socket) {
            tracked = tracked || s == socket;
            m_clients.removeAt(i);
        }
    }
    if (!tracked)
        return;
    clientCount = m_clients.size();
    if (currentClient == socket || !currentClient) {
        // Replies follow the most recently accepted client still connected.
        currentClient = m_clients.isEmpty() ? nullptr : m_clients.constLast().socket;
    }
}

void SocketHelper::readyRead()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (!socket)
        return;
    auto client = std::find_if(m_clients.begin(), m_clients.end(), [socket](const Client &c) { return c.socket == socket; });
    if (client == m_clients.end()) {
        // Bytes that arrived just before the close are still a command.
        qCDebug(lcCompanion) << "readyRead: data from a client that has disconnected";
    } else {
        client->lastActive = ++m_activity;
    }
    qint64 discarded = 0;
    const QByteArray bytes = takeCommandBytes(*socket, &discarded);
    if (discarded > 0)
        discarded += discardUnread(*socket);
    m_bytesReceived += bytes.size() + discarded;
    if (discarded > 0)
        qCWarning(lcCompanion) << "readyRead: command longer than" << kMaxCommandBytes
                               << "bytes, discarded:" << discarded;
    if (bytes.isEmpty())
        return;
    const QString text = decodeString(bytes);
    qCDebug(lcCompanion) << "decodeString:" << text;
    emit socketHelperSendData(text);
}

QByteArray SocketHelper::takeCommandBytes(QIODevice &device, qint64 *discarded)
{
    QByteArray bytes = device.read(kMaxCommandBytes);
    qint64 dropped = 0;
    char sink[4096];
    for (qint64 rest = device.bytesAvailable(); rest > 0; rest = device.bytesAvailable()) {
        const qint64 n = device.read(sink, qMin<qint64>(rest, sizeof sink));
        if (n <= 0)
            break;
        dropped += n;
    }
    if (discarded)
        *discarded = dropped;
    return bytes;
}

// Qt's buffer stops at kReadBufferSize, so the rest of a long burst still sits
// in the kernel; it is dropped here, or it would turn into further commands.
// Only what is queued now goes, so a client that keeps sending cannot hold
// the loop.
qint64 SocketHelper::discardUnread(QTcpSocket &socket)
{
    const int fd = static_cast<int>(socket.socketDescriptor());
    int queued = 0;
    if (fd < 0 || ::ioctl(fd, FIONREAD, &queued) != 0)
        return 0;
    qint64 dropped = 0;
    char sink[4096];
    while (dropped < queued) {
        const ssize_t n = ::recv(fd, sink, qMin<qint64>(sizeof sink, queued - dropped), MSG_DONTWAIT);
        if (n > 0)
            dropped += n;
        else if (n == 0 || errno != EINTR)
            break;  // the peer closed (Qt sees that itself), or nothing more
    }
    return dropped;
}

QString SocketHelper::decodeString(const QByteArray &bytes)
{
    const int end = bytes.indexOf('\0');
    const QByteArray text = end < 0 ? bytes : bytes.left(end);
    QTextCodec *codec = QTextCodec::codecForLocale();
    return codec ? codec->toUnicode(text) : QString::fromLocal8Bit(text);
}

void SocketHelper::sendToClient(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (clientCount == 0 || !currentClient
        || currentClient->state() != QAbstractSocket::ConnectedState) {
        qCDebug(lcCompanion) << "Response: dropped, no client connected:" << bytes;
        return;
    }
    qCDebug(lcCompanion) << "Response:" << bytes;
    writeTo(currentClient, bytes);
}
