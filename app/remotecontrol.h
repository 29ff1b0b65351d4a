#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

// A remote-control message: message number, wParam, lParam.
struct RemoteMessage {
    quint32 message = 0;
    qint64 wParam = 0;
    qint64 lParam = 0;
};

// Receives remote-control messages for the controller window. One message is
// handled completely before the sender is answered, so a sender can wait for it.
class RemoteControlTransport : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(const RemoteMessage &)>;
    using QObject::QObject;
    // Starts listening under the window title; false when another copy already does.
    virtual bool listen(const QString &title) = 0;
    void setHandler(Handler handler) { m_handler = std::move(handler); }

protected:
    bool deliver(const RemoteMessage &m) { return m_handler ? m_handler(m) : false; }

private:
    Handler m_handler;
};

// Linux: a per-user local socket in the runtime directory, named after the title.
class LocalSocketRemoteControl : public RemoteControlTransport {
    Q_OBJECT
public:
    explicit LocalSocketRemoteControl(QObject *parent = nullptr);
    bool listen(const QString &title) override;

    // $XDG_RUNTIME_DIR (or a private per-user fallback) + "/" + title.
    static QString socketPath(const QString &title);
    // Delivers one message to the running copy and waits until it was handled.
    // False (with *error) when no copy runs, it did not answer in time or it
    // did not carry the message out.
    static bool send(const QString &title, const RemoteMessage &message, int timeoutMs, QString *error);
    // "MSG WPARAM LPARAM" in decimal; false on anything else.
    static bool parseLine(const QByteArray &line, RemoteMessage *message);

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket *socket);

    QLocalServer *m_server = nullptr;
};
