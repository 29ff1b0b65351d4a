#pragma once

#include "core/vocabulary.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QIODevice;
class QTcpServer;
class QTcpSocket;

// The TCP server the companion phone app talks to. Every new client is greeted
// with "BvFan!<host>[!<password>]&"; every read from a client is one command,
// emitted as socketHelperSendData; replies go to the current client only.
class SocketHelper : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 5487;
    // One read fills at most this buffer, less its terminating zero.
    static constexpr int kReadBufferSize = 8192;
    static constexpr int kMaxCommandBytes = kReadBufferSize - 1;
    // Past this many, the client idle longest makes room for the new one, so
    // a phone always gets in however many idle connections are held.
    static constexpr int kMaxClients = 16;
    // Replies waiting for one client; past this the client is dropped, so one
    // that never reads cannot grow the program.
    static constexpr qint64 kMaxPendingOutput = 64 * 1024;

    struct Unbound {};

    // Listens on all interfaces at defaultPort().
    explicit SocketHelper(QObject *parent = nullptr);
    // Listens on the given address and port (0 = any free port).
    SocketHelper(const QHostAddress &address, quint16 port, QObject *parent = nullptr);
    // Does not listen until listen() is called (e.g. the server is switched off).
    explicit SocketHelper(Unbound, QObject *parent = nullptr);

    // 5487, or ZALDO_COMPANION_PORT when set to a valid port number (tests).
    static quint16 defaultPort();

    // Logs "Listening:" with the result; a taken port leaves the server off.
    bool listen(const QHostAddress &address, quint16 port);
    bool isListening() const;
    quint16 serverPort() const;

    void setPasswordOn(bool on) { isPasswordOn = on; }
    void setPassword(const QString &text) { password = text; }
    QString greeting() const;

    // Writes the text as UTF-8, without terminator, to the current client;
    // dropped when no client is connected.
    void sendToClient(const QString &text);

    int connectedClients() const { return clientCount; }
    // Bytes taken from clients so far, discarded excess included.
    qint64 bytesReceived() const { return m_bytesReceived; }

    // One read: at most kMaxCommandBytes bytes; what else the device holds
    // right now is discarded and counted in *discarded. (On a socket, readyRead
    // also drops what the kernel still holds of the same burst.)
    static QByteArray takeCommandBytes(QIODevice &device, qint64 *discarded);
    // Bytes up to the first zero byte, in the locale's 8-bit encoding.
    static QString decodeString(const QByteArray &bytes);

Q_SIGNALS:
    void socketHelperSendData(QString command);

private Q_SLOTS:
    void newConnection();
    void disconnected();
    void readyRead();

private:
    void acceptClient(QTcpSocket *socket);
    void dropClient(QTcpSocket *socket);
    void closeClient(QTcpSocket *socket);
    void closeIdlest();
    bool writeTo(QTcpSocket *socket, const QByteArray &bytes);
    static qint64 discardUnread(QTcpSocket &socket);

    QTcpServer *server = nullptr;
    QString password = Defaults::password;
    bool isPasswordOn = false;
    QPointer<QTcpSocket> currentClient;
    int clientCount = 0;

    struct Client {
        QPointer<QTcpSocket> socket;
        quint64 lastActive = 0;  // m_activity at accept or last read
    };
    // Connected clients in the order they were accepted.
    QList<Client> m_clients;
    quint64 m_activity = 0;
    qint64 m_bytesReceived = 0;
};
