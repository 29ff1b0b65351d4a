#include "app/brenvarrgbfancontroller.h"
#include "app/controllercore.h"
#include "core/controllerstate.h"
#include "core/viewsink.h"
#include "app/devicewatch.h"
#include "app/options.h"
#include "app/remotecontrol.h"
#include "app/remoterequests.h"
#include "commands/statusreport.h"
#include "app/stopsignals.h"
#include "app/windowmessages.h"
#include "device/boxemulator.h"
#include "device/boxexecutor.h"
#include "device/hidapitransport.h"
#include "storage/settingsstore.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

#include <cstdio>
#include <cstdlib>
#include <memory>

Q_LOGGING_CATEGORY(lcMain, "zaldo.main")

namespace {
const QString kWindowTitle = QStringLiteral("Zaldo RGB");
constexpr int kSendTimeoutMs = 10000;

QStringList rawArguments(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

int sendMessage(int argc, char **argv, const ProgramOptions &options)
{
    QCoreApplication app(argc, argv);
    RemoteMessage m{options.message, options.wParam, options.lParam};
    QString error;
    if (!LocalSocketRemoteControl::send(kWindowTitle, m, kSendTimeoutMs, &error)) {
        std::fprintf(stderr, "brenvar-rgb-fan-controller: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

// What the copy answers to quit once it has agreed to end.
const QByteArray kQuitAnswer = R"({"quitting":true})";

// status, list, set, profile, quit: each request in turn; the last answer is printed.
int runVerb(int argc, char **argv, const ProgramOptions &options)
{
    QCoreApplication app(argc, argv);
    QByteArray reply;
    for (const QByteArray &line : options.requests) {
        QString error;
        if (!LocalSocketRemoteControl::request(kWindowTitle, line, kSendTimeoutMs, &reply, &error)) {
            std::fprintf(stderr, "brenvar-rgb-fan-controller: %s; start the program first "
                                 "(brenvar-rgb-fan-controller, or with --emulate 0 to try it without boxes)\n",
                         qPrintable(error));
            return 1;
        }
        if (!reply.startsWith('{')) {
            const bool refused = reply.startsWith("error: ");
            std::fprintf(stderr, "brenvar-rgb-fan-controller: %s\n", reply.mid(reply.indexOf(' ') + 1).constData());
            return refused ? 2 : 1;
        }
    }
    QJsonObject answer = QJsonDocument::fromJson(reply).object();
    if (options.verb == QLatin1String("list"))
        answer = StatusReport::boxesOnly(answer);
    if (options.json)
        std::printf("%s\n", QJsonDocument(answer).toJson(QJsonDocument::Compact).constData());
    else
        std::fputs(StatusReport::describe(answer).toUtf8().constData(), stdout);
    return 0;
}

int handOverToRunningCopy()
{
    QString error;
    // The running copy may have taken its lock a moment ago and not listen yet.
    if (LocalSocketRemoteControl::send(kWindowTitle, RemoteMessage{RemoteMsg::showPanel, 1, 1}, kSendTimeoutMs, &error,
                                       kSendTimeoutMs))
        return 0;
    std::fprintf(stderr, "brenvar-rgb-fan-controller: %s\n", qPrintable(error));
    return 1;
}

// Diagnostics (report bytes, request bodies, start-up steps) are debug output,
// shown with --verbose or as QT_LOGGING_RULES asks.
void setLogRules(bool verbose)
{
    if (!qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        return;
    // One line per report exchanged is only wanted when asked for by name.
    QLoggingCategory::setFilterRules(verbose ? QStringLiteral("zaldo.device.hid.debug=false")
                                             : QStringLiteral("zaldo.*.debug=false"));
}

// Without a display (a service, a remote shell) there are no windows and no tray.
bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Qt 5 tries X11 unless told otherwise; a Wayland session without Xwayland has none.
void preferWaylandWithoutX()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "wayland");
}

std::unique_ptr<HidTransport> makeTransport(const ProgramOptions &options)
{
    if (!options.emulate)
        return std::make_unique<HidapiTransport>();
    auto emulator = std::make_unique<BoxEmulator>();
    emulator->setRecording(false);
    if (!options.emulatedBoxFile.isEmpty())
        emulator->setBoxListFile(options.emulatedBoxFile);
    else
        emulator->setBoxes(options.emulatedBoxes);
    emulator->setStalledFans(options.stalledFans);
    emulator->addFanEvents(options.fanEvents);
    if (options.slowBoxes.isEmpty())
        emulator->setLatencyMicroseconds(options.latencyUs);
    for (int box : options.slowBoxes)
        emulator->setLatencyMicroseconds(options.latencyUs, box);
    for (int box : options.silentBoxes)
        emulator->setFault(box, BoxEmulator::Fault::NoReply);
    if (!options.tracePath.isEmpty())
        emulator->setTracePath(options.tracePath);
    return emulator;
}

// Runs the event loop with remote control, plug and resume reaching the
// controller; however the loop ends (Exit, 0x8105, a stop signal), the way
// out is the same.
template <typename Controller>
int serve(Controller &controller, LocalSocketRemoteControl &remote, bool watchDevices)
{
    remote.setHandler([&controller](const RemoteMessage &m, std::function<void(bool)> done) {
        controller.answerMessage(m.message, m.wParam, m.lParam, std::move(done));
    });
    remote.setMessageTable(&WindowMessages::knows);
    remote.setRequestHandler([&controller](const QByteArray &line, RemoteControlTransport::Reply reply) {
        if (line != "quit") {
            controller.handleRequest(line, std::move(reply));
            return;
        }
        // The tray's Exit: agreed at once, the answer written before the loop ends.
        reply(kQuitAnswer);
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    });
    UdevDeviceWatch deviceWatch;
    SleepWatch sleepWatch;
    if (watchDevices) {
        deviceWatch.start();
        QObject::connect(&deviceWatch, &UdevDeviceWatch::deviceChanged, &controller, [&controller] {
            controller.handleMessage(WindowMessages::kDeviceChange, 0, 0);
        });
    }
    if (sleepWatch.start())
        QObject::connect(&sleepWatch, &SleepWatch::resumed, &controller, [&controller] { controller.reapplyAfterResume(); });
    const int result = QCoreApplication::exec();
    remote.setHandler(nullptr);
    remote.setRequestHandler(nullptr);
    controller.shutDown();
    return result;
}

// The boxes, profiles, temperature curve, stopped-fan watch, phone app and
// remote control, with nothing drawn: stopped fans and box changes are logged
// where they are found.
int serveWithoutWindows(ControllerState &state, const ControllerSetup &setup, LocalSocketRemoteControl &remote,
                        bool watchDevices)
{
    qCInfo(lcMain) << "no display: running without windows and tray";
    NullViewSink views;
    ControllerCore core(state, setup, views);
    WindowMessages::Hooks hooks;
    hooks.showPanelAndTray = [](bool show) {
        if (show)
            qCInfo(lcMain) << "no display: there is no panel to show";
    };
    // No window is ever shown, so closing the controller ends the program.
    hooks.closeController = [] {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    };
    core.loadSettings();
    core.startUpdateCheck([](const QString &note) { qCInfo(lcMain).noquote() << "update note:" << note; });
    core.connectBoxes(hooks);
    core.startWatching();
    return serve(core, remote, watchDevices);
}
} // namespace

int main(int argc, char **argv)
{
    ProgramOptions options;
    QString error;
    if (!parseProgramOptions(rawArguments(argc, argv), &options, &error)) {
        // One line naming what was wrong; --help has the rest.
        std::fprintf(stderr, "brenvar-rgb-fan-controller: %s\n", qPrintable(error));
        return 2;
    }
    if (options.showHelp) {
        std::fputs(qPrintable(programUsage()), stdout);
        return 0;
    }
    if (options.showVersion) {
        std::printf("brenvar-rgb-fan-controller %s\n", ZALDO_SOFTWARE_VERSION);
        return 0;
    }
    if (options.send)
        return sendMessage(argc, argv, options);
    if (!options.verb.isEmpty())
        return runVerb(argc, argv, options);

    setLogRules(options.verbose);
    const bool withWindows = hasDisplay();
    preferWaylandWithoutX();
    std::unique_ptr<QCoreApplication> app;
    if (withWindows) {
        app = std::make_unique<QApplication>(argc, argv);
        // The tray keeps the program alive; it ends through Exit or message 0x8105.
        QApplication::setQuitOnLastWindowClosed(false);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Bv"));

    // One copy per user: a second start shows the first copy's panel and exits.
    // Without a socket (it logs why) the program still runs, as the only copy;
    // without a lock it cannot know it is, and two copies would fight over the boxes.
    auto remote = std::make_unique<LocalSocketRemoteControl>();
    const RemoteControlTransport::ListenResult listened = remote->listen(kWindowTitle);
    if (listened == RemoteControlTransport::ListenResult::OtherCopyRuns)
        return handOverToRunningCopy();
    if (listened == RemoteControlTransport::ListenResult::NoLock) {
        std::fprintf(stderr, "brenvar-rgb-fan-controller: not starting: no folder takes the lock that keeps this "
                             "the only copy, and two copies would drive the same boxes (the lines above say why)\n");
        return 1;
    }

    // From here a stop signal takes the tray's way out, even during start-up.
    StopSignals stopSignals;
    if (stopSignals.install())
        QObject::connect(&stopSignals, &StopSignals::stopRequested, app.get(), &QCoreApplication::quit);

    const std::unique_ptr<HidTransport> transport = makeTransport(options);
    ControllerState state;
    ControllerSetup setup;
    setup.transport = transport.get();
    setup.dataDirectory = SettingsStore::defaultDataDirectory();
    // Saves killed midway leave work files behind; those of a running save stay.
    SettingsStore::removeSaveLeftovers(setup.dataDirectory);
    setup.companionEnabled = options.companionEnabled;
    setup.companionAddress = options.companionAddress;
    if (!options.openRgbAddress.isEmpty())
        setup.openRgbServer = QStringLiteral("[%1]:%2").arg(options.openRgbAddress).arg(options.openRgbPort);
    setup.updateUrl = options.updateUrl;
    setup.threadedIo = !options.inlineIo;
    setup.emulatedBoxes = options.emulate;

    int result = 0;
    if (withWindows) {
        BrenvarRGBFanController controller(state, setup);
        result = serve(controller, *remote, !options.emulate);
    } else {
        result = serveWithoutWindows(state, setup, *remote, !options.emulate);
    }
    // Handles close with the transport's devices at the end of main.
    for (ControllerBox &box : state.boxArray)
        box.hidHandle.reset();
    remote.reset();  // the lock and the socket
    if (ThreadedExecutor::workersLeftBehind() > 0) {
        // A box worker is still inside an exchange: its device and transport
        // must not be freed under it, so the process ends here.
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}
