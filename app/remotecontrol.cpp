#include "app/remotecontrol.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcRemote, "zaldo.remote")

namespace {
// A message line is three numbers; anything longer is not ours.
constexpr int kMaxLineLength = 80;
}

LocalSocketRemoteControl::LocalSocketRemoteControl(QObject *parent)
    : RemoteControlTransport(parent)
{
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

bool LocalSocketRemoteControl::listen(const QString &title)
{
    const QString path = socketPath(title);
    // Only a live copy answers; a socket file left by a copy that crashed does
    // not. (Listening first would not tell: with access options Qt binds
    // elsewhere and renames over the path, taking it from a live copy too.)
    {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            qCInfo(lcRemote) << "another copy is listening on" << path;
            return false;
        }
    }
    if (QFile::exists(path)) {
        qCInfo(lcRemote) << "removing stale remote-control socket" << path;
        QLocalServer::removeServer(path);
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path)) {
        qCWarning(lcRemote) << "cannot listen for remote control on" << path << m_server->errorString();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &LocalSocketRemoteControl::onNewConnection);
    qCDebug(lcRemote) << "remote control listening on" << path;
    return true;
}

void LocalSocketRemoteControl::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        socket->setReadBufferSize(kMaxLineLength * 2);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LocalSocketRemoteControl::onReadyRead(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxLineLength) {
            qCWarning(lcRemote) << "remote-control message too long, dropping the sender";
            socket->abort();
        }
        return;
    }
    const QByteArray line = socket->readLine(kMaxLineLength + 1);
    RemoteMessage m;
    if (!parseLine(line, &m)) {
        qCWarning(lcRemote) << "malformed remote-control message:" << line.left(kMaxLineLength);
        socket->write("error\n");
        socket->flush();
        socket->disconnectFromServer();
        return;
    }
    // The handler may run for a while (device exchanges); the sender waits, as
    // a synchronous window message would.
    const bool handled = deliver(m);
    if (socket->state() == QLocalSocket::ConnectedState) {
        socket->write(handled ? "1\n" : "0\n");
        socket->flush();
        socket->disconnectFromServer();
    }
}

bool LocalSocketRemoteControl::send(const QString &title, const RemoteMessage &message, int timeoutMs,
                                    QString *error)
{
    const QString path = socketPath(title);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs)) {
        *error = QStringLiteral("no running copy of the program answers on %1").arg(path);
        return false;
    }
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
