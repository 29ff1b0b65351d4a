#pragma once

#include "commands/openrgbprotocol.h"
#include "commands/openrgbsession.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;

// The OpenRGB SDK server: OpenRGB, Home Assistant, effect engines and scripts
// drive the boxes' lights through it. Off until listen() is called.
class OpenRgbServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxClients = 16;
    // Replies waiting for one client; past this the client is dropped, so one
    // that never reads cannot grow the program.
    static constexpr qint64 kMaxPendingOutput = 256 * 1024;
    // What Qt reads ahead of the decoder: a client sending faster than the
    // boxes take waits in its own socket, not here.
    static constexpr qint64 kReadAhead = 16 * 1024;
    // A packet begun must be complete within this; an idle client between
    // packets keeps its place (OpenRGB holds its connection open).
    static constexpr int kPacketDeadlineMs = 10000;

    explicit OpenRgbServer(OpenRgbBackend &backend, QObject *parent = nullptr);
    ~OpenRgbServer() override;

    // Logs the result; a taken port leaves the server off.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = OpenRgb::kDefaultPort);
    void close();
    bool isListening() const;
    quint16 serverPort() const;
    int clientCount() const { return int(m_clients.size()); }
    void setPacketDeadline(int ms) { m_packetDeadlineMs = ms; }

public Q_SLOTS:
    // A box came or went: every client is told to ask again.
    void devicesChanged();

private:
    struct Client;
    void newConnection();
    void readFrom(const std::shared_ptr<Client> &client);
    // False when the client was dropped instead.
    bool send(Client &client, const QByteArray &bytes);
    void drop(QTcpSocket *socket, const QString &why);
    std::shared_ptr<Client> find(QTcpSocket *socket);

    OpenRgbBackend &m_backend;
    QTcpServer *m_server;
    // Shared, so a client dropped while its packet is handled outlives the handling.
    std::vector<std::shared_ptr<Client>> m_clients;
    int m_packetDeadlineMs = kPacketDeadlineMs;
};
