#pragma once

#include "app/viewadapter.h"
#include "commands/sockethelper.h"
#include "storage/xmlprofile.h"
#include "update/autoupdate.h"

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

struct ControllerState;
class HidTransport;
class DeviceLink;
class SettingsStore;
class PeriodicTasks;
class PanelDispatcher;
class AppCommandHandler;
class CpuTemperature;
class SensorTable;
class UpdaterLauncher;
class AutoStartStore;
class WindowMessages;
class QAction;
class QMenu;
class TranslationSwitch;

// What main decides before the controller is built.
struct ControllerSetup {
    HidTransport *transport = nullptr;
    QString dataDirectory;                // settings files
    bool companionEnabled = true;
    QString companionAddress;             // empty: every interface
    QString updateUrl;                    // empty: the update checker's default
    // Box exchanges on a worker per box (the program); off, they run inline
    // on the GUI thread, which keeps tests deterministic.
    bool threadedIo = false;
};

// The hidden controller window titled "Zaldo RGB": builds everything in its
// fixed order and forwards its slots to the subsystems that do the work.
class BrenvarRGBFanController : public QMainWindow {
    Q_OBJECT
public:
    BrenvarRGBFanController(ControllerState &state, const ControllerSetup &setup);
    ~BrenvarRGBFanController() override;

    // A remote-control message (message number, wParam, lParam).
    bool handleMessage(quint32 message, qint64 wParam, qint64 lParam);

    MainView *mainView() const { return m_mainView; }
    AlertView *alertView() const { return m_alertView; }
    PeriodicTasks &tasks() { return *m_tasks; }
    WindowMessages &windowMessages() { return *m_messages; }

public Q_SLOTS:
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void updateSpeed();
    void sendBrightFan1();
    void sendBrightFan2();
    void sendBrightFan3();
    void controlRGBValue();
    XmlProfile getProfile(int profileCount);
    void updateCPUTemp();
    void changeBox(int box);
    void receiveData(QString data);
    void setInfoMessage();
    void trayIconAction();
    void receiveMainData(QStringList list);
    void socketHelperReceiveData(QString data);
    void showMainView();
    // Boxes lose their settings while unpowered: reconnect and re-apply all.
    void reapplyAfterResume();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool loadLanguage(int index);
    void buildTray();
    void updateAutoRunText();
    void closeController();
    bool anyOtherWindowVisible() const;
    QString buildIpAddress() const;

    ControllerState &m_state;
    ControllerSetup m_setup;
    ViewAdapter m_views;
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<PeriodicTasks> m_tasks;
    std::unique_ptr<PanelDispatcher> m_dispatcher;
    std::unique_ptr<AppCommandHandler> m_appCommands;
    std::unique_ptr<SensorTable> m_sensors;
    std::unique_ptr<CpuTemperature> m_cpuTemperature;
    std::unique_ptr<UpdaterLauncher> m_updaterLauncher;
    std::unique_ptr<AutoStartStore> m_autoStart;
    std::unique_ptr<WindowMessages> m_messages;
    std::unique_ptr<TranslationSwitch> m_translation;
    QPointer<AutoUpdate> m_autoUpdate;
    QPointer<SocketHelper> m_socketHelper;
    QPointer<MainView> m_mainView;
    QPointer<AlertView> m_alertView;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_launchAction = nullptr;
    QAction *m_autoRunAction = nullptr;
    QAction *m_exitAction = nullptr;
    bool m_controllerShown = false;
    QString m_firmware = QStringLiteral("1.0.0");  // until the selected box answers
};
