// The companion-app server over real loopback connections.
#include "commands/sockethelper.h"
#include "loopclient.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <vector>

// A server on loopback with the commands it hands on.
struct Rig {
    SocketHelper helper{QHostAddress::LocalHost, 0};
    QSignalSpy commands{&helper, &SocketHelper::socketHelperSendData};
    std::unique_ptr<QTcpSocket> client() { return connectClient(helper.serverPort()); }
};

static QString joined(const QSignalSpy &spy)
{
    QString all;
    for (const QList<QVariant> &args : spy)
        all += args.at(0).toString();
    return all;
}

class TestSocketHelper : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaultPort_data()
    {
        QTest::addColumn<QByteArray>("env");
        QTest::addColumn<int>("port");
        QTest::newRow("unset") << QByteArray() << 5487;
        QTest::newRow("0") << QByteArray("0") << 0;
        QTest::newRow("6001") << QByteArray("6001") << 6001;
        QTest::newRow("word") << QByteArray("abc") << 5487;
        QTest::newRow("too big") << QByteArray("70000") << 5487;
        QTest::newRow("negative") << QByteArray("-1") << 5487;
    }
    void defaultPort()
    {
        QFETCH(QByteArray, env);
        QFETCH(int, port);
        if (env.isNull())
            qunsetenv("ZALDO_COMPANION_PORT");
        else
            qputenv("ZALDO_COMPANION_PORT", env);
        QCOMPARE(int(SocketHelper::defaultPort()), port);
        qunsetenv("ZALDO_COMPANION_PORT");
    }

    void greetingBytesThroughPortOverride()
    {
        qputenv("ZALDO_COMPANION_PORT", "0");
        SocketHelper helper;
        qunsetenv("ZALDO_COMPANION_PORT");
        QVERIFY(helper.isListening() && helper.serverPort() != 0);
        QSignalSpy commands(&helper, &SocketHelper::socketHelperSendData);
        auto client = connectClient(helper.serverPort());
        QVERIFY(client);
        // Nothing follows the greeting until the server is asked to reply.
        client->write("42");
        QTRY_COMPARE(commands.count(), 1);
        QCOMPARE(client->bytesAvailable(), 0);
        helper.sendToClient(QStringLiteral("ok\u00e9"));
        QCOMPARE(readBytes(*client, 4), QByteArray("ok\xc3\xa9"));
    }

    void greetingWithPassword()
    {
        SocketHelper helper(QHostAddress::LocalHost, 0);
        helper.setPasswordOn(true);
        helper.setPassword(QStringLiteral("1234"));
        const QByteArray expected = "BvFan!" + QHostInfo::localHostName().toUtf8() + "!1234&";
        QCOMPARE(helper.greeting().toUtf8(), expected);
        QVERIFY(connectClient(helper.serverPort(), expected));
        helper.setPasswordOn(false);
        QVERIFY(connectClient(helper.serverPort()));
    }

    void portTakenLeavesServerOff()
    {
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        SocketHelper helper(QHostAddress::LocalHost, other.serverPort());
        QVERIFY(!helper.isListening());
        QCOMPARE(helper.connectedClients(), 0);
        helper.sendToClient(QStringLiteral("000"));  // dropped, nothing to write to
        SocketHelper unbound{SocketHelper::Unbound{}};
        QVERIFY(!unbound.isListening());
        QVERIFY(unbound.listen(QHostAddress::LocalHost, 0));
    }

    void decodeString_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("207x50x1") << QStringLiteral("207x50x1");
        QTest::newRow("zero ends") << QByteArray("000\0garbage", 11) << QStringLiteral("000");
        QTest::newRow("leading zero") << QByteArray("\0abc", 4) << QString();
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void decodeString()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(SocketHelper::decodeString(bytes), text);
    }

    // A burst is one command however much the socket holds: past the first
    // 8191 bytes the rest is dropped, and the next command arrives whole.
    void burstIsOneCommand_data()
    {
        QTest::addColumn<QByteArray>("burst");
        for (int size : {8191, 8192, 20000, 60000})
            QTest::addRow("%d", size) << QByteArray(size, 'A');
        QByteArray binary;
        for (int i = 0; i < 256; ++i)
            binary.append(char(255 - i));
        QTest::newRow("binary") << binary;
    }
    void burstIsOneCommand()
    {
        QFETCH(QByteArray, burst);
        Rig r;
        auto client = r.client();
        QVERIFY(client);
        client->write(burst);
        QTRY_COMPARE(r.helper.bytesReceived(), qint64(burst.size()));
        QCOMPARE(r.commands.count(), 1);
        QCOMPARE(r.commands.at(0).at(0).toString(), SocketHelper::decodeString(burst.left(SocketHelper::kMaxCommandBytes)));
        client->write("000");
        QTRY_COMPARE(r.commands.count(), 2);
        QCOMPARE(r.commands.at(1).at(0).toString(), QStringLiteral("000"));
    }

    // Replies wait for a client that never reads only up to a bound; then it is dropped.
    void clientThatNeverReadsIsDropped()
    {
        Rig r;
        auto reader = r.client();
        auto stalled = r.client();  // the newest client gets the replies
        QVERIFY(reader && stalled);
        stalled->setReadBufferSize(1);  // reads no further
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Socket:dropped, .*not reading"));
        for (int i = 0; i < 10000 && r.helper.connectedClients() == 2; ++i) {
            r.helper.sendToClient(QString(4096, 'r'));
            QCoreApplication::processEvents();
        }
        QCOMPARE(r.helper.connectedClients(), 1);
        r.helper.sendToClient(QStringLiteral("ok"));
        QCOMPARE(readBytes(*reader, 2), QByteArray("ok"));
    }

    void rapidFireLosesNothing()
    {
        SocketHelper helper(QHostAddress::LocalHost, 0);
        QSignalSpy commands(&helper, &SocketHelper::socketHelperSendData);
        auto client = connectClient(helper.serverPort());
        QVERIFY(client);
        QByteArray all;
        for (int i = 100; i < 400; ++i) {
            all += QByteArray::number(i);
            client->write(QByteArray::number(i));
            client->flush();
        }
        QTRY_COMPARE(helper.bytesReceived(), qint64(all.size()));
        QCOMPARE(joined(commands), QString::fromLatin1(all));
    }

    void twoClients()
    {
        SocketHelper helper(QHostAddress::LocalHost, 0);
        QSignalSpy commands(&helper, &SocketHelper::socketHelperSendData);
        auto first = connectClient(helper.serverPort());
        auto second = connectClient(helper.serverPort());
        QVERIFY(first && second);
        QTRY_COMPARE(helper.connectedClients(), 2);
        first->write("A1");
        QTRY_COMPARE(commands.count(), 1);
        second->write("B2");
        QTRY_COMPARE(commands.count(), 2);
        QCOMPARE(joined(commands), QStringLiteral("A1B2"));

        helper.sendToClient(QStringLiteral("to-second"));
        QCOMPARE(readBytes(*second, 9), QByteArray("to-second"));
        QCOMPARE(first->bytesAvailable(), 0);
        second.reset();
        QTRY_COMPARE(helper.connectedClients(), 1);
        helper.sendToClient(QStringLiteral("to-first"));
        QCOMPARE(readBytes(*first, 8), QByteArray("to-first"));
        first.reset();
        QTRY_COMPARE(helper.connectedClients(), 0);
        helper.sendToClient(QStringLiteral("nobody"));
        QTRY_COMPARE(helper.findChildren<QTcpSocket *>().size(), 0);  // none leaked
        helper.sendToClient(QStringLiteral("nobody"));
    }

    // With every slot taken the newest client still gets in and is greeted:
    // the client idle longest makes room.
    void fullSlotsMakeRoomForTheNewest()
    {
        Rig r;
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < SocketHelper::kMaxClients; ++i) {
            clients.push_back(r.client());
            QVERIFY(clients.back());
        }
        clients[0]->write("000");  // so client 1 is the one idle longest
        QTRY_COMPARE(r.commands.count(), 1);
        for (int n = 1; n <= 2; ++n) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Socket:closed, idle longest"));
            clients.push_back(r.client());
            QVERIFY(clients.back());
            QTRY_COMPARE(clients[size_t(n)]->state(), QAbstractSocket::UnconnectedState);
        }
        QCOMPARE(r.helper.connectedClients(), SocketHelper::kMaxClients);
        QCOMPARE(clients[0]->state(), QAbstractSocket::ConnectedState);
        r.helper.sendToClient(QStringLiteral("hi"));
        QCOMPARE(readBytes(*clients.back(), 2), QByteArray("hi"));
    }

    void signalsAfterDisconnectAreHarmless()
    {
        SocketHelper helper(QHostAddress::LocalHost, 0);
        QSignalSpy commands(&helper, &SocketHelper::socketHelperSendData);
        auto client = connectClient(helper.serverPort());
        QVERIFY(client);
        QTRY_COMPARE(helper.findChildren<QTcpSocket *>().size(), 1);
        QPointer<QTcpSocket> serverSide = helper.findChildren<QTcpSocket *>().first();
        int lateSignals = 0;
        connect(serverSide.data(), &QTcpSocket::disconnected, this, [&] {
            if (lateSignals++ > 0)
                return;
            // Late or repeated notifications from a client already let go.
            emit serverSide->readyRead();
            emit serverSide->disconnected();
        });
        client->write("07");
        client->disconnectFromHost();
        QTRY_VERIFY(lateSignals >= 1);
        QCOMPARE(helper.connectedClients(), 0);
        QCOMPARE(joined(commands), QStringLiteral("07"));
        QTRY_VERIFY(serverSide.isNull());
        helper.sendToClient(QStringLiteral("nobody"));
    }

    // Hundreds of phones coming and going leave no socket and no count behind.
    void manyConnectCycles()
    {
        SocketHelper helper(QHostAddress::LocalHost, 0);
        for (int i = 0; i < 300; ++i) {
            auto client = connectClient(helper.serverPort());
            QVERIFY(client);
            QCOMPARE(helper.connectedClients(), 1);
            if (i % 2)
                client->abort();
            else
                client->disconnectFromHost();
            QVERIFY(spinUntil([&] { return helper.connectedClients() == 0; }));
        }
        QTRY_COMPARE(helper.findChildren<QTcpSocket *>().size(), 0);
        QVERIFY(connectClient(helper.serverPort()));
    }
};

QTEST_GUILESS_MAIN(TestSocketHelper)
#include "tst_sockethelper.moc"
