#pragma once

#include <QObject>
#include <QTimer>

class QSocketNotifier;
struct udev;
struct udev_monitor;

// Tells the controller that HID devices came or went (the device-change message).
class UdevDeviceWatch : public QObject {
    Q_OBJECT
public:
    explicit UdevDeviceWatch(QObject *parent = nullptr);
    ~UdevDeviceWatch() override;
    // False when udev cannot be watched; the program then reacts only to
    // explicit device-change messages.
    bool start();

Q_SIGNALS:
    void deviceChanged();

private:
    void onActivated();

    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    // One plug gives a burst of events; scan once after it settles.
    QTimer m_settle;
};

// Tells the controller that the machine resumed from sleep (boxes may have lost
// their settings while unpowered).
class SleepWatch : public QObject {
    Q_OBJECT
public:
    explicit SleepWatch(QObject *parent = nullptr);
    // False without a system bus or login manager.
    bool start();

Q_SIGNALS:
    void resumed();

public Q_SLOTS:
    void onPrepareForSleep(bool goingToSleep);
};
