// The phone's view: a TCP client talking to the server wired to the command
// handler and emulated boxes 0 and 2.
#include "commands/sockethelper.h"
#include "companionrig.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

QByteArray readBytes(QTcpSocket &socket, int size)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < size && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
        got += socket.readAll();
    }
    return got;
}

} // namespace

class TestCompanionLoopback : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    QByteArray m_greeting;

    std::unique_ptr<QTcpSocket> connectPhone(SocketHelper &server)
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, server.serverPort());
        const QByteArray got = readBytes(*socket, m_greeting.size());
        if (got != m_greeting) {
            qWarning() << "greeting:" << got;
            return nullptr;
        }
        return socket;
    }

    struct Wired {
        explicit Wired(const QList<int> &boxes) : rig(boxes)
        {
            QObject::connect(&server, &SocketHelper::socketHelperSendData, &handler,
                             &AppCommandHandler::socketHelperReceiveData);
        }
        CompanionRig rig;
        SocketHelper server{QHostAddress::LocalHost, 0};
        AppCommandHandler handler{rig.state, rig.link, rig.store, rig.tasks, AppCommandHandler::replyTo(&server)};
    };

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.filePath("config").toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_home.filePath("run").toUtf8());
        m_greeting = "BvFan!" + QHostInfo::localHostName().toUtf8() + "&";
    }

    void presenceOverTcp()
    {
        Wired w({0, 2});
        auto phone = connectPhone(w.server);
        QVERIFY(phone);
        phone->write("000");
        QCOMPARE(readBytes(*phone, 16), QByteArray("1010000000000000"));
        // Nothing but the greeting and the reply.
        QTest::qWait(20);
        QCOMPARE(phone->bytesAvailable(), 0);
    }

    void profileOverTcp()
    {
        Wired w({0, 2});
        auto phone = connectPhone(w.server);
        QVERIFY(phone);
        phone->write("426x5x1");
        const QByteArray reply = "{[255:0:0:1:5:2:0][255:0:0:1:5:2:0][255:0:0:1:5:2:0]}";
        QCOMPARE(readBytes(*phone, reply.size()), reply);
        QCOMPARE(w.rig.state.currentProfile, 5);
    }

    void commandAfterZeroByte()
    {
        Wired w({0, 2});
        auto phone = connectPhone(w.server);
        QVERIFY(phone);
        phone->write(QByteArray("000\0" "426x1x1", 11));
        QCOMPARE(readBytes(*phone, 16), QByteArray("1010000000000000"));
        QCOMPARE(w.rig.state.currentProfile, 1);
        QVERIFY(w.rig.emu.traceLines().isEmpty());
    }

    void twoPhones()
    {
        Wired w({0, 2});
        auto first = connectPhone(w.server);
        auto second = connectPhone(w.server);
        QVERIFY(first && second);

        first->write("207x50x1000000000000000");
        QTRY_COMPARE(w.rig.box(0).brightFan[2], 0.5f);
        second->write("202x20x001");
        QTRY_COMPARE(w.rig.box(2).brightFan[1], 0.2f);

        first->write("000");
        QCOMPARE(readBytes(*second, 16), QByteArray("1010000000000000"));
        QCOMPARE(first->bytesAvailable(), 0);

        second->disconnectFromHost();
        QTRY_COMPARE(w.server.connectedClients(), 1);
        first->write("000");
        QCOMPARE(readBytes(*first, 16), QByteArray("1010000000000000"));

        first->disconnectFromHost();
        QTRY_COMPARE(w.server.connectedClients(), 0);
        w.handler.socketHelperReceiveData(QStringLiteral("000"));  // reply goes nowhere
        QCOMPARE(w.rig.state.checkControllerStr, QStringLiteral("1010000000000000"));
    }

    void replyAfterServerIsGone()
    {
        CompanionRig rig({0});
        auto server = std::make_unique<SocketHelper>(QHostAddress::LocalHost, 0);
        AppCommandHandler handler(rig.state, rig.link, rig.store, rig.tasks,
                                  AppCommandHandler::replyTo(server.get()));
        server.reset();
        handler.socketHelperReceiveData(QStringLiteral("000"));
        QCOMPARE(rig.state.checkControllerStr, QStringLiteral("1000000000000000"));
    }
};

QTEST_GUILESS_MAIN(TestCompanionLoopback)
#include "tst_companionloopback.moc"
