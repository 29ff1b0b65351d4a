#include "app/controllercore.h"

#include "app/options.h"
#include "app/remoterequests.h"
#include "commands/appcommandhandler.h"
#include "commands/boxselection.h"
#include "commands/desktopnotifier.h"
#include "commands/fantimers.h"
#include "commands/openrgbbridge.h"
#include "commands/openrgbserver.h"
#include "commands/sockethelper.h"
#include "core/controllerstate.h"
#include "core/viewsink.h"
#include "device/boxexecutor.h"
#include "device/devicelink.h"
#include "monitor/cputemperature.h"
#include "monitor/hwmonsensortable.h"
#include "storage/settingsstore.h"
#include "update/autoupdate.h"
#include "update/updaterlauncher.h"

#include <QCoreApplication>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcController)

ControllerCore::ControllerCore(ControllerState &state, const ControllerSetup &setup, ViewSink &views, QObject *parent)
    : QObject(parent), m_state(state), m_setup(setup), m_views(views)
{
    m_state.resourcePrefix = QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

ControllerCore::~ControllerCore()
{
    // Before the bridge it serves.
    delete m_openRgb;
}

void ControllerCore::loadSettings()
{
    m_store = std::make_unique<SettingsStore>(m_state, m_setup.dataDirectory);
    m_store->parseDevice();
}

void ControllerCore::startUpdateCheck(std::function<void(const QString &)> showNote)
{
    m_updaterLauncher = std::make_unique<ProcessUpdaterLauncher>();
    if (!m_state.isStartAutoUpdate)
        return;
    qCDebug(lcController) << "start auto update--isStartAutoUpdate:" << m_state.isStartAutoUpdate;
    m_autoUpdate = new AutoUpdate(m_store->dataDirectory(), m_setup.updateUrl, *m_updaterLauncher, m_state, this);
    connect(m_autoUpdate, &AutoUpdate::updateNoteReady, this, std::move(showNote));
    m_autoUpdate->setCurrentVersion(m_state.softwareVersion);
    m_autoUpdate->getVersion();
}

void ControllerCore::connectBoxes(WindowMessages::Hooks hooks)
{
    // Every start begins at full music level, profile 1, box 1.
    m_state.musicLevel = 100;
    m_state.currentProfile = 1;
    m_state.controllerBoxNumber = 0;

    // The box link and the phone-app server.
    m_link = std::make_unique<DeviceLink>(m_state, *m_setup.transport,
                                          m_setup.threadedIo ? std::make_unique<ThreadedExecutor>() : nullptr);
    if (m_setup.companionEnabled) {
        const QHostAddress address = m_setup.companionAddress.isEmpty() ? QHostAddress(QHostAddress::Any)
                                                                         : QHostAddress(m_setup.companionAddress);
        m_socketHelper = new SocketHelper(SocketHelper::Unbound{}, this);
        m_socketHelper->listen(address, SocketHelper::defaultPort());
        connect(m_socketHelper, &SocketHelper::socketHelperSendData, this,
                [this](const QString &data) { m_appCommands->socketHelperReceiveData(data); });
        m_socketHelper->setPasswordOn(m_state.isOpenPassword);
        m_socketHelper->setPassword(m_state.passwordStr);
    }

    // The timers (music, RPM poll, random colour per fan); box selection drives the poll.
    m_timers = std::make_unique<FanTimers>(m_state, *m_link, m_views);
    m_boxes = std::make_unique<BoxSelection>(m_state, *m_link, *m_store, m_views, *m_timers);
    // Each fan's alert and its end reach the desktop too (a user service has the session bus).
    m_notifier = std::make_unique<DesktopNotifier>();
    connect(m_timers.get(), &FanTimers::alert, m_notifier.get(),
            [this](const StallEvent &e) { m_notifier->tell(e, m_state.box(e.box).fan(e.fan).minRpm); });
    m_appCommands = std::make_unique<AppCommandHandler>(m_state, *m_link, *m_store, *m_boxes,
                                                        AppCommandHandler::replyTo(m_socketHelper));
    m_messages = std::make_unique<WindowMessages>(m_state, *m_link, *m_store, *m_boxes, m_views, std::move(hooks));
    m_requests = std::make_unique<RemoteRequests>(m_state, *m_link, *m_store, *m_boxes);
    startOpenRgb();

    // The boxes and the selected box's firmware.
    m_link->connectAllBoxes();
    m_link->readFirmwareVersion([this](const QString &version) {
        if (version != QLatin1String("0"))
            m_firmware = version;
        m_views.setFirmwareVersion(m_firmware);
    });
}

void ControllerCore::startWatching()
{
    m_boxes->setBox();
    // Sensors after the boxes: their first pass drives fans already set up.
    m_sensors = std::make_unique<HwmonSensorTable>();
    m_cpuTemperature = std::make_unique<CpuTemperature>(m_state, *m_timers, m_views, *m_sensors, this);
    m_cpuTemperature->initSensorLibrary();
    // The stopped-fan watch.
    m_timers->startRpmPoll();
}

bool ControllerCore::handleMessage(quint32 message, qint64 wParam, qint64 lParam)
{
    return m_messages->handle(message, wParam, lParam);
}

void ControllerCore::answerMessage(quint32 message, qint64 wParam, qint64 lParam, std::function<void(bool)> done)
{
    auto handled = std::make_shared<bool>(false);
    m_link->afterExchanges([&] { *handled = m_messages->handle(message, wParam, lParam); },
                           [handled, done = std::move(done)](const QList<int> &silentBoxes) {
                               done(*handled && silentBoxes.isEmpty());
                           });
}

void ControllerCore::shutDown()
{
    // Input first: nothing new may be queued while the boxes finish.
    delete m_socketHelper;
    delete m_openRgb;
    if (m_link)
        m_link->executor().shutDown();
    if (m_store && !m_store->saveDeviceSettings())
        qCWarning(lcController) << "the settings could not be written at the end";
}

OpenRgbServer *ControllerCore::openRgbServer() const
{
    return m_openRgb;
}

void ControllerCore::startOpenRgb()
{
    const QString wanted = m_setup.openRgbServer.isEmpty() ? m_state.openRgbServer : m_setup.openRgbServer;
    if (wanted.isEmpty())
        return;
    QString address;
    int port = 0;
    if (!parseListenAddress(wanted, &address, &port)) {
        qCWarning(lcController).noquote() << "OpenRGB server not started: \"" + wanted + "\" is not [ADDRESS:]PORT";
        return;
    }
    m_openRgbBridge = std::make_unique<OpenRgbBridge>(m_state, *m_link, *m_store, *m_boxes);
    m_openRgb = new OpenRgbServer(*m_openRgbBridge, this);
    m_openRgbBridge->follow(*m_openRgb);
    m_openRgb->listen(QHostAddress(address), static_cast<quint16>(port));
}

void ControllerCore::handleRequest(const QByteArray &line, std::function<void(const QByteArray &)> reply)
{
    m_requests->answer(line, std::move(reply));
}

void ControllerCore::reapplyAfterResume()
{
    qCInfo(lcController) << "resumed: reconnecting and re-applying every box";
    m_messages->reconnectAll();
}
