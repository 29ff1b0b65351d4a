// A stand-in for the desktop's notification service on the session bus the
// test starts: each Notify call is printed as "summary|body|urgency".
#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public Q_SLOTS:
    uint Notify(const QString &, uint replaces, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &hints, int)
    {
        std::printf("%s|%s|%d\n", qPrintable(summary), qPrintable(body), hints.value("urgency").toInt());
        std::fflush(stdout);
        return replaces ? replaces : ++m_last;
    }

private:
    uint m_last = 0;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Notifications service;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots)
        || !bus.registerService("org.freedesktop.Notifications"))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "fakenotifications.moc"
