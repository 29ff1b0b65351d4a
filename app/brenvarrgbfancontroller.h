#pragma once

#include "app/controllercore.h"
#include "app/viewadapter.h"
#include "storage/xmlprofile.h"

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

struct ControllerState;
class PanelDispatcher;
class AutoStartStore;
class CurveEditing;
class QAction;
class QMenu;
class TranslationSwitch;

// The hidden controller window titled "Zaldo RGB": builds the windows and the
// tray around a ControllerCore in a fixed order and forwards its slots to the
// subsystems that do the work.
class BrenvarRGBFanController : public QMainWindow {
    Q_OBJECT
public:
    BrenvarRGBFanController(ControllerState &state, const ControllerSetup &setup);
    ~BrenvarRGBFanController() override;

    // A remote-control message (message number, wParam, lParam).
    bool handleMessage(quint32 message, qint64 wParam, qint64 lParam);
    void answerMessage(quint32 message, qint64 wParam, qint64 lParam, std::function<void(bool)> done)
    {
        m_core->answerMessage(message, wParam, lParam, std::move(done));
    }
    // See ControllerCore::shutDown; the windows go first.
    void shutDown();
    // A command-line request ("status", "set ...", "profile ...") and its answer line.
    void handleRequest(const QByteArray &line, std::function<void(const QByteArray &)> reply);

    MainView *mainView() const { return m_mainView; }
    AlertView *alertView() const { return m_alertView; }
    FanTimers &timers() { return m_core->timers(); }
    DesktopNotifier &notifier() { return m_core->notifier(); }
    WindowMessages &windowMessages() { return m_core->messages(); }

public Q_SLOTS:
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
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
    // The tray and its tool tip after a fan's alert or its end.
    void showStoppedFans();
    void buildTray();
    void updateAutoRunText();
    // Makes the autostart entry match the switch; never with emulated boxes.
    void applyAutoRun();
    void closeController();
    bool anyOtherWindowVisible() const;
    QString buildIpAddress() const;

    ControllerState &m_state;
    ViewAdapter m_views;
    // After the views it draws on; the windows go first (see the destructor).
    std::unique_ptr<ControllerCore> m_core;
    std::unique_ptr<PanelDispatcher> m_dispatcher;
    std::unique_ptr<CurveEditing> m_curveEditing;
    std::unique_ptr<AutoStartStore> m_autoStart;
    std::unique_ptr<TranslationSwitch> m_translation;
    QPointer<MainView> m_mainView;
    QPointer<AlertView> m_alertView;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_launchAction = nullptr;
    QAction *m_autoRunAction = nullptr;
    QAction *m_exitAction = nullptr;
    bool m_controllerShown = false;
    bool m_emulatedBoxes = false;
};
