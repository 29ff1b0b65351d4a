#include "app/brenvarrgbfancontroller.h"

#include "app/autostart.h"
#include "app/curveediting.h"
#include "app/updatenote.h"
#include "commands/appcommandhandler.h"
#include "commands/paneldispatcher.h"
#include "commands/boxselection.h"
#include "commands/desktopnotifier.h"
#include "commands/fantimers.h"
#include "commands/statusreport.h"
#include "core/controllerstate.h"
#include "core/panelcommands.h"
#include "monitor/cputemperature.h"
#include "storage/settingsstore.h"
#include "ui/alertview.h"
#include "ui/mainview.h"
#include "ui/translationswitch.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHostInfo>
#include <QLoggingCategory>
#include <QMenu>
#include <QNetworkInterface>
#include <QStyle>

Q_LOGGING_CATEGORY(lcController, "zaldo.controller")

namespace {
const QString kWindowTitle = QStringLiteral("Zaldo RGB");
const QString kTrayToolTip = QStringLiteral("Zaldo RGB Radiator Fan");
#ifdef Q_OS_WIN
const QString kAutoRunText = QStringLiteral(" Run Zaldo RGB Program when Windows starts");
#else
const QString kAutoRunText = QStringLiteral(" Run Zaldo RGB Program when you log in");
#endif
} // namespace

BrenvarRGBFanController::BrenvarRGBFanController(ControllerState &state, const ControllerSetup &setup)
    : QMainWindow(nullptr), m_state(state), m_core(std::make_unique<ControllerCore>(state, setup, m_views)),
      m_emulatedBoxes(setup.emulatedBoxes)
{
    // Built in a fixed order: each step uses only what the steps before made.
    // The window only carries the title; it is never mapped on Linux.
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setGeometry(0, 0, 0, 0);
    setWindowTitle(kWindowTitle);
    hide();

    // Settings first: everything below reads them.
    m_core->loadSettings();

    // The translator, before any window shows a text.
    m_translation = std::make_unique<TranslationSwitch>();
    qCDebug(lcController) << "setup language";
    loadLanguage(m_state.languageIndex);

    m_core->startUpdateCheck([](const QString &note) { showUpdateNote(note); });

    // The alert window.
    m_alertView = new AlertView;
    m_alertView->hide();
    m_views.setAlertView(m_alertView);
    connect(m_alertView, &AlertView::sendData, this, &BrenvarRGBFanController::receiveData);

    // The tray icon and its menu.
    buildTray();

    // Make the autostart entry match the stored switch.
    m_autoStart = std::make_unique<XdgAutoStartStore>();
    qCDebug(lcController) << "isAutoRun:" << m_state.isAutoRun;
    applyAutoRun();

    WindowMessages::Hooks hooks;
    hooks.showPanelAndTray = [this](bool show) {
        if (show) {
            if (m_mainView)
                m_mainView->show();
            m_trayIcon->setVisible(true);
        } else {
            if (m_mainView)
                m_mainView->hide();
            m_trayIcon->setVisible(false);
        }
    };
    hooks.closeController = [this] { closeController(); };
    hooks.hideController = [this] {
        m_controllerShown = false;
        m_views.setControllerShown(false);
    };
    m_core->connectBoxes(hooks);
    m_dispatcher = std::make_unique<PanelDispatcher>(m_state, m_core->link(), m_core->store(), m_core->boxes(), m_views);
    m_dispatcher->setInfoReadout([this] { setInfoMessage(); });
    m_dispatcher->setLanguageLoader([this](int index) { return loadLanguage(index); });

    // The computer's address for the information area.
    m_state.ipAddressStr = buildIpAddress();

    // The panel, with the settings it shows.
    m_mainView = new MainView;
    m_views.setMainView(m_mainView);
    m_curveEditing = std::make_unique<CurveEditing>(m_state, m_core->link(), m_core->store(), m_core->boxes(), m_mainView);
    m_core->store().parseDevice();
    m_mainView->setLanguage(m_state.languageIndex);
    m_mainView->setFirmwareVersion(m_core->firmwareText());
    m_mainView->setSoftwareVersion(m_state.softwareVersion);
    m_mainView->setIPAddress(m_state.ipAddressStr);
    m_mainView->setAutoUpdateSwitch(m_state.isStartAutoUpdate);
    m_mainView->setPasswordSwitch(m_state.isOpenPassword);
    m_mainView->setPasswordText(m_state.passwordStr);

    // The controller window counts as shown; the panel and the tray appear.
    m_controllerShown = true;
    m_views.setControllerShown(true);

    // Select the first box, start the sensors and the RPM poll, then let the panel talk to us.
    m_core->startWatching();
    connect(m_mainView, &MainView::sendData, this, &BrenvarRGBFanController::receiveMainData);
    connect(&m_core->notifier(), &DesktopNotifier::showPanelRequested, this, &BrenvarRGBFanController::showMainView);
    connect(&m_core->timers(), &FanTimers::alert, this, &BrenvarRGBFanController::showStoppedFans);
    m_mainView->show();
    m_trayIcon->setVisible(true);
}

BrenvarRGBFanController::~BrenvarRGBFanController()
{
    // The windows have no parent; they go before the subsystems they show.
    delete m_mainView;
    delete m_alertView;
}

void BrenvarRGBFanController::buildTray()
{
    const QIcon icon(m_state.resourcePrefix + QStringLiteral("Image/logo.ico"));
    setWindowIcon(icon);
    m_trayIcon = new QSystemTrayIcon(this);
    m_trayIcon->setIcon(icon);
    m_trayIcon->setToolTip(kTrayToolTip);

    m_launchAction = new QAction(QStringLiteral("Launch Zaldo RGB Radiator Fan"), this);
    m_launchAction->setObjectName(QStringLiteral("launchAction"));
    connect(m_launchAction, &QAction::triggered, this, &BrenvarRGBFanController::showMainView);
    m_autoRunAction = new QAction(QStringLiteral("Open"), this);
    m_autoRunAction->setObjectName(QStringLiteral("autoRunAction"));
    updateAutoRunText();
    connect(m_autoRunAction, &QAction::triggered, this, &BrenvarRGBFanController::trayIconAction);
    m_exitAction = new QAction(QStringLiteral("Exit"), this);
    m_exitAction->setObjectName(QStringLiteral("exitAction"));
    connect(m_exitAction, &QAction::triggered, qApp, &QCoreApplication::quit);

    m_trayMenu = new QMenu(this);
    m_trayMenu->addAction(m_launchAction);
    m_trayMenu->addAction(m_autoRunAction);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_exitAction);
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &BrenvarRGBFanController::iconActivated);
}

void BrenvarRGBFanController::updateAutoRunText()
{
    m_autoRunAction->setText(autoRunMark(m_state.isAutoRun) + kAutoRunText);
}

bool BrenvarRGBFanController::loadLanguage(int index)
{
    const char *code = languageCode(index);
    if (!code) {
        qCDebug(lcController) << "no translation for language index" << index;
        return false;
    }
    const QString file = m_state.resourcePrefix + QStringLiteral("Language/") + QLatin1String(code) + QStringLiteral(".qm");
    if (m_translation->load(file))
        return true;
    qCWarning(lcController) << "cannot load translation" << file;
    return false;
}

QString BrenvarRGBFanController::buildIpAddress() const
{
    QString result;
    const auto addresses = QNetworkInterface::allAddresses();
    for (const QHostAddress &address : addresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && address != QHostAddress(QHostAddress::LocalHost)) {
            qCDebug(lcController) << address.toString();
            result = QHostInfo::localHostName() + QLatin1Char(' ')
                     + QCoreApplication::translate("BrenvarRGBFanController", "IP Address") + QLatin1Char(':')
                     + address.toString();
        }
    }
    return result;
}

bool BrenvarRGBFanController::handleMessage(quint32 message, qint64 wParam, qint64 lParam)
{
    return m_core->handleMessage(message, wParam, lParam);
}

void BrenvarRGBFanController::shutDown()
{
    if (m_mainView)
        m_mainView->hide();
    if (m_alertView)
        m_alertView->hide();
    m_trayIcon->hide();
    m_core->shutDown();
}

void BrenvarRGBFanController::handleRequest(const QByteArray &line, std::function<void(const QByteArray &)> reply)
{
    m_core->handleRequest(line, std::move(reply));
}

void BrenvarRGBFanController::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick && m_mainView && m_mainView->isHidden())
        m_mainView->show();
}

XmlProfile BrenvarRGBFanController::getProfile(int profileCount) { return ::getProfile(profileCount); }
void BrenvarRGBFanController::updateCPUTemp() { m_core->cpuTemperature().updateCPUTemp(); }
void BrenvarRGBFanController::changeBox(int box) { m_core->boxes().changeBox(box); }
void BrenvarRGBFanController::setInfoMessage()
{
    m_core->cpuTemperature().setInfoMessage();
    for (const QString &line : StatusReport::stoppedFans(m_state))
        m_views.appendInfo(line);
}

void BrenvarRGBFanController::showStoppedFans()
{
    // A warning sign while any fan is stopped, and which ones in the tool tip.
    const QStringList stopped = StatusReport::stoppedFans(m_state);
    m_trayIcon->setIcon(stopped.isEmpty() ? windowIcon() : style()->standardIcon(QStyle::SP_MessageBoxWarning));
    m_trayIcon->setToolTip((QStringList{kTrayToolTip} + stopped).join(QLatin1Char('\n')));
}
void BrenvarRGBFanController::receiveMainData(QStringList list)
{
    // The editor is a window: the dispatcher (commands/) has none to open.
    if (!list.isEmpty() && list.first() == PanelCommand::editCurve)
        return m_curveEditing->open(m_state.controllerBoxNumber, PanelCommand::intArg(list, 1));
    m_dispatcher->receiveMainData(list);
}
void BrenvarRGBFanController::socketHelperReceiveData(QString data) { m_core->appCommands().socketHelperReceiveData(data); }

void BrenvarRGBFanController::receiveData(QString)
{
    if (m_mainView)
        m_mainView->setEnabled(true);
}

void BrenvarRGBFanController::showMainView()
{
    if (m_mainView && m_mainView->isHidden())
        m_mainView->show();
}

void BrenvarRGBFanController::trayIconAction()
{
    m_state.isAutoRun = !m_state.isAutoRun;
    updateAutoRunText();
    applyAutoRun();
    qCDebug(lcController) << "trayIconAction---isAutoRun:" << m_state.isAutoRun;
    m_core->store().saveDeviceSettings();
}

void BrenvarRGBFanController::applyAutoRun()
{
    if (m_emulatedBoxes)
        qCInfo(lcController) << "emulated boxes: the autostart entry is left as it is";
    else
        setAutoRun(*m_autoStart, m_state.isAutoRun, QCoreApplication::applicationFilePath());
}

void BrenvarRGBFanController::reapplyAfterResume() { m_core->reapplyAfterResume(); }

bool BrenvarRGBFanController::anyOtherWindowVisible() const
{
    const auto windows = QApplication::topLevelWidgets();
    for (const QWidget *w : windows) {
        if (w != this && w->isVisible() && !w->inherits("QMenu"))
            return true;
    }
    return false;
}

void BrenvarRGBFanController::closeController()
{
    // The program ends when its last visible window closes; the controller
    // window itself is never mapped, so that rule is applied here.
    m_controllerShown = false;
    m_views.setControllerShown(false);
    if (!anyOtherWindowVisible()) {
        qCInfo(lcController) << "controller window closed with no other window visible: quitting";
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

void BrenvarRGBFanController::closeEvent(QCloseEvent *event)
{
    // A close request only hides the controller window.
    event->ignore();
    m_controllerShown = false;
    m_views.setControllerShown(false);
}
