// The phone-app server over real loopback connections; the replies of the
// wired program are the black-box test's.
#include "companionrig.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>

#include <vector>

struct Rig {
    SocketHelper helper{QHostAddress::LocalHost, 0};
    QSignalSpy commands{&helper, &SocketHelper::socketHelperSendData};
    std::unique_ptr<QTcpSocket> client() { return connectClient(helper.serverPort()); }
};

class TestCompanionServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    void greetingAndReplyBytes()
    {
        qunsetenv("ZALDO_COMPANION_PORT");
        QCOMPARE(int(SocketHelper::defaultPort()), 5487);
        qputenv("ZALDO_COMPANION_PORT", "0");
        SocketHelper helper;
        qunsetenv("ZALDO_COMPANION_PORT");
        QVERIFY(helper.isListening() && helper.serverPort() != 0);
        QSignalSpy commands(&helper, &SocketHelper::socketHelperSendData);
        auto client = connectClient(helper.serverPort());
        QVERIFY(client);
        client->write("42");  // nothing follows the greeting until the server is asked to reply
        QTRY_COMPARE(commands.count(), 1);
        QCOMPARE(client->bytesAvailable(), 0);
        helper.sendToClient(QStringLiteral("ok\u00e9"));
        QCOMPARE(readBytes(*client, 4), QByteArray("ok\xc3\xa9"));

        helper.setPasswordOn(true);
        helper.setPassword(QStringLiteral("1234"));
        QVERIFY(connectClient(helper.serverPort(), "BvFan!" + QHostInfo::localHostName().toUtf8() + "!1234&"));
        helper.setPasswordOn(false);
        QVERIFY(connectClient(helper.serverPort()));
    }

    // A burst is one command however much the socket holds: past the first
    // 8191 bytes the rest is dropped, and the next command arrives whole.
    void burstIsOneCommand_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {8191, 60000})
            QTest::addRow("%d", size) << size;
    }
    void burstIsOneCommand()
    {
        QFETCH(int, size);
        Rig r;
        auto client = r.client();
        QVERIFY(client);
        client->write(QByteArray(size, 'A'));
        QTRY_COMPARE(r.helper.bytesReceived(), qint64(size));
        QCOMPARE(r.commands.count(), 1);
        QCOMPARE(r.commands.at(0).at(0).toString(), QString(qMin(size, int(SocketHelper::kMaxCommandBytes)), 'A'));
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

};

QTEST_GUILESS_MAIN(TestCompanionServer)
#include "tst_companionserver.moc"
