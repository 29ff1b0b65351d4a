#include "app/devicewatch.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <libudev.h>

Q_LOGGING_CATEGORY(lcWatch, "zaldo.devicewatch")

UdevDeviceWatch::UdevDeviceWatch(QObject *parent)
    : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(250);
    connect(&m_settle, &QTimer::timeout, this, &UdevDeviceWatch::deviceChanged);
}

UdevDeviceWatch::~UdevDeviceWatch()
{
    delete m_notifier;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

bool UdevDeviceWatch::start()
{
    m_udev = udev_new();
    if (!m_udev) {
        qCWarning(lcWatch) << "udev is not available; boxes plugged in later need a restart or a device-change message";
        return false;
    }
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(m_monitor) < 0) {
        qCWarning(lcWatch) << "cannot watch hidraw devices through udev";
        return false;
    }
    const int fd = udev_monitor_get_fd(m_monitor);
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevDeviceWatch::onActivated);
    return true;
}

void UdevDeviceWatch::onActivated()
{
    udev_device *device = udev_monitor_receive_device(m_monitor);
    if (!device)
        return;
    qCDebug(lcWatch) << "hidraw" << udev_device_get_action(device) << udev_device_get_devnode(device);
    udev_device_unref(device);
    m_settle.start();
}

SleepWatch::SleepWatch(QObject *parent)
    : QObject(parent)
{
}

bool SleepWatch::start()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCInfo(lcWatch) << "no system bus: settings are not re-applied after resume";
        return false;
    }
    const bool ok = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                                this, SLOT(onPrepareForSleep(bool)));
    if (!ok)
        qCInfo(lcWatch) << "cannot listen for PrepareForSleep:" << bus.lastError().message();
    return ok;
}

void SleepWatch::onPrepareForSleep(bool goingToSleep)
{
    qCInfo(lcWatch) << "PrepareForSleep" << goingToSleep;
    if (!goingToSleep)
        Q_EMIT resumed();
}
