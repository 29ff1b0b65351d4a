#include "httpstub.h"

#include <QJsonDocument>
#include <QTcpSocket>
#include <QTimer>

namespace {
const char *reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}
} // namespace

QByteArray HttpStub::Request::activeDataJson() const
{
    if (!body.startsWith("ActiveData="))
        return QByteArray();
    return QByteArray::fromBase64(body.mid(11));
}

QJsonObject HttpStub::Request::activeData() const
{
    return QJsonDocument::fromJson(activeDataJson()).object();
}

HttpStub::HttpStub(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &HttpStub::onConnection);
}

bool HttpStub::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString HttpStub::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

HttpStub::Response HttpStub::dataReply(const QString &code, const QString &version, const QString &url,
                                       const QString &note)
{
    QJsonObject data{{"Result_Code", code}, {"version", version}, {"url", url}, {"note", note}};
    Response r;
    r.body = QJsonDocument(QJsonObject{{"Data", data}}).toJson(QJsonDocument::Compact);
    return r;
}

void HttpStub::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
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
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(':');
        if (colon > 0)
            req.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const int length = req.headers.value("content-length").toInt();
    if (buf.size() < headerEnd + 4 + length)
        return;
    req.body = buf.mid(headerEnd + 4, length);
    buf.clear();
    requests.append(req);
    respond(socket);
    emit requestReceived();
}

void HttpStub::respond(QTcpSocket *socket)
{
    Response r = m_script.isEmpty() ? Response{Mode::Reply, 404, "no script"} : m_script.dequeue();
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
        // Paced, as a real slow server would be; a tight loop here would starve the client.
        auto *pace = new QTimer(socket);
        connect(pace, &QTimer::timeout, this, [this, socket] { feedEndless(socket); });
        pace->start(2);
        return;
    }
    case Mode::Reply:
        break;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason(r.status) + "\r\n";
    head += "Content-Type: application/json\r\nConnection: close\r\n";
    head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n\r\n";
    socket->write(head + r.body);
    socket->disconnectFromHost();
}

void HttpStub::feedEndless(QTcpSocket *socket)
{
    if (socket->state() != QAbstractSocket::ConnectedState || endlessSent >= kEndlessLimit
        || socket->bytesToWrite() > 64 * 1024)
        return;
    const QByteArray chunk(16 * 1024, '[');
    endlessSent += socket->write(chunk);
}
