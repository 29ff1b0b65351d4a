#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QLocalSocket;
class QLockFile;
class QSocketNotifier;

// A remote-control message: message number, wParam, lParam.
struct RemoteMessage {
    quint32 message = 0;
    qint64 wParam = 0;
    qint64 lParam = 0;
};

// Receives remote-control messages for the controller window. A sender is
// answered once its message has been handled and the box exchanges it caused
// have run, so a sender can wait for them.
class RemoteControlTransport : public QObject {
    Q_OBJECT
public:
    // Calls done(carried out) once the message's exchanges have run, possibly later.
    using Handler = std::function<void(const RemoteMessage &, std::function<void(bool)> done)>;
    // A request line (a word first, e.g. "status") is answered with one line,
    // possibly later: the answer may wait for the boxes, the panel does not.
    using Reply = std::function<void(const QByteArray &)>;
    using RequestHandler = std::function<void(const QByteArray &, Reply)>;
    enum class ListenResult {
        Listening,     // this is the only copy and takes messages
        OtherCopyRuns, // hand over to it
        Unavailable,   // the only copy, but nobody can reach it
        NoLock,        // no folder takes the lock: starting could make a second copy
    };
    using QObject::QObject;
    // Claims the one-copy place under the window title and starts listening.
    virtual ListenResult listen(const QString &title) = 0;
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    void setRequestHandler(RequestHandler handler) { m_requestHandler = std::move(handler); }
    // Which message numbers the handler knows; others are answered "0" and
    // "unknown" on a second line, which older senders do not read. Unset: all.
    void setMessageTable(std::function<bool(quint32)> knows) { m_knows = std::move(knows); }

protected:
    bool knows(quint32 message) const { return !m_knows || m_knows(message); }
    void deliver(const RemoteMessage &m, std::function<void(bool)> done)
    {
        if (m_handler)
            m_handler(m, std::move(done));
        else
            done(false);
    }
    void answer(const QByteArray &request, Reply reply)
    {
        if (m_requestHandler)
            m_requestHandler(request, std::move(reply));
        else
            reply("failed: requests are not taken yet");
    }

private:
    Handler m_handler;
    RequestHandler m_requestHandler;
    std::function<bool(quint32)> m_knows;
};

// Linux: a lock file decides which copy runs; a per-user local socket beside
// it, named after the title, carries the messages. Both live only in a folder
// of the user's that nobody else may write to, and only the user's own
// processes are trusted on either end of the socket.
class LocalSocketRemoteControl : public RemoteControlTransport {
    Q_OBJECT
public:
    // Senders beyond this wait in the kernel's queue until a connection ends.
    static constexpr int kMaxConnections = 32;
    // A sender writes its one line at once; one that has not by then is dropped.
    static constexpr int kMessageDeadlineMs = 3000;

    explicit LocalSocketRemoteControl(QObject *parent = nullptr);
    ~LocalSocketRemoteControl() override;
    ListenResult listen(const QString &title) override;
    void setMessageDeadline(int ms) { m_deadlineMs = ms; }

    // Where the lock and socket may live, best first: $XDG_RUNTIME_DIR, then
    // private folders the program makes in the temporary and the cache folder.
    // Only folders owned by the user that no one else may write to are named;
    // make creates the missing ones and logs why a folder is passed over.
    static QStringList lockFolders(bool make);
    // The first of lockFolders(false) (or the temporary folder) + "/" + title.
    static QString socketPath(const QString &title);
    // Delivers one message to the running copy and waits until it was handled.
    // A copy that holds the lock may not listen yet: waitForListenerMs keeps
    // trying to connect that long. False (with *error) when no copy answers,
    // it did not answer in time, did not carry the message out or does not
    // know its number ("unknown message 0x....").
    static bool send(const QString &title, const RemoteMessage &message, int timeoutMs, QString *error,
                     int waitForListenerMs = 0);
    // Sends one request line (no newline) and returns the copy's one-line
    // answer in *reply. False (with *error) when no copy answers in time.
    static bool request(const QString &title, const QByteArray &line, int timeoutMs, QByteArray *reply,
                        QString *error);
    // "MSG WPARAM LPARAM" in decimal; false on anything else.
    static bool parseLine(const QByteArray &line, RemoteMessage *message);
    // The start of what a sender wrote on a connection, cut at its one line.
    struct Framed {
        enum class Kind { Incomplete, Line, Refused } kind = Kind::Incomplete;
        bool request = false;  // a word first; otherwise a message's numbers
        QByteArray text;       // the line without its end (a request trimmed), or the refusal
        int size = 0;          // bytes taken, the line end included
    };
    static Framed frame(const QByteArray &received);

private:
    static bool connectToCopy(QLocalSocket &socket, const QString &title, int timeoutMs, int waitForListenerMs,
                              QString *error);
    enum class LockState { Taken, Held, CannotMake };
    LockState takeLock(const QString &path);
    bool openListener(QString *error);
    void acceptPending();
    void adopt(int fd);
    void updateAccepting();
    void onReadyRead(QLocalSocket *socket, QTimer *deadline);
    void refuse(QLocalSocket *socket, const QByteArray &answer);
    static void finish(QLocalSocket *socket, bool request, const QByteArray &answer);

    std::unique_ptr<QLockFile> m_lock;
    QString m_path;
    int m_listenFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_acceptRetry;
    bool m_acceptFailing = false;
    int m_connections = 0;
    int m_deadlineMs = kMessageDeadlineMs;
};
