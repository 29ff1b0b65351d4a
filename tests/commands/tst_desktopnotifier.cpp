// Desktop notifications to a stand-in service on a private bus, and the log without one.
#include "commands/desktopnotifier.h"

#include <QDBusMessage>
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
                const QStringList &actions, const QVariantMap &hints, int)
    {
        calls << QVariantList{app, replaces, icon, summary, body, actions, hints};
        return replaces ? replaces : uint(6 + calls.size());
    }
};
} // namespace

class TestDesktopNotifier : public QObject {
    Q_OBJECT
private slots:
    void notifiesAndFallsBack()
    {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            QSKIP("dbus-daemon is not installed");
        // No service directories: nothing installed here may answer in the stand-in's place.
        QTemporaryFile config;
        QVERIFY(config.open());
        config.write("<busconfig><listen>unix:tmpdir=/tmp</listen><policy context=\"default\"><allow send_destination="
                     "\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.flush();
        QProcess daemon;
        daemon.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork", "--print-address"});
        const auto stop = qScopeGuard([&daemon] { daemon.kill(), daemon.waitForFinished(); });
        QVERIFY(daemon.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        QDBusConnection service = QDBusConnection::connectToBus(address, "service");
        FakeNotifications fake;
        QVERIFY(service.registerObject("/org/freedesktop/Notifications", &fake, QDBusConnection::ExportAllSlots)
                && service.registerService("org.freedesktop.Notifications"));
        DesktopNotifier notifier(QDBusConnection::connectToBus(address, "program"));
        notifier.fanStopped(1, 2, 1234);
        notifier.fanRecovered(1, 2, 1300);  // before the first is answered: it still replaces it
        QTRY_COMPARE(fake.calls.size(), 2);
        const QString name = "brenvar-rgb-fan-controller";
        QCOMPARE(fake.calls[0].mid(0, 6), (QVariantList{"Brenvar RGB Fan Controller", 0u, name, "Fan stopped",
                                                         "Box 2, Fan 3: last 1234 RPM", QStringList{"default", "Show panel"}}));
        QCOMPARE(fake.calls[1].mid(1, 4), (QVariantList{7u, name, "Fan running again", "Box 2, Fan 3: 1300 RPM"}));
        for (int i : {0, 1})
            QCOMPARE(fake.calls[i][6].toMap(),
                     (QVariantMap{{"urgency", QVariant::fromValue(uchar(2 - i))}, {"desktop-entry", name}}));
        QSignalSpy shown(&notifier, &DesktopNotifier::showPanelRequested);
        for (const auto &[id, action] : {std::pair{99u, "default"}, std::pair{7u, "other"}, std::pair{7u, "default"}})
            service.send(QDBusMessage::createSignal("/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                                    "ActionInvoked") << id << QString(action));
        QTRY_COMPARE(shown.size(), 1);  // only ours, only the default action
        QTest::qWait(100);
        QCOMPARE(shown.size(), 1);
        service.unregisterService("org.freedesktop.Notifications");
        const QtMessageHandler before = qInstallMessageHandler(keep);  // no service: the log, saying so once
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
