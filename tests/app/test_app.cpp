// The whole controller as start-up builds it, against emulated boxes 0 and 2;
// the autostart entry; remote-control messages: how their numbers reach the fan
// rules, and the rules in which they differ from the panel (tests/commands).
#include "app/autostart.h"
#include "app/brenvarrgbfancontroller.h"
#include "app/options.h"
#include "app/remotecontrol.h"
#include "app/remoterequests.h"
#include "app/windowmessages.h"
#include "commands/desktopnotifier.h"
#include "commands/statusreport.h"
#include "common/coreharness.h"
#include "core/boxmodel.h"
#include "ui/alertview.h"
#include "ui/mainview.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLocalSocket>
#include <QPushButton>

// A request's answer, once the boxes have run what it sent.
static QByteArray ask(RemoteRequests &requests, const QByteArray &line)
{
    QByteArray got;
    requests.answer(line, [&got](const QByteArray &a) { got = a; });
    [&] { QTRY_VERIFY(!got.isEmpty()); }();
    return got;
}

class TestApp : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<BoxEmulator> emu;
    std::unique_ptr<ControllerState> state;
    std::unique_ptr<BrenvarRGBFanController> controller;
    std::unique_ptr<CoreHarness> h;
    std::unique_ptr<WindowMessages> messages;
    QList<bool> shown;
    int closes = 0, hides = 0;

    bool handle(uint message, qint64 w, qint64 l) { return messages->handle(message, w, l); }

    void messageRig()
    {
        h = std::make_unique<CoreHarness>(QList<int>{0, 2});
        shown.clear();
        closes = hides = 0;
        WindowMessages::Hooks hooks;
        hooks.showPanelAndTray = [this](bool s) { shown << s; };
        hooks.closeController = [this] { ++closes; };
        hooks.hideController = [this] { ++hides; };
        messages = std::make_unique<WindowMessages>(h->state, h->link, *h->store, *h->selection, h->views, hooks);
    }

    QString autostartEntry() const
    {
        return dir->path() + "/config/autostart/Brenvar RGB Fan Controller.desktop";
    }
    void build(const QList<QPair<int, int>> &stalled = {}, bool emulated = false)
    {
        emu = std::make_unique<BoxEmulator>();
        emu->setBoxes({0, 2});
        emu->setStalledFans(stalled);
        state = std::make_unique<ControllerState>();
        ControllerSetup setup;
        setup.transport = emu.get();
        setup.dataDirectory = dir->path() + "/config/Bv/RGBZaldo";
        setup.companionEnabled = false;
        setup.updateUrl = QStringLiteral("http://127.0.0.1:9");
        setup.emulatedBoxes = emulated;
        controller = std::make_unique<BrenvarRGBFanController>(*state, setup);
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", (dir->path() + "/config").toLocal8Bit());
        qputenv("ZALDO_HWMON_ROOT", (dir->path() + "/no-hwmon").toLocal8Bit());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");  // no notification service
    }
    void cleanup()
    {
        controller.reset();
        state.reset();
        emu.reset();
        messages.reset();
        h.reset();
    }

    void startUpSelectsFirstBoxAndShowsPanel()
    {
        build();
        QCOMPARE(state->controllerBoxNumber, 0);
        QCOMPARE(state->checkControllerStr, QString("1010000000000000"));
        QVERIFY(controller->mainView()->isVisible());
        QVERIFY(controller->alertView()->isHidden());
        QVERIFY(controller->timers().rpmTimer().isActive());
        QVERIFY(QFile::exists(dir->path() + "/config/Bv/RGBZaldo/Device.ini"));
        QVERIFY(QFile::exists(autostartEntry()));  // the stored switch is on by default
    }

    void stoppedFanRaisesAlertAndOkReenablesPanel()
    {
        build({{2, 1}});
        qint64 now = 0;
        controller->timers().setClock([&now] { return now; });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Fan stopped: Box 3, Fan 2: last \\d+ RPM$"));
        for (; now <= 7000; now += 1000)  // a warm-up and a kick first
            controller->timers().pollRpm();
        QVERIFY(controller->alertView()->isVisible());
        QVERIFY(!controller->mainView()->isEnabled());
        QVERIFY(state->boxArray[2].fans[1].alertShown);
        auto *tray = controller->findChild<QSystemTrayIcon *>();
        QCOMPARE(tray->toolTip(), "Zaldo RGB Radiator Fan\nBox 3, Fan 2 stopped");
        const auto labels = controller->alertView()->findChildren<QLabel *>();
        bool found = false;
        for (QLabel *l : labels)
            found |= l->text() == QLatin1String("Controller No. 3  Fan No. 2");
        QVERIFY(found);

        auto *ok = controller->alertView()->findChild<QPushButton *>("btn_fanAlertOK");
        QVERIFY(ok);
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(controller->alertView()->isHidden());
        QVERIFY(controller->mainView()->isEnabled());

        // Raised once until the fan runs again.
        controller->timers().pollRpm();
        QVERIFY(controller->alertView()->isHidden());
        emu->setStalledFans({});
        for (const qint64 end = now + 2000; now <= end; now += 1000)
            controller->timers().pollRpm();
        QCOMPARE(tray->toolTip(), "Zaldo RGB Radiator Fan");
        // A click on the notification shows the panel.
        controller->mainView()->hide();
        emit controller->notifier().showPanelRequested();
        QVERIFY(controller->mainView()->isVisible());
    }

    void resumeReappliesEveryConnectedBox()
    {
        build();
        emu->clearSentReports();
        controller->reapplyAfterResume();
        const QStringList lines = emu->traceLines();
        for (int box : {0, 2})
            for (int port = 1; port <= 3; ++port)
                QVERIFY2(lines.contains(QStringLiteral("%1 32 52 %2 00 ff 00 00 00").arg(box).arg(port, 2, 10, QChar('0'))),
                         qPrintable(lines.join('\n')));
        QVERIFY(!lines.join('\n').contains(QRegularExpression("^1 ", QRegularExpression::MultilineOption)));
    }

    void panelCommandsReachTheBox()
    {
        build();
        emu->clearSentReports();
        Q_EMIT controller->mainView()->sendData({"Palette", "1", "0", "0", "255"});
        QCOMPARE(state->boxArray[0].fans[1].colour.blue, 255);
        QVERIFY(emu->traceLines().contains("0 32 52 02 00 00 00 ff 00"));
    }

    // The autostart entry after switching, from what was in the folder: the
    // command read back ("" none that starts anything) and whether a file is left.
    void autostartSwitching()
    {
        const QString program = QStringLiteral("/opt/my apps/brenvar-rgb-fan-controller");
        const QByteArray ours = "Exec=\"/opt/my apps/brenvar-rgb-fan-controller\"\n";
        const QList<std::tuple<QByteArray, bool, QString, bool>> rows{
            {"", true, program, true}, {ours, false, "", false},
            // An older copy of ours elsewhere still starts us: left alone.
            {"Exec=/old/place/brenvar-rgb-fan-controller\n", true, "/old/place/brenvar-rgb-fan-controller", true},
            {"Exec=/usr/bin/other --flag\n", false, "/usr/bin/other", true},
            {"Exec=/usr/bin/other --flag\n", true, program, true},
            // The desktop's own switches for an entry: such an entry starts nothing.
            {ours + "Hidden=true\n", true, program, true}, {ours + "X-GNOME-Autostart-enabled=false\n", true, program, true}};
        for (const auto &[before, on, command, exists] : rows) {
            QTemporaryDir home;
            XdgAutoStartStore store(home.path());
            QCOMPARE(store.entryPath(), home.path() + "/autostart/Brenvar RGB Fan Controller.desktop");
            QDir().mkpath(home.path() + "/autostart");
            QFile f(store.entryPath());
            if (!before.isEmpty()) {
                QVERIFY(f.open(QIODevice::WriteOnly) && f.write("[Desktop Entry]\nType=Application\n" + before) > 0);
                f.close();
            }
            setAutoRun(store, on, program);
            QString got;
            QCOMPARE(store.read(&got), !command.isEmpty());
            QVERIFY(got == command && f.exists() == exists);
            if (on && command == program) {
                QVERIFY(f.open(QIODevice::ReadOnly));
                const QByteArray text = f.readAll();
                QVERIFY(text.startsWith("[Desktop Entry]\n") && text.contains("Exec=\"" + program.toUtf8() + "\"\n"));
                QVERIFY(text.contains("X-GNOME-Autostart-enabled=true\n") && !text.contains("Hidden=true"));
            }
        }
    }

    // A try-out with emulated boxes leaves the entry as it is, at start and from the tray.
    void emulatedRunLeavesAutostartAlone()
    {
        const QByteArray other = "[Desktop Entry]\nExec=/usr/bin/other\n";
        QFile f(autostartEntry());
        QVERIFY(QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) && f.write(other) > 0);
        f.close();
        build({}, true);
        controller->trayIconAction();
        controller->trayIconAction();
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), other);
    }

    void windowAndSwitches()
    {
        messageRig();
        QVERIFY(!handle(0x8100, 1, 1) && !handle(0x811A, 1, 1) && !handle(0x000F, 1, 1));
        QVERIFY(handle(0x8101, 1, 1) && handle(0x8101, 0, 0));
        QCOMPARE(shown, (QList<bool>{true, false}));
        QVERIFY(handle(0x8105, 0, 0) && closes == 0 && handle(0x8105, 1, 0) && closes == 1);
        QVERIFY(handle(WindowMessages::kClose, 0, 0) && hides == 1);
        QVERIFY(handle(0x8102, 0, 0) && handle(0x8103, 1, 0) && handle(0x8104, 123, 0) && handle(0x8104, 123456, 0));
        QCOMPARE((QStringList{h->deviceKey("Main/AutoUpdate"), h->deviceKey("Main/OpenPassword"), h->deviceKey("Main/Password")}),
                 (QStringList{"0", "1", "0123"}));
        QVERIFY(handle(0x8106, 2, 0) && handle(0x8106, 16, 0));
        QCOMPARE(h->state.controllerBoxNumber, 2);
        QVERIFY(WindowMessages::knows(0x0219) && WindowMessages::knows(0x8119) && WindowMessages::knows(0x8110));
        QVERIFY(!WindowMessages::knows(0x810A) && !WindowMessages::knows(0x811A) && !WindowMessages::knows(0x9999));
    }

    // wParam is the value, lParam the fan. Fan 1 of box 0 starts at (40, 80,
    // 120), half bright, level 2 with PWM off, in the given lighting mode and off
    // switch; after: "mode off r g b bright level speed-mode" and the reports.
    // The panel is redrawn after every fan message.
    void fanMessages()
    {
        const QString dim = steady(0, 1, 20, 40, 60), dimFlash = flash(0, 1, 20, 40, 60);
        const QList<std::tuple<uint, qint64, int, bool, QString, QStringList>> rows{
            {0x8109, 0, 0, false, "0 0 40 80 120 0.5 5 2", {speed(0, 1, 100)}},
            {0x8110, 0, 0, false, "0 0 40 80 120 0.5 0 1", {speed(0, 1, 10)}},
            {0x8112, 3, 0, false, "0 0 40 80 120 0.5 3 0", {speed(0, 1, 60)}},
            {0x8113, 1, 0, true, "1 0 40 80 120 0.5 2 0", {cycle(0, 1)}},
            {0x8114, 1, 0, true, "2 0 40 80 120 0.5 2 0", {dimFlash}},
            {0x8114, 0, 2, false, "0 0 40 80 120 0.5 2 0", {dim}},
            {0x8115, 1, 2, false, "2 1 40 80 120 0.5 2 0", {steady(0, 1, 0, 0, 0)}},
            {0x8115, 0, 2, true, "2 0 40 80 120 0.5 2 0", {dimFlash}},
            {0x8116, 0, 2, true, "0 0 255 0 0 1 2 0", {steady(0, 1, 255, 0, 0)}},  // fan 0's lighting
            {0x8117, 25, 2, false, "2 0 40 80 120 0.25 2 0", {flash(0, 1, 10, 20, 30)}},
            {0x8117, 25, 0, false, "0 0 40 80 120 0.25 2 0", {steady(0, 1, 10, 20, 30)}},
            // Ignored while cycling or switched off.
            {0x8117, 25, 1, false, "1 0 40 80 120 0.5 2 0", {}}, {0x8117, 25, 0, true, "0 1 40 80 120 0.5 2 0", {}},
            {0x8118, 0xFF00, 1, false, "0 0 0 255 0 0.5 2 0", {steady(0, 1, 0, 127, 0)}},
            {0x8118, 0x302010, 1, true, "0 1 16 32 48 0.5 2 0", {}}};  // stored; the LEDs stay off
        for (const auto &[message, w, mode, off, after, reports] : rows) {
            messageRig();
            ControllerBox &b = h->box(0);
            h->paint(0, 1, 40, 80, 120);
            std::tie(b.fans[1].brightness, b.fans[1].speedLevel, b.fans[1].speedMode) = std::tuple(0.5f, 2, 0);
            b.fans[1].source = SpeedSource::fixed();
            setMode(b.fans[1].lighting, mode);
            b.fans[1].ledsOff = off;
            QVERIFY(handle(message, w, 1));
            QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8").arg(int(b.fans[1].lighting)).arg(int(b.fans[1].ledsOff))
                         .arg(b.fans[1].colour.red).arg(b.fans[1].colour.green).arg(b.fans[1].colour.blue).arg(double(b.fans[1].brightness))
                         .arg(b.fans[1].speedLevel).arg(b.fans[1].speedMode), after);
            QCOMPARE(h->reports(), reports);
            QCOMPARE(h->views.calls.filter("setTurnOff("), QStringList{QStringLiteral("setTurnOff(%1,1)").arg(int(b.fans[1].ledsOff))});  // fan 1 redrawn
        }
    }

    // 0x8107 loads profile p + 1 into the selected box and redraws; 0x8108 shows
    // and saves the alarm switch; 0x8119 answers 0 when the profile cannot be written.
    void profileAndAlarmMessages()
    {
        messageRig();
        h->box(0).fans[2].colour.red = 9;
        QVERIFY(handle(0x8107, 2, 0));
        QCOMPARE(h->state.currentProfile, 3);
        QCOMPARE(h->box(0).fans[2].colour.red, 255);  // no file yet: the defaults
        QCOMPARE(h->reports(), (QStringList{steady(0, 0, 255, 0, 0), steady(0, 1, 255, 0, 0), steady(0, 2, 255, 0, 0)}));
        QCOMPARE(h->views.count("setProfile(3)"), 1);
        h->clear();
        QVERIFY(handle(0x8108, 0, 2));
        QVERIFY(h->views.calls.contains("setFanMonitor(2,0)"));  // the panel redrawn
        QCOMPARE(h->deviceKey("Device0/Monitor"), QStringLiteral("1,1,0"));
        QVERIFY(QDir().mkpath(h->store->profileFilePath(3)));  // a folder where the file goes
        h->clear();
        QVERIFY(!handle(0x8119, 0, 0));
        QCOMPARE(h->reports(), QStringList{});  // nothing reloaded or stored in the box
    }

    // Fans outside 0..2, levels outside 0..5 and brightness above 100 are ignored.
    void fanMessagesOutOfRange()
    {
        messageRig();
        for (uint m : {0x8108u, 0x8112u, 0x8118u})
            QVERIFY(handle(m, 1, 3) && handle(m, 1, -1));
        QVERIFY(handle(0x8112, 6, 0) && handle(0x8117, 101, 0));
        QVERIFY(h->reports().isEmpty());
    }

    // One connection's bytes, all answers read back (a pattern) and fan 1's
    // speed level after: a line is taken or refused whole, extra lines refused.
    // A model with four ports (a test-only table row) as box 3: its fourth fan
    // takes colour, speed, the alarm, a profile save and load, and the status.
    void fourPortBox()
    {
        const ScopedTestBoxModel four(BoxModel{productIdForBox(2), 4});
        CoreHarness rig({0, 2});
        RemoteRequests requests(rig.state, rig.link, *rig.store, *rig.selection);
        const auto ask = [&](const QByteArray &line) { return ::ask(requests, line); };
        rig.state.controllerBoxNumber = 2;
        ask("set 3 4 color 102030");
        ask("set 3 4 speed 2");
        QCOMPARE(rig.reports(), (QStringList{steady(2, 3, 0x10, 0x20, 0x30), speed(2, 3, 40)}));
        QCOMPARE(ask("set 3 5 speed 2"), QByteArray("error: box 1-16 and fan 1-4 expected"));
        QCOMPARE(ask("set 1 4 speed 2"), QByteArray("error: box 1-16 and fan 1-3 expected"));
        QVERIFY(ask("profile save").startsWith('{'));
        QCOMPARE(rig.emu.savedFanState(2, 3).speedPercent, 40);
        QCOMPARE(QSettings(rig.store->profileFilePath(1), QSettings::IniFormat).value("Fan3/Speed").toString(), "2");
        ask("set 3 4 color FFFFFF");
        ask("profile load 1");
        QCOMPARE(rig.box(2).fan(3).colour.green, 0x20);
        rig.emu.setStalledFans({{2, 3}});
        QSignalSpy stopped(&rig.state.events, &ModelEvents::fanStopped);
        for (; rig.now <= 7000; rig.now += 1000)
            rig.timers.pollRpm();
        QTRY_COMPARE(stopped.count(), 1);
        QCOMPARE(stopped.at(0), (QVariantList{2, 3}));
        const QJsonArray boxes = QJsonDocument::fromJson(ask("status")).object().value("boxes").toArray();
        const QJsonArray fans = boxes.at(1).toObject().value("fans").toArray();
        QCOMPARE(fans.size(), 4);
        QCOMPARE(fans.at(3).toObject().value("color").toString(), QStringLiteral("102030"));
        QVERIFY(fans.at(3).toObject().value("stopped").toBool());
        const QJsonObject fan = QJsonDocument::fromJson((ask("set 3 4 kick off"), ask("set 3 4 min-rpm 300"))).object();
        QCOMPARE(QList<QJsonValue>({fan["kick"], fan["minRpm"]}), QList<QJsonValue>({false, 300}));
        QVERIFY(StatusReport::describe(fan).endsWith(", no kick, minimum 300 RPM\n"));
        QCOMPARE(boxes.at(0).toObject().value("fans").toArray().size(), 3);
    }

    // The running copy's curve requests, in turn: the fan's source, sensor, curve and sensor state after each, or the error.
    void curveRequests()
    {
        CoreHarness rig({0});
        RemoteRequests requests(rig.state, rig.link, *rig.store, *rig.selection);
        rig.state.sensors = {{"coretemp/Core 0", "coretemp Core 0", "hwmon", 52.1, "lost"}};
        const QString gone = "curve|gone|30:20,50:40;sensor=gone|never read";
        const QList<QPair<QByteArray, QString>> rows{
            {"set 1 1 curve 30:20,50:40;sensor=coretemp/Core%200", "curve|coretemp/Core 0|30:20,50:40;sensor=coretemp/Core 0|lost"},
            {"set 1 1 curve 30:20,20:40", "error: curve: point \"20:40\": temperatures must rise"},
            {"set 1 1 curve 30:20,50:40;sensor=gone", gone}, {"set 1 1 speed 2", "fixed|||"}, {"set 1 1 speed curve", gone},
            {"set 1 1 curve default", "curve|cpu||never read"}};
        for (const auto &[line, expected] : rows) {
            const QByteArray got = ask(requests, line);
            const QJsonObject f = QJsonDocument::fromJson(got).object();
            const QStringList shown{f["source"].toString(), f["sensor"].toString(), f["curve"].toString(), f["sensorState"].toString()};
            QVERIFY2(got.startsWith("error") ? got.startsWith(expected.toUtf8()) : shown.join('|') == expected, got);
        }
        QCOMPARE(StatusReport::describe(QJsonDocument::fromJson(ask(requests, "sensors")).object()),
                 QString("coretemp/Core 0: 52.1 °C, lost, coretemp Core 0 (hwmon)\n"));
        ask(requests, "set 1 1 curve 30:20,50:40;sensor=coretemp/Core%200");
        QVERIFY(StatusReport::describe(StatusReport::fan(rig.state, 0, 0)).contains("curve of coretemp/Core 0 (52.1 °C, sensor lost, 40 % sent)"));
    }

    void requestLines()
    {
        messageRig();
        RemoteRequests requests(h->state, h->link, *h->store, *h->selection);
        LocalSocketRemoteControl server;
        QCOMPARE(server.listen("Zaldo lines"), RemoteControlTransport::ListenResult::Listening);
        server.setRequestHandler([&](const QByteArray &l, RemoteControlTransport::Reply r) { requests.answer(l, r); });
        server.setHandler([](const RemoteMessage &, auto done) { done(true); });
        server.setMessageTable(&WindowMessages::knows);
        const QByteArray zeros(kMaxRequestLength, '0');
        const QList<std::tuple<QByteArray, QString, int>> rows{
            {"set 1 1 speed " + QByteArray(67, '0') + "5\n", "\\{.*\"speedLevel\":5.*\n", 5},
            {"set 1 1 speed " + zeros + "5\n", "error: request too long\n", 2},
            {QByteArray("set 1 1 speed 5\0 x\n", 19), "error: request contains a NUL byte\n", 2},
            {"status\nset 1 1 speed 5\n", "\\{.*\nerror: .+\n", 2}, {"33025 1 1\n", "1\n", 2},
            {QByteArray("33025 1 1\0\n", 11), "error\n", 2}, {"33025 1 1\nstatus\n", "1\nerror\n", 2},
            {"39321 0 0\n", "0\nunknown\n", 2}, {"profile load 2 3\n", "\\{.*\n", 2}};
        for (const auto &[bytes, answers, level] : rows) {
            h->box(0).fans[0].speedLevel = 2;
            QByteArray got;
            std::unique_ptr<QThread> sender(QThread::create([&got, bytes = bytes] {
                QLocalSocket s;
                s.connectToServer(LocalSocketRemoteControl::socketPath("Zaldo lines"));
                s.write(bytes);
                for (bool more = s.waitForConnected(2000); more; more = s.waitForReadyRead(2000))
                    got += s.readAll();
                got += s.readAll() + (s.state() == QLocalSocket::ConnectedState ? "left open" : "");
            }));
            sender->start();
            QTRY_VERIFY(sender->wait(0));
            QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(answers)).match(got).hasMatch(), got);
            QCOMPARE(h->box(0).fans[0].speedLevel, level);
        }
        // The command line refuses what the running copy would.
        for (const auto &[speed, message] : QList<QPair<QString, QString>>{
                 {zeros + "5", "request too long"}, {"5\n", "request contains a line break"}}) {
            ProgramOptions o;
            QString error;
            QVERIFY(!parseProgramOptions({"set", "--box", "1", "--fan", "1", "--speed", speed}, &o, &error));
            QCOMPARE(error, message);
        }
    }

    // What the command line sends for a verb ("|" between lines), or that it
    // refuses it ("error"; the unknown option's one line in full).
    void commandLines()
    {
        const QStringList set{"set", "--box", "1", "--fan", "1", "--color"}, curve{"set", "--box", "1", "--fan", "1", "--curve"};
        const QList<QPair<QStringList, QString>> rows{
            {{"quit"}, "quit"}, {{"list", "--json"}, "status"}, {set + QStringList{"ff8000"}, "set 1 1 color FF8000"},
            {set + QStringList{"#00ff80"}, "set 1 1 color 00FF80"}, {set + QStringList{"teal"}, "set 1 1 color 008080"},
            {set + QStringList{"#0f8"}, "error"}, {set + QStringList{"#ff00ff80"}, "error"},
            {set + QStringList{"transparent"}, "error"}, {set + QStringList{"00ff8"}, "error"},
            {{"profile", "load", "2", "--box", "3"}, "profile load 2 3"}, {{"profile", "load", "2"}, "profile load 2"},
            {{"profile", "load", "2", "--box", "17"}, "error"},
            {{"set", "--box", "2", "--fan", "3", "--min-rpm", "300", "--kick", "off"}, "set 2 3 min-rpm 300|set 2 3 kick off"},
            {{"set", "--box", "2", "--fan", "3", "--min-rpm", "-1"}, "error"}, {{"set", "--box", "2", "--fan", "3", "--kick", "no"}, "error"}, {{"profile", "save", "--box", "3"}, "error"},
            {{"status", "--box"}, "error"}, {{"--io-inline"}, ""},
            {{"--emulate", "0", "--emulate-stall", "2.1@10", "--emulate-recover", "2.1@20.5"}, ""},
            {{"--emulate", "0", "--emulate-recover", "2.3@1"}, "--emulate-recover: fan \"3\" in \"2.3@1\" is not 0-2"},
            {{"--emulate", "0", "--emulate-stall", "1.1@1,2.1"}, "--emulate-stall: \"2.1\" is not box.fan@seconds"},
            {{"--emulate", "0", "--emulate-stall", "2.1@-1"}, "--emulate-stall: \"-1\" in \"2.1@-1\" is not a number of seconds"},
            {{"--emulate-stall", "2.1@10"}, "--emulate-stall and --emulate-recover need --emulate"},
            {{"--frobnicate"}, "unknown option \"--frobnicate\" (see --help)"}, {{"sensors", "--json"}, "sensors"},
            {curve + QStringList{"30:20,50:40", "--sensor", "coretemp/Core 0", "--hysteresis", "3", "--min", "10"},
             "set 1 1 curve 30:20,50:40;sensor=coretemp/Core%200;hysteresis=3;min=10"},
            {curve + QStringList{"default"}, "set 1 1 curve default"}, {curve + QStringList{"default", "--min", "5"}, "error"},
            {curve + QStringList{"30:20,20:40"}, "--curve: point \"20:40\": temperatures must rise (the point before is at 30 °C)"},
            {{"set", "--box", "1", "--fan", "1", "--sensor", "cpu"}, "error"},
            {{"sensors", "--add-file", "coolant", "/run/cool ant"}, "sensors add coolant file:/run/cool%20ant|sensors"},
            {{"sensors", "--add-mix", "hot", "weighted", "k10temp/Tctl*2,nvme#2/Composite", "--remove", "old", "--json"},
             "sensors add hot weighted:k10temp/Tctl*2,nvme#2/Composite*1|sensors remove old|sensors"}, {{"sensors", "--add-file", "x"}, "error"},
            {{"sensors", "--add-mix", "hot", "file", "/x"}, "--add-mix: \"file\" is not max, average or weighted"},
            {{"sensors", "--remove", "a/b"}, "id \"a/b\": 1..64 letters, digits, '_', '-' or '.'"}};
        for (const auto &[args, expected] : rows) {
            ProgramOptions o;
            QString error;
            const bool ok = parseProgramOptions(args, &o, &error);
            QCOMPARE(ok ? QString::fromUtf8(o.requests.join('|')) : expected == "error" ? "error" : error, expected);
        }
        QVERIFY(!programUsage().contains("--io-inline") && programUsage().contains("--emulate-latency"));
        // --openrgb-server [ADDRESS:]PORT; off unless given.
        QVERIFY(ProgramOptions().openRgbAddress.isEmpty());
        for (const auto &[arg, expected] : QList<QPair<QString, QString>>{{"6800", "127.0.0.1 6800"}, {"0.0.0.0:6743", "0.0.0.0 6743"},
                 {"[::1]:7000", "::1 7000"}, {"70000", "error"}, {"host:1", "error"}, {"1.2.3.4:", "error"}, {"0", "error"}}) {
            ProgramOptions o;
            QString error;
            const bool ok = parseProgramOptions({"--openrgb-server", arg}, &o, &error);
            QCOMPARE(ok ? o.openRgbAddress + ' ' + QString::number(o.openRgbPort) : "error", expected);
        }
    }

    // A device change rescans, re-applies what is new and keeps the poll going.
    void deviceChange()
    {
        messageRig();
        h->timers.startRpmPoll();
        QVERIFY(handle(WindowMessages::kDeviceChange, 0, 0));
        QVERIFY(h->reports().isEmpty() && h->timers.rpmTimer().isActive());
        h->emu.setBoxes({2, 5});
        QVERIFY(handle(WindowMessages::kDeviceChange, 0, 0));
        QCOMPARE(h->state.checkControllerStr, QString("0010010000000000"));
        QCOMPARE(h->state.controllerBoxNumber, 2);
        QVERIFY(h->reports().contains(steady(5, 0, 255, 0, 0)));
    }
};

QTEST_MAIN(TestApp)
#include "test_app.moc"
