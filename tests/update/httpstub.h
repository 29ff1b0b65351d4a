#pragma once

#include <QHash>
#include <QJsonObject>
#include <QQueue>
#include <QTcpServer>

class QTcpSocket;

// A loopback-only HTTP/1.1 server answering each request with the next
// scripted response (404 when the script is exhausted). Records every request.
class HttpStub : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Reply,      // status and body, then close
        Hang,       // read the request, never answer
        Oversized,  // announce a huge Content-Length, send part of it
        Endless,    // no Content-Length, keep sending until the client gives up
        CloseEarly, // close the connection without any answer
    };
    struct Response {
        Mode mode = Mode::Reply;
        int status = 200;
        QByteArray body;
    };
    struct Request {
        QByteArray method, path, body;
        QHash<QByteArray, QByteArray> headers; // lower-case names
        // The JSON carried in "ActiveData=<base64>"; empty when absent.
        QByteArray activeDataJson() const;
        QJsonObject activeData() const;
    };

    HttpStub();
    ~HttpStub() override;
    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    void enqueue(const Response &r) { m_script.enqueue(r); }
    // A {"Data": {...}} reply with these members.
    static Response dataReply(const QString &code, const QString &version, const QString &url, const QString &note);

    QList<Request> requests;
    // Bytes sent by Endless responses (bounded, to keep the test bounded).
    qint64 endlessSent = 0;
    static constexpr qint64 kEndlessLimit = 8 * 1024 * 1024;

private:
    void onData(QTcpSocket *socket);
    void respond(QTcpSocket *socket);

    QTcpServer m_server;
    QQueue<Response> m_script;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};
