// The phone's view: a TCP client talking to the server wired to the command
// handler and emulated boxes 0 and 2.
#include "commands/sockethelper.h"
#include "companionrig.h"
#include "loopclient.h"

struct Wired : CompanionRig {
    Wired() : CompanionRig({0, 2})
    {
        QObject::connect(&server, &SocketHelper::socketHelperSendData, &phoneHandler,
                         &AppCommandHandler::socketHelperReceiveData);
    }
    std::unique_ptr<QTcpSocket> phone() { return connectClient(server.serverPort()); }

    SocketHelper server{QHostAddress::LocalHost, 0};
    AppCommandHandler phoneHandler{state, link, *store, *tasks, AppCommandHandler::replyTo(&server)};
};

class TestCompanionLoopback : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    void replyOverTcp_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("profile");
        QTest::newRow("presence") << QByteArray("000") << QByteArray("1010000000000000") << 1;
        QTest::newRow("profile") << QByteArray("426x5x1")
                                 << QByteArray("{[255:0:0:1:5:2:0][255:0:0:1:5:2:0][255:0:0:1:5:2:0]}") << 5;
        QTest::newRow("after zero byte ignored") << QByteArray("000\0" "426x1x1", 11)
                                                 << QByteArray("1010000000000000") << 1;
    }
    void replyOverTcp()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, reply);
        QFETCH(int, profile);
        Wired w;
        auto phone = w.phone();
        QVERIFY(phone);
        phone->write(command);
        QCOMPARE(readBytes(*phone, reply.size()), reply);
        QCOMPARE(w.state.currentProfile, profile);
        // Nothing but the greeting and the reply.
        QTest::qWait(20);
        QCOMPARE(phone->bytesAvailable(), 0);
        if (profile == 1)
            QVERIFY(w.reports().isEmpty());
    }

    void twoPhones()
    {
        Wired w;
        auto first = w.phone();
        auto second = w.phone();
        QVERIFY(first && second);
        first->write("207x50x1000000000000000");
        QTRY_COMPARE(w.box(0).brightFan[2], 0.5f);
        second->write("202x20x001");
        QTRY_COMPARE(w.box(2).brightFan[1], 0.2f);

        first->write("000");
        QCOMPARE(readBytes(*second, 16), QByteArray("1010000000000000"));
        QCOMPARE(first->bytesAvailable(), 0);
        second->disconnectFromHost();
        QTRY_COMPARE(w.server.connectedClients(), 1);
        first->write("000");
        QCOMPARE(readBytes(*first, 16), QByteArray("1010000000000000"));

        first->disconnectFromHost();
        QTRY_COMPARE(w.server.connectedClients(), 0);
        w.phoneHandler.socketHelperReceiveData(QStringLiteral("000"));  // reply goes nowhere
        QCOMPARE(w.state.checkControllerStr, QStringLiteral("1010000000000000"));
    }

    void replyAfterServerIsGone()
    {
        CompanionRig rig({0});
        auto server = std::make_unique<SocketHelper>(QHostAddress::LocalHost, 0);
        AppCommandHandler handler(rig.state, rig.link, *rig.store, *rig.tasks, AppCommandHandler::replyTo(server.get()));
        server.reset();
        handler.socketHelperReceiveData(QStringLiteral("000"));
        QCOMPARE(rig.state.checkControllerStr, QStringLiteral("1000000000000000"));
    }
};

QTEST_GUILESS_MAIN(TestCompanionLoopback)
#include "tst_companionloopback.moc"
