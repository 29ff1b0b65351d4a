#include "commands/desktopnotifier.h"

#include "commands/stallwatch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QVariantMap>

Q_LOGGING_CATEGORY(lcNotify, "zaldo.notify")

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kAppName = QStringLiteral("Brenvar RGB Fan Controller");
// The icon and the desktop file (assets/linux) share the program's name.
const QString kDesktopEntry = QStringLiteral("brenvar-rgb-fan-controller");
const QString kDefaultAction = QStringLiteral("default");
constexpr uchar kNormal = 1;
constexpr uchar kCritical = 2;

int fanKey(int box, int fan)
{
    return box * 256 + fan;
}
} // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, QObject *parent) : QObject(parent), m_bus(bus)
{
    // Any sender: the service's owner may change; the ids tell ours apart.
    m_bus.connect(QString(), kPath, kService, QStringLiteral("ActionInvoked"), this,
                  SLOT(actionInvoked(uint,QString)));
}

void DesktopNotifier::fanStopped(int box, int fan, int lastRpm)
{
    notify(box, fan, tr("Fan stopped"), tr("Box %1, Fan %2: last %3 RPM").arg(box + 1).arg(fan + 1).arg(lastRpm),
           kCritical);
}

void DesktopNotifier::fanBelowMinimum(int box, int fan, int rpm, int minRpm)
{
    notify(box, fan, tr("Fan too slow"),
           tr("Box %1, Fan %2: %3 RPM, below %4 RPM").arg(box + 1).arg(fan + 1).arg(rpm).arg(minRpm), kCritical);
}

void DesktopNotifier::fanRecovered(int box, int fan, int rpm)
{
    notify(box, fan, tr("Fan running again"), tr("Box %1, Fan %2: %3 RPM").arg(box + 1).arg(fan + 1).arg(rpm),
           kNormal);
}

void DesktopNotifier::tell(const StallEvent &e, int minRpm)
{
    switch (e.kind) {
    case StallEvent::Kind::Stopped: fanStopped(e.box, e.fan, e.rpm); break;
    case StallEvent::Kind::BelowMinimum: fanBelowMinimum(e.box, e.fan, e.rpm, minRpm); break;
    case StallEvent::Kind::Recovered: fanRecovered(e.box, e.fan, e.rpm); break;
    default: break;
    }
}

void DesktopNotifier::notify(int box, int fan, const QString &summary, const QString &body, uchar urgency)
{
    const int key = fanKey(box, fan);
    if (QDBusPendingCallWatcher *earlier = m_pending.value(key)) {
        // It replaces the notification still on its way: wait for that one's id.
        connect(earlier, &QDBusPendingCallWatcher::finished, this,
                [=] { notify(box, fan, summary, body, urgency); });
        return;
    }
    if (!m_bus.isConnected()) {
        fallBack(summary, body, QStringLiteral("no session bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(urgency)},
                            {QStringLiteral("desktop-entry"), kDesktopEntry}};
    call << kAppName << m_ids.value(key, 0u) << kDesktopEntry << summary << body
         << QStringList{kDefaultAction, tr("Show panel")} << hints << -1;
    auto *watch = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    m_pending.insert(key, watch);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [=] {
        m_pending.remove(key);
        watch->deleteLater();
        const QDBusPendingReply<uint> reply = *watch;
        if (reply.isError())
            fallBack(summary, body, reply.error().message());
        else
            m_ids.insert(key, reply.value());
    });
}

void DesktopNotifier::fallBack(const QString &summary, const QString &body, const QString &why)
{
    if (!m_saidNoService) {
        m_saidNoService = true;
        qCWarning(lcNotify) << "no notification service, fan alerts go to this log only:" << why;
    }
    qCWarning(lcNotify).noquote() << summary + QStringLiteral(": ") + body;
}

void DesktopNotifier::actionInvoked(uint id, const QString &action)
{
    const QList<uint> ours = m_ids.values();
    if (action == kDefaultAction && ours.contains(id))
        emit showPanelRequested();
}
