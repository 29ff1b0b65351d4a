#include "app/remotecontrol.h"

#include <QLocalSocket>
#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using Listen = RemoteControlTransport::ListenResult;

class TestRemoteControl : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_runtime;
    static const QString title() { return QStringLiteral("Zaldo RGB"); }

    // The sender blocks, so it runs on another thread while this one serves.
    static bool sendOnThread(const RemoteMessage &m, QString *error)
    {
        bool sent = false;
        QThread *thread = QThread::create([&] { sent = LocalSocketRemoteControl::send(title(), m, 5000, error); });
        thread->start();
        while (!thread->wait(10))
            QCoreApplication::processEvents();
        delete thread;
        return sent;
    }
    static sockaddr_un address(const QString &name = title())
    {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(LocalSocketRemoteControl::socketPath(name));
        qstrncpy(addr.sun_path, path.constData(), sizeof(addr.sun_path));
        return addr;
    }
    // A client that connects and then says nothing; -1 when out of descriptors.
    static int idleClient()
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr = address();
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    static int openDescriptors() { return QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size(); }
    // Runs call on another thread while this one serves the socket.
    template <typename Call>
    static void onThread(Call call)
    {
        QThread *thread = QThread::create(call);
        thread->start();
        while (!thread->wait(10))
            QCoreApplication::processEvents();
        delete thread;
    }

private Q_SLOTS:
    void init() { setFolders(QFile::encodeName(m_runtime.path()), ""); }
    void setFolders(const QByteArray &runtime, const QByteArray &fallback)
    {
        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("XDG_CACHE_HOME", fallback.isEmpty() ? QFile::encodeName(m_runtime.path() + "/cache") : fallback);
        qputenv("TMPDIR", fallback.isEmpty() ? QFile::encodeName(m_runtime.path() + "/tmp") : fallback);
    }

    // The lock and socket live in the runtime folder only when it is the user's and nobody else may write
    // there, else in a private folder the program makes; with no folder for the lock the program does not
    // start. /proc/sys stands for a read-only folder (root may write anywhere else).
    void lockFolders()
    {
        const QByteArray rt = QFile::encodeName(m_runtime.path() + "/rt"), ro = "/proc/sys";
        const uid_t me = ::geteuid();
        const struct { mode_t mode; uid_t owner; QByteArray runtime, fallback; Listen result; } rows[] = {
            {0700, me, rt, "", Listen::Listening}, {01777, me, rt, "", Listen::Listening},  // used; a shared sticky one is not
            {0720, me, rt, "", Listen::Listening}, {0700, me + 1, rt, "", Listen::Listening},
            {0700, me, ro, "", Listen::Listening}, {0700, me, ro, ro, Listen::NoLock}};
        for (const auto &row : rows) {
            QVERIFY(QDir(rt).removeRecursively() && QDir().mkpath(rt) && ::chmod(rt, row.mode) == 0);
            if (row.owner != me && (me != 0 || ::chown(rt, row.owner, 0) != 0))
                continue;  // only root can hand a folder to another user
            setFolders(row.runtime, row.fallback);
            LocalSocketRemoteControl first;
            QCOMPARE(first.listen(title()), row.result);
            QCOMPARE(QDir(rt).isEmpty(), &row != rows);
        }
    }

    // A lock counts as a running copy's only while a copy holds it, whichever process has its pid now:
    // even this copy (restarted in a fresh PID namespace, a copy gets its dead predecessor's). One that
    // cannot be read is named and cleared.
    void staleLocks()
    {
        const QString lockPath = LocalSocketRemoteControl::socketPath(title()) + ".lock";
        for (const QByteArray &text : {QByteArray::number(QCoreApplication::applicationPid()) + "\n"
                                           + QCoreApplication::applicationName().toUtf8() + "\n",
                                       QByteArray("junk")}) {
            QFile lock(lockPath);
            QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate) && lock.write(text) == text.size());
            lock.close();
            if (text == "junk")
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(lockPath) + " cannot be read"));
            LocalSocketRemoteControl server;
            QCOMPARE(server.listen(title()), Listen::Listening);
        }
    }

    // Another user's copy is not trusted, nor another user's messages, even where the modes let them through.
    void otherUsersPeers()
    {
        if (::geteuid() != 0)
            QSKIP("acting as another user needs root");
        LocalSocketRemoteControl server;
        QCOMPARE(server.listen(title()), Listen::Listening);
        server.setHandler([](const RemoteMessage &, auto done) { done(true); });
        QVERIFY(::chmod(QFile::encodeName(m_runtime.path()), 0711) == 0
                && ::chmod(QFile::encodeName(LocalSocketRemoteControl::socketPath(title())), 0666) == 0);
        sockaddr_un own = address("Other"), copy = address();
        const pid_t other = ::fork();
        if (other == 0) {  // as uid 4242: a copy named "Other" answers once, then sends to the server
            const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0), fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ::alarm(10);  // it holds the server's descriptors too: never outlive the test by much
            if (::bind(listener, reinterpret_cast<sockaddr *>(&own), sizeof(own)) || ::setuid(4242) || ::listen(listener, 1))
                ::_exit(2);
            ::send(::accept(listener, nullptr, nullptr), "1\n", 2, MSG_NOSIGNAL);
            const bool connected = ::connect(fd, reinterpret_cast<sockaddr *>(&copy), sizeof(copy)) == 0;
            ::send(fd, "33025 1 1\n", 10, MSG_NOSIGNAL);  // the server may have closed it already
            ::_exit(!connected || ::read(fd, own.sun_path, 1) > 0);
        }
        QString error;
        QVERIFY(!LocalSocketRemoteControl::send("Other", RemoteMessage{0x8101, 1, 1}, 2000, &error, 2000));
        QVERIFY2(error.contains("another user"), qPrintable(error));
        int status = -1;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("another user"));
        while (::waitpid(other, &status, WNOHANG) == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCOMPARE(status, 0);  // the server answered nothing
    }

    // A message the running copy did not carry out (not one of the set, or a
    // profile save that could not write) fails the sender.
    void sendWaitsForHandler()
    {
        for (bool handled : {true, false}) {
            LocalSocketRemoteControl server;
            QCOMPARE(server.listen(title()), Listen::Listening);
            QList<RemoteMessage> received;
            server.setHandler([&](const RemoteMessage &m, auto done) { received << m, done(handled); });
            QString error;
            QCOMPARE(sendOnThread(RemoteMessage{0x8101, 1, 1}, &error), handled);
            QCOMPARE(error.contains("did not carry out"), !handled);
            QCOMPARE(received.size(), 1);
            QVERIFY(received[0].message == 0x8101u && received[0].wParam == 1 && received[0].lParam == 1);
        }
    }

    // An answer the copy gives later (it waits for the boxes) still reaches
    // the sender; one for a sender that has gone is dropped without harm.
    void requestAnsweredLater()
    {
        LocalSocketRemoteControl server;
        QCOMPARE(server.listen(title()), Listen::Listening);
        server.setRequestHandler([](const QByteArray &line, RemoteControlTransport::Reply reply) {
            QTimer::singleShot(50, [line, reply] { reply("got " + line); });
        });
        QByteArray answer;
        QString error;
        bool ok = false;
        onThread([&] { ok = LocalSocketRemoteControl::request(title(), "status", 5000, &answer, &error); });
        QVERIFY2(ok, qPrintable(error));
        QCOMPARE(answer.trimmed(), QByteArray("got status"));
        QLocalSocket quitter;
        quitter.connectToServer(LocalSocketRemoteControl::socketPath(title()));
        QVERIFY(quitter.waitForConnected(1000));
        quitter.write("status\n");
        quitter.flush();
        quitter.abort();
        QTest::qWait(150);
    }

    // Crash leftovers (a stale lock, a bound socket nobody listens on) do not
    // block; a socket path too long for the kernel leaves the program running
    // without remote control, still as the only copy.
    void leftoversAndNoSocket()
    {
        QFile lock(LocalSocketRemoteControl::socketPath(title()) + ".lock");
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("2147483646\ntest_remotecontrol\n\n");
        lock.close();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr = address();
        QFile::remove(LocalSocketRemoteControl::socketPath(title()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
        ::close(fd);
        {
            LocalSocketRemoteControl server;
            QCOMPARE(server.listen(title()), Listen::Listening);
        }
        const QString deep = m_runtime.path() + "/" + QString(100, QLatin1Char('d'));
        QVERIFY(QDir().mkpath(deep));
        qputenv("XDG_RUNTIME_DIR", deep.toLocal8Bit());
        LocalSocketRemoteControl first, second;
        const Listen got = first.listen(title());
        const Listen again = second.listen(title());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        QCOMPARE(got, Listen::Unavailable);
        QCOMPARE(again, Listen::OtherCopyRuns);
    }

    // Senders that never finish a message are closed; at most kMaxConnections
    // are held at once, and the ones waiting are taken once others go.
    void connectionsAreBounded()
    {
        LocalSocketRemoteControl server;
        server.setMessageDeadline(50);
        QCOMPARE(server.listen(title()), Listen::Listening);
        server.setHandler([](const RemoteMessage &, auto done) { done(true); });
        QLocalSocket partial;
        partial.connectToServer(LocalSocketRemoteControl::socketPath(title()));
        QVERIFY(partial.waitForConnected(1000));
        partial.write("33025 1 1");
        QTRY_COMPARE(partial.state(), QLocalSocket::UnconnectedState);

        server.setMessageDeadline(60000);
        const int before = openDescriptors();
        const int clients = LocalSocketRemoteControl::kMaxConnections + 8;
        QVector<int> fds;
        for (int i = 0; i < clients; ++i)
            fds << idleClient();
        QVERIFY(!fds.contains(-1));
        const int held = before + clients + LocalSocketRemoteControl::kMaxConnections;
        QTRY_COMPARE(openDescriptors(), held);
        QTest::qWait(100);
        QCOMPARE(openDescriptors(), held);
        for (int fd : fds)
            ::close(fd);
        QString error;
        QVERIFY2(sendOnThread(RemoteMessage{0x810A, 0, 0}, &error), qPrintable(error));
    }

    void listeningOutlivesDescriptorShortage()
    {
        LocalSocketRemoteControl server;
        QCOMPARE(server.listen(title()), Listen::Listening);
        server.setHandler([](const RemoteMessage &, auto done) { done(true); });
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        const int nextFree = ::open("/dev/null", O_RDONLY);
        QVERIFY(nextFree >= 0);
        ::close(nextFree);
        rlimit tight = saved;
        tight.rlim_cur = static_cast<rlim_t>(nextFree + 3);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        QVector<int> fds;
        for (int fd = idleClient(); fd >= 0; fd = idleClient())
            fds << fd;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot take a remote-control connection"));
        QTest::qWait(100);  // the server meets the full table
        for (int fd : fds)
            ::close(fd);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
        QVERIFY(!fds.isEmpty());
        QString error;
        QVERIFY2(sendOnThread(RemoteMessage{0x810A, 0, 0}, &error), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestRemoteControl)
#include "test_remotecontrol.moc"
