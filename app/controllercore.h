#pragma once

#include "app/windowmessages.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

struct ControllerState;
class HidTransport;
class DeviceLink;
class SettingsStore;
class FanTimers;
class BoxSelection;
class AppCommandHandler;
class CpuTemperature;
class SensorTable;
class UpdaterLauncher;
class AutoUpdate;
class SocketHelper;
class ViewSink;
class RemoteRequests;
class OpenRgbBridge;
class OpenRgbServer;
class DesktopNotifier;

// What main decides before the controller is built.
struct ControllerSetup {
    HidTransport *transport = nullptr;
    QString dataDirectory;                // settings files
    bool companionEnabled = true;
    QString companionAddress;             // empty: every interface
    // The OpenRGB SDK server's [ADDRESS:]PORT for this run; empty: as
    // Device.ini says (off unless its OpenRGB group names one).
    QString openRgbServer;
    QString updateUrl;                    // empty: the update checker's default
    // Box exchanges on a worker per box (the program); off, they run inline
    // on the GUI thread, which keeps tests deterministic.
    bool threadedIo = false;
    // The boxes are emulated: a try-out, which leaves the log-in autostart
    // entry as it is (it would start the program without --emulate).
    bool emulatedBoxes = false;
};

// Everything that works without windows: settings, the boxes, the phone-app
// server, the update check, the fans' timers, box selection, the remote-control messages
// and the CPU temperature pass. The controller window puts its panel, alert
// and tray between the start-up steps; without a display the program runs on
// this alone.
class ControllerCore : public QObject {
    Q_OBJECT
public:
    ControllerCore(ControllerState &state, const ControllerSetup &setup, ViewSink &views, QObject *parent = nullptr);
    ~ControllerCore() override;

    // Start-up, in this order.
    void loadSettings();
    void startUpdateCheck(std::function<void(const QString &)> showNote);
    // Opens the boxes and asks the selected one for its firmware; the views
    // get it when it answers.
    void connectBoxes(WindowMessages::Hooks hooks);
    // The selected box's firmware as the panel shows it ("1.0.0" until known).
    QString firmwareText() const { return m_firmware; }
    // Selects the first box, then starts the temperature pass and the RPM poll.
    void startWatching();

    bool handleMessage(quint32 message, qint64 wParam, qint64 lParam);
    // A remote sender's message: done(carried out) once the exchanges it
    // caused have run, false when a box did not answer them.
    void answerMessage(quint32 message, qint64 wParam, qint64 lParam, std::function<void(bool)> done);
    // A command-line request line; the answer line.
    void handleRequest(const QByteArray &line, std::function<void(const QByteArray &)> reply);
    // The way out, once the event loop has ended: the phone-app server
    // closes, the boxes run what is queued (a few seconds at most), the
    // answers that waited for them are given and the settings are written.
    void shutDown();
    // Boxes lose their settings while unpowered: reconnect and re-apply all.
    void reapplyAfterResume();
    // Null while the OpenRGB SDK server is off.
    OpenRgbServer *openRgbServer() const;

    DeviceLink &link() { return *m_link; }
    SettingsStore &store() { return *m_store; }
    FanTimers &timers() { return *m_timers; }
    BoxSelection &boxes() { return *m_boxes; }
    WindowMessages &messages() { return *m_messages; }
    CpuTemperature &cpuTemperature() { return *m_cpuTemperature; }
    AppCommandHandler &appCommands() { return *m_appCommands; }
    // Fan alerts on the desktop, with and without a window.
    DesktopNotifier &notifier() { return *m_notifier; }

private:
    void startOpenRgb();

    ControllerState &m_state;
    ControllerSetup m_setup;
    ViewSink &m_views;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<UpdaterLauncher> m_updaterLauncher;
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<FanTimers> m_timers;
    std::unique_ptr<BoxSelection> m_boxes;
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::unique_ptr<AppCommandHandler> m_appCommands;
    std::unique_ptr<WindowMessages> m_messages;
    std::unique_ptr<RemoteRequests> m_requests;
    std::unique_ptr<SensorTable> m_sensors;
    std::unique_ptr<CpuTemperature> m_cpuTemperature;
    QPointer<AutoUpdate> m_autoUpdate;
    QPointer<SocketHelper> m_socketHelper;
    std::unique_ptr<OpenRgbBridge> m_openRgbBridge;
    QPointer<OpenRgbServer> m_openRgb;
    QString m_firmware = QStringLiteral("1.0.0");
};
