#include "httpstub.h"

#include <QJsonDocument>
#include <QTcpSocket>
#include <QTimer>

QByteArray HttpStub::Request::activeDataJson() const
{
    return body.startsWith("ActiveData=") ? QByteArray::fromBase64(body.mid(11)) : QByteArray();
}

QJsonObject HttpStub::Request::activeData() const
{
    return QJsonDocument::fromJson(activeDataJson()).object();
}

HttpStub::HttpStub()
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

HttpStub::~HttpStub()
{
    // The sockets are the server's children: left to it, they would report
    // their disconnection into this object's members after those are gone.
    const auto sockets = m_server.findChildren<QTcpSocket *>();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

HttpStub::Response HttpStub::dataReply(const QString &code, const QString &version, const QString &url,
                                       const QString &note)
{
    const QJsonObject data{{"Result_Code", code}, {"version", version}, {"url", url}, {"note", note}};
    return {Mode::Reply, 200, QJsonDocument(QJsonObject{{"Data", data}}).toJson(QJsonDocument::Compact)};
}

void HttpStub::onData(QTcpSocket *socket)
{
    QByteArray &buf = m_buffers[socket];
    buf += socket->readAll();
    const int headerEnd = buf.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    Request req;
    const QList<QByteArray> lines = buf.left(headerEnd).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    req.method = first.value(0);
    req.path = first.value(1);
    for (const QByteArray &line : lines.mid(1)) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            req.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    const int length = req.headers.value("content-length").toInt();
    if (buf.size() < headerEnd + 4 + length)
        return;
    req.body = buf.mid(headerEnd + 4, length);
    buf.clear();
    requests.append(req);
    respond(socket);
}

void HttpStub::respond(QTcpSocket *socket)
{
    const Response r = m_script.isEmpty() ? Response{Mode::Reply, 404, "no script"} : m_script.dequeue();
    switch (r.mode) {
    case Mode::Hang:
        return;
    case Mode::CloseEarly:
        socket->disconnectFromHost();
        return;
    case Mode::Oversized:
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 100000000\r\n\r\n");
        socket->write(QByteArray(100 * 1024, ' '));
        return;
    case Mode::Endless: {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n");
        // Paced, as a real slow server would be; a tight loop would starve the client.
        auto *pace = new QTimer(socket);
        connect(pace, &QTimer::timeout, this, [this, socket] {
            if (socket->state() == QAbstractSocket::ConnectedState && endlessSent < kEndlessLimit
                && socket->bytesToWrite() <= 64 * 1024)
                endlessSent += socket->write(QByteArray(16 * 1024, '['));
        });
        pace->start(2);
        return;
    }
    case Mode::Reply:
        break;
    }
    const QByteArray reason = r.status == 200 ? "OK" : r.status == 404 ? "Not Found" : "Internal Server Error";
    socket->write("HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason
                  + "\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
                  + QByteArray::number(r.body.size()) + "\r\n\r\n" + r.body);
    socket->disconnectFromHost();
}
