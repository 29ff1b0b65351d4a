#pragma once

// The core with a phone-command handler whose replies are recorded, and a
// phone-app client on loopback for the server tests.

#include "commands/appcommandhandler.h"
#include "commands/sockethelper.h"
#include "tasks/coreharness.h"

#include <QHostInfo>
#include <QTcpSocket>
#include <QThread>

struct CompanionRig : CoreHarness {
    explicit CompanionRig(const QList<int> &boxes) : CoreHarness(boxes) {}
    void send(const QString &command) { handler.socketHelperReceiveData(command); }

    QStringList replies;
    AppCommandHandler handler{state, link, *store, *tasks, [this](const QString &text) { replies << text; }};
};

inline QByteArray plainGreeting() { return "BvFan!" + QHostInfo::localHostName().toUtf8() + "&"; }

// Runs the event loop until pred holds; false after five seconds.
template <typename Pred>
bool spinUntil(Pred pred)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::usleep(200);
    }
    return true;
}

// What the socket receives until it holds size bytes (or time runs out).
inline QByteArray readBytes(QTcpSocket &socket, int size)
{
    QByteArray got;
    spinUntil([&] { return (got += socket.readAll()).size() >= size; });
    return got;
}

// A connected client that has received exactly this greeting; null otherwise.
inline std::unique_ptr<QTcpSocket> connectClient(quint16 port, const QByteArray &greeting = plainGreeting())
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    const QByteArray got = readBytes(*socket, greeting.size());
    if (got != greeting) {
        qWarning() << "unexpected greeting" << got;
        return nullptr;
    }
    return socket;
}
