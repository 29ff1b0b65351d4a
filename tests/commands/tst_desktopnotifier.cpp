// Desktop notifications through a stand-in notification service on a private
// session bus, and the log when there is none.
#include "commands/desktopnotifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QtTest>

namespace {
QStringList logged;
void keep(QtMsgType, const QMessageLogContext &, const QString &m) { logged << m; }

// Answers Notify with 7, 8, ... or the id it replaces, and keeps each call's arguments.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<QVariantList> calls;
public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        calls << QVariantList{app, replaces, icon, summary, body, actions, hints, timeout};
        return replaces ? replaces : uint(6 + calls.size());
    }
};
} // namespace

class TestDesktopNotifier : public QObject {
    Q_OBJECT
    QTemporaryFile config;
    QProcess daemon;
    QString address;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            QSKIP("dbus-daemon is not installed");
        // No service directories: nothing installed here may answer in the stand-in's place.
        QVERIFY(config.open());
        config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                     "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.flush();
        daemon.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork", "--print-address"});
        QVERIFY(daemon.waitForReadyRead(10000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    void cleanupTestCase() { daemon.kill(), daemon.waitForFinished(); }

    void notifiesStopAndRecovery()
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, "service");
        FakeNotifications fake;
        QVERIFY(service.registerObject("/org/freedesktop/Notifications", &fake, QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService("org.freedesktop.Notifications"));
        DesktopNotifier notifier(QDBusConnection::connectToBus(address, "program"));
        notifier.fanStopped(1, 2, 1234);
        QTRY_COMPARE(fake.calls.size(), 1);
        notifier.fanRecovered(1, 2, 1300);
        QTRY_COMPARE(fake.calls.size(), 2);
        const QVariantList stop = fake.calls[0], again = fake.calls[1];
        const QStringList icon{"brenvar-rgb-fan-controller"};
        QCOMPARE(stop.mid(0, 6), (QVariantList{"Brenvar RGB Fan Controller", 0u, icon[0], "Fan stopped",
                                               "Box 2, Fan 3: last 1234 RPM", QStringList{"default", "Show panel"}}));
        QCOMPARE(again.mid(1, 4), (QVariantList{7u, icon[0], "Fan running again", "Box 2, Fan 3: 1300 RPM"}));
        for (const auto &[call, urgency] : {std::pair{stop, 2}, std::pair{again, 1}}) {
            const QVariantMap hints = call[6].toMap();
            QCOMPARE(hints.value("urgency"), QVariant::fromValue(uchar(urgency)));
            QCOMPARE(hints.value("desktop-entry"), QVariant(icon[0]));
        }
        QSignalSpy shown(&notifier, &DesktopNotifier::showPanelRequested);
        for (const auto &[id, action] : {std::pair{99u, "default"}, std::pair{7u, "other"}, std::pair{7u, "default"}}) {
            QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                             "org.freedesktop.Notifications", "ActionInvoked");
            service.send(signal << id << QString(action));
        }
        QTRY_COMPARE(shown.size(), 1);  // only ours, only the default action
        QTest::qWait(100);
        QCOMPARE(shown.size(), 1);
        service.unregisterService("org.freedesktop.Notifications");
    }

    void logsWithoutService()
    {
        DesktopNotifier notifier(QDBusConnection::connectToBus(address, "lonely"));
        const QtMessageHandler before = qInstallMessageHandler(keep);
        notifier.fanStopped(0, 0, 900);
        notifier.fanStopped(3, 1, 0);
        QTRY_COMPARE(logged.filter("Fan stopped").size(), 2);
        qInstallMessageHandler(before);
        QCOMPARE(logged.filter("no notification service").size(), 1);
        QVERIFY(logged.filter("Box 1, Fan 1: last 900 RPM").size() == 1 && logged.filter("Box 4, Fan 2").size() == 1);
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
