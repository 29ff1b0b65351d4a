#include "app/remotecontrol.h"

#include <QLocalServer>
#include <QProcessEnvironment>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TestRemoteControl : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_runtime;
    static const QString title() { return QStringLiteral("Zaldo RGB"); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void parseLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("wParam");
        QTest::newRow("three numbers") << QByteArray("33025 1 1\n") << true << qint64(1);
        QTest::newRow("negative wParam") << QByteArray("33042 -1 0\n") << true << qint64(-1);
        QTest::newRow("two numbers") << QByteArray("33025 1\n") << false << qint64(0);
        QTest::newRow("four numbers") << QByteArray("1 2 3 4\n") << false << qint64(0);
        QTest::newRow("text") << QByteArray("show me\n") << false << qint64(0);
        QTest::newRow("empty") << QByteArray("\n") << false << qint64(0);
        QTest::newRow("message too big") << QByteArray("99999999999 0 0\n") << false << qint64(0);
    }
    void parseLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, ok);
        QFETCH(qint64, wParam);
        RemoteMessage m;
        QCOMPARE(LocalSocketRemoteControl::parseLine(line, &m), ok);
        if (ok)
            QCOMPARE(m.wParam, wParam);
    }

    void socketLivesInRuntimeDir()
    {
        QCOMPARE(LocalSocketRemoteControl::socketPath(title()), m_runtime.path() + "/Zaldo RGB");
    }

    // A message the running copy did not carry out (not one of the set, or a
    // profile save that could not write) fails the sender.
    void sendWaitsForHandler_data()
    {
        QTest::addColumn<bool>("handled");
        QTest::newRow("carried out") << true;
        QTest::newRow("not carried out") << false;
    }
    void sendWaitsForHandler()
    {
        QFETCH(bool, handled);
        LocalSocketRemoteControl server;
        QVERIFY(server.listen(title()));
        QList<RemoteMessage> received;
        server.setHandler([&](const RemoteMessage &m) {
            received << m;
            return handled;
        });

        // The sender blocks, so it runs on another thread while this one serves.
        bool sent = false;
        QString error;
        QThread *thread = QThread::create([&] {
            sent = LocalSocketRemoteControl::send(title(), RemoteMessage{0x8101, 1, 1}, 5000, &error);
        });
        thread->start();
        QTRY_VERIFY(thread->isFinished());
        delete thread;
        QVERIFY2(sent == handled, qPrintable(error));
        QCOMPARE(error.contains("did not carry out"), !handled);
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first().message, 0x8101u);
        QCOMPARE(received.first().wParam, 1);
        QCOMPARE(received.first().lParam, 1);
    }

    void secondListenerRefused()
    {
        LocalSocketRemoteControl first;
        QVERIFY(first.listen(title()));
        LocalSocketRemoteControl second;
        // listen() probes the first copy; the kernel completes that connection
        // without the first copy's event loop running.
        QVERIFY(!second.listen(title()));
    }

    void staleSocketDoesNotBlock()
    {
        // A socket file left by a copy that crashed: bound, never listened to.
        const QByteArray path = LocalSocketRemoteControl::socketPath(title()).toLocal8Bit();
        QFile::remove(QString::fromLocal8Bit(path));
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        qstrncpy(addr.sun_path, path.constData(), sizeof(addr.sun_path));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
        ::close(fd);
        QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));

        LocalSocketRemoteControl server;
        QVERIFY(server.listen(title()));
    }

    void sendWithoutCopyFails()
    {
        QFile::remove(LocalSocketRemoteControl::socketPath(title()));
        QString error;
        QVERIFY(!LocalSocketRemoteControl::send(title(), RemoteMessage{0x8101, 1, 1}, 1000, &error));
        QVERIFY(error.contains("no running copy"));
    }
};

QTEST_GUILESS_MAIN(TestRemoteControl)
#include "test_remotecontrol.moc"
