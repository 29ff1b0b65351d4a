#include "commands/openrgbserver.h"

#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

Q_LOGGING_CATEGORY(lcOpenRgb, "zaldo.openrgb")

struct OpenRgbServer::Client {
    Client(QTcpSocket *s, OpenRgbBackend &backend) : socket(s), session(backend) {}
    QPointer<QTcpSocket> socket;
    OpenRgb::Decoder decoder;
    OpenRgbSession session;
    bool gone = false;
    // Runs while a packet is under way; a client that stops halfway is dropped.
    QPointer<QTimer> deadline;
};

OpenRgbServer::OpenRgbServer(OpenRgbBackend &backend, QObject *parent)
    : QObject(parent), m_backend(backend), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &OpenRgbServer::newConnection);
}

OpenRgbServer::~OpenRgbServer()
{
    close();
}

bool OpenRgbServer::listen(const QHostAddress &address, quint16 port)
{
    close();
    if (!m_server->listen(address, port)) {
        qCWarning(lcOpenRgb) << "OpenRGB SDK server not started on" << address.toString() << port << ":"
                             << m_server->errorString();
        return false;
    }
    qCInfo(lcOpenRgb) << "OpenRGB SDK server listening on" << address.toString() << m_server->serverPort();
    return true;
}

void OpenRgbServer::close()
{
    m_server->close();
    while (!m_clients.empty())
        drop(m_clients.back()->socket, {});
}

bool OpenRgbServer::isListening() const
{
    return m_server->isListening();
}

quint16 OpenRgbServer::serverPort() const
{
    return m_server->serverPort();
}

void OpenRgbServer::newConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_clients.size() >= size_t(kMaxClients)) {
            qCWarning(lcOpenRgb).noquote() << "OpenRGB client refused, already" << kMaxClients << "clients:"
                                           << socket->peerAddress().toString() + ':' + QString::number(socket->peerPort());
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(kReadAhead);
        m_clients.push_back(std::make_shared<Client>(socket, m_backend));
        auto *deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        m_clients.back()->deadline = deadline;
        connect(deadline, &QTimer::timeout, this, [this, socket] {
            drop(socket, QStringLiteral("sent part of a packet, then nothing for %1 ms").arg(m_packetDeadlineMs));
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            auto client = find(socket);
            if (!client)
                return;
            readFrom(client);
            if (client->gone || !client->deadline)
                return;
            if (!client->decoder.midPacket())
                client->deadline->stop();
            else if (!client->deadline->isActive())
                client->deadline->start(m_packetDeadlineMs);
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            auto client = find(socket);
            const bool mid = client && client->decoder.midPacket();
            drop(socket, mid ? QStringLiteral("closed in the middle of a packet") : QString());
        });
    }
}

std::shared_ptr<OpenRgbServer::Client> OpenRgbServer::find(QTcpSocket *socket)
{
    for (const auto &c : m_clients) {
        if (c->socket == socket)
            return c;
    }
    return nullptr;
}

// Reads no further than the packet under way, so what waits is bounded by
// Qt's read-ahead and the rest stays in the client's socket.
void OpenRgbServer::readFrom(const std::shared_ptr<Client> &client)
{
    QTcpSocket *socket = client->socket;
    OpenRgb::Received packet;
    while (!client->gone && socket->bytesAvailable() > 0) {
        client->decoder.feed(socket->read(client->decoder.wanted()));
        for (;;) {
            const auto result = client->decoder.next(&packet);
            if (result == OpenRgb::Decoder::Result::Error)
                return drop(socket, client->decoder.error());
            if (result == OpenRgb::Decoder::Result::NeedMore)
                break;
            const QByteArray reply = client->session.handle(packet);
            if (client->gone || (!reply.isEmpty() && !send(*client, reply)))
                return;
        }
    }
}

bool OpenRgbServer::send(Client &client, const QByteArray &bytes)
{
    QTcpSocket *socket = client.socket;
    if (!socket || client.gone)
        return false;
    const qint64 pending = socket->bytesToWrite() + bytes.size();
    if (pending > kMaxPendingOutput) {
        drop(socket, QStringLiteral("not reading, more than %1 bytes waiting").arg(kMaxPendingOutput));
        return false;
    }
    socket->write(bytes);
    return true;
}

void OpenRgbServer::devicesChanged()
{
    const QByteArray bytes = OpenRgb::encode(0, OpenRgb::Packet::DeviceListUpdated);
    const auto clients = m_clients;
    for (const auto &client : clients)
        send(*client, bytes);
}

// One log line for a client closed for what it sent; none for one that left.
void OpenRgbServer::drop(QTcpSocket *socket, const QString &why)
{
    const auto client = find(socket);
    if (client) {
        client->gone = true;
        m_clients.erase(std::find(m_clients.begin(), m_clients.end(), client));
    }
    if (!socket)
        return;
    if (!why.isEmpty())
        qCWarning(lcOpenRgb).noquote() << "OpenRGB client" << socket->peerAddress().toString() + ':'
                                              + QString::number(socket->peerPort())
                                       << "closed:" << why;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}
