#include "app/brenvarrgbfancontroller.h"
#include "core/controllerstate.h"
#include "app/devicewatch.h"
#include "app/options.h"
#include "app/remotecontrol.h"
#include "app/windowmessages.h"
#include "device/boxemulator.h"
#include "device/hidapitransport.h"
#include "storage/settingsstore.h"

#include <QApplication>
#include <QLoggingCategory>

#include <cstdio>
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
} // namespace

int main(int argc, char **argv)
{
    ProgramOptions options;
    QString error;
    if (!parseProgramOptions(rawArguments(argc, argv), &options, &error)) {
        std::fprintf(stderr, "brenvar-rgb-fan-controller: %s\n\n%s", qPrintable(error), qPrintable(programUsage()));
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

    // One line per report exchanged is only wanted when asked for.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("zaldo.device.hid.debug=false"));

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Bv"));
    // The tray keeps the program alive; it ends through Exit or message 0x8105.
    app.setQuitOnLastWindowClosed(false);

    // One copy per user: a second start shows the first copy's panel and exits.
    // Without a socket (it logs why) the program still runs, as the only copy.
    auto remote = std::make_unique<LocalSocketRemoteControl>();
    if (remote->listen(kWindowTitle) == RemoteControlTransport::ListenResult::OtherCopyRuns)
        return handOverToRunningCopy();

    std::unique_ptr<HidTransport> transport;
    if (options.emulate) {
        auto emulator = std::make_unique<BoxEmulator>();
        emulator->setRecording(false);
        if (!options.emulatedBoxFile.isEmpty())
            emulator->setBoxListFile(options.emulatedBoxFile);
        else
            emulator->setBoxes(options.emulatedBoxes);
        emulator->setStalledFans(options.stalledFans);
        emulator->setLatencyMicroseconds(options.latencyUs);
        for (int box : options.silentBoxes)
            emulator->setFault(box, BoxEmulator::Fault::NoReply);
        if (!options.tracePath.isEmpty())
            emulator->setTracePath(options.tracePath);
        transport = std::move(emulator);
    } else {
        transport = std::make_unique<HidapiTransport>();
    }

    ControllerState state;
    ControllerSetup setup;
    setup.transport = transport.get();
    setup.dataDirectory = SettingsStore::defaultDataDirectory();
    setup.companionEnabled = options.companionEnabled;
    setup.companionAddress = options.companionAddress;
    setup.updateUrl = options.updateUrl;
    setup.threadedIo = true;

    int result = 0;
    {
        BrenvarRGBFanController controller(state, setup);
        remote->setHandler([&controller](const RemoteMessage &m) {
            return controller.handleMessage(m.message, m.wParam, m.lParam);
        });

        UdevDeviceWatch deviceWatch;
        SleepWatch sleepWatch;
        if (!options.emulate) {
            deviceWatch.start();
            QObject::connect(&deviceWatch, &UdevDeviceWatch::deviceChanged, &controller, [&controller] {
                controller.handleMessage(WindowMessages::kDeviceChange, 0, 0);
            });
        }
        if (sleepWatch.start())
            QObject::connect(&sleepWatch, &SleepWatch::resumed, &controller,
                             &BrenvarRGBFanController::reapplyAfterResume);

        result = app.exec();
        remote->setHandler(nullptr);
    }
    // Handles close with the transport's devices at the end of main.
    state = ControllerState();
    return result;
}
