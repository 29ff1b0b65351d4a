#pragma once

// A phone-app client on loopback, for the server tests.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QTcpSocket>
#include <QThread>

#include <memory>

inline QByteArray plainGreeting()
{
    return "BvFan!" + QHostInfo::localHostName().toUtf8() + "&";
}

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
    spinUntil([&] {
        got += socket.readAll();
        return got.size() >= size;
    });
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
