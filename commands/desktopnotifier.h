#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

struct StallEvent;

class QDBusPendingCallWatcher;

// Tells the desktop about fans that stopped and run again, through the
// freedesktop notification service on the session bus. The calls never wait
// for the service; without one, the log gets the same words (and says once why).
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);

    // Boxes and fans count from 0, as the box table does; the words count from
    // 1, as the panel does.
    void fanStopped(int box, int fan, int lastRpm);
    void fanBelowMinimum(int box, int fan, int rpm, int minRpm);
    // Takes the place of the fan's alert on the desktop.
    void fanRecovered(int box, int fan, int rpm);
    // The stall watch's alert, or its end; the rest of what it says is not for the desktop.
    void tell(const StallEvent &event, int minRpm);

signals:
    // The person clicked one of this program's notifications.
    void showPanelRequested();

private slots:
    void actionInvoked(uint id, const QString &action);

private:
    void notify(int box, int fan, const QString &summary, const QString &body, uchar urgency);
    void fallBack(const QString &summary, const QString &body, const QString &why);

    QDBusConnection m_bus;
    QHash<int, uint> m_ids;                          // per fan: its last notification
    QHash<int, QDBusPendingCallWatcher *> m_pending;  // per fan: a call not answered yet
    bool m_saidNoService = false;
};
