// The phone app: its server over real loopback connections, and its commands
// against emulated boxes 0 and 2 (box 0 selected).
#include "commands/appcommandhandler.h"
#include "commands/sockethelper.h"
#include "common/coreharness.h"

#include <QHostInfo>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QThread>

#include <vector>

// The core with a phone-command handler whose replies are recorded.
struct CompanionRig : CoreHarness {
    explicit CompanionRig(const QList<int> &boxes) : CoreHarness(boxes) {}
    void send(const QString &command) { handler.socketHelperReceiveData(command); }

    QStringList replies;
    AppCommandHandler handler{state, link, *store, *selection, [this](const QString &text) { replies << text; }};
};

// A phone-app client on loopback.
QByteArray plainGreeting() { return "BvFan!" + QHostInfo::localHostName().toUtf8() + "&"; }

// What the socket receives until it holds size bytes (or five seconds pass).
QByteArray readBytes(QTcpSocket &socket, int size)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while ((got += socket.readAll()).size() < size && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5), QThread::usleep(200);
    return got;
}

// A connected client that has received exactly this greeting; null otherwise.
std::unique_ptr<QTcpSocket> connectClient(quint16 port, const QByteArray &greeting = plainGreeting())
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    return readBytes(*socket, greeting.size()) == greeting ? std::move(socket) : nullptr;
}

struct Rig {
    SocketHelper helper{QHostAddress::LocalHost, 0};
    QSignalSpy commands{&helper, &SocketHelper::socketHelperSendData};
    std::unique_ptr<QTcpSocket> client() { return connectClient(helper.serverPort()); }
};

using Fans = std::array<int, 3>;
Fans speedModes(const ControllerBox &b)
{
    return {b.fans[0].speedMode, b.fans[1].speedMode, b.fans[2].speedMode};
}
static QList<int> colour(const ControllerBox &b, size_t f) { return {b.fans[f].colour.red, b.fans[f].colour.green, b.fans[f].colour.blue}; }

class TestCompanion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(isolateEnvironment());
        QLoggingCategory::setFilterRules(QStringLiteral("zaldo.companion.commands.debug=true"));
    }

    // Unknown forms, profile digits outside 1..5, speed digits above 5 and
    // malformed colours leave everything as it was.
    void ignoredCommands()
    {
        for (const QString &command :
             {QString(), QString("0000"), QString("9991111"), QString("428x1x1"), QString("097x1"),
              QString("30xxx3x1111111111111111"), QString("\x01\x02hello\xff"), QString("426x0x1"), QString("426x6x1"),
              QString("427x6"), QString("307xx6x11"), QString("32x52xx1x00xffx80x00xx1"), QString("32x52xx1x00xG0x80x00xx1"),
              QString("32x52xx1x00xFFx80x00"), QStringLiteral("32x52xx1x00x\u0661\u0662x80x00xx1")}) {
            CompanionRig rig({0, 2});
            rig.box(0).fans[0].ledsOff = true;
            rig.box(0).fans[1].colour.red = 66;
            const QString before = dumpState(rig.state);
            rig.send(command);
            QCOMPARE(dumpState(rig.state), before);
            QVERIFY(rig.replies.isEmpty() && rig.reports().isEmpty() && rig.views.calls.isEmpty());
            QVERIFY(filesIn(rig.dir.path()).isEmpty());
        }
    }

    void applyProfile()
    {
        CompanionRig rig({0, 2});
        rig.state.controllerBoxNumber = 15;  // never connected: writes profile 3 with distinct colours
        for (int f = 0; f < rig.box(15).fanCount(); ++f) {
            rig.paint(15, f, 10 + f, 20 + f, 30 + f);
            Fan &fan = rig.box(15).fan(f);
            std::tie(fan.brightness, fan.speedLevel, fan.speedMode) = std::tuple(0.5f, 3, 0);
            setMode(fan.lighting, 2);
        }
        setCurves(rig.box(15), {false, false, false});
        QVERIFY(rig.store->writeProfileIni(rig.store->collectProfileSettings(), 3));
        rig.state.controllerBoxNumber = 0;
        rig.box(1).fans[0].colour.red = 77;
        rig.send("426x3x10");
        QCOMPARE(rig.state.currentProfile, 3);
        QCOMPARE(colour(rig.box(0), 2), (QList<int>{12, 22, 32}));
        QCOMPARE(rig.box(1).fans[0].colour.red, 77);  // flag 0: untouched
        QCOMPARE(rig.box(0).profileValue, 1);   // applying is not saving
        QCOMPARE(rig.replies, QStringList{"{[10:20:30:0.5:3:0:2][11:21:31:0.5:3:0:2][12:22:32:0.5:3:0:2]}"});
        // Flash reports with the colour at half brightness, then the fixed levels.
        QCOMPARE(rig.reports(), QStringList({"0 32 52 01 02 05 0a 0f 00", "0 32 51 01 03 3c 00 00 00",
                                             "0 32 52 02 02 05 0a 0f 00", "0 32 51 02 03 3c 00 00 00",
                                             "0 32 52 03 02 06 0b 10 00", "0 32 51 03 03 3c 00 00 00"}));
        rig.clear();
        rig.send("426x4");  // no flags: nothing applied, still replies
        QCOMPARE(rig.state.currentProfile, 4);
        QCOMPARE(rig.replies.last(), QStringLiteral("{[255:0:0:1:5:2:0][255:0:0:1:5:2:0][255:0:0:1:5:2:0]}"));
        QVERIFY(rig.reports().isEmpty() && !QFile::exists(rig.store->profileFilePath(4)));
    }

    void saveProfile()  // also into box 2, which shares the profile; no reply
    {
        CompanionRig rig({0, 2});
        rig.box(2).profileValue = 2;
        rig.box(0).fans[1].colour.red = 0x40;
        rig.send("427x2");
        QVERIFY(rig.replies.isEmpty() && rig.box(0).profileValue == 2 && rig.box(2).fans[1].colour.red == 0x40);
        QCOMPARE(rig.emu.saveCount(0) + rig.emu.saveCount(2), 2);
    }

    void brightness()
    {
        CompanionRig rig({0, 2});
        rig.timers.musicTimer().start(25);
        rig.send(QStringLiteral("207x50x1") + QString(15, '0'));
        QCOMPARE(rig.box(2).fans[0].brightness, 1.0f);
        QVERIFY(!rig.timers.musicTimer().isActive());
        // One re-apply per selected fan; the fans already at 0.5 send 7f.
        QCOMPARE(rig.reports(), QStringList({
                     "0 32 52 01 00 7f 00 00 00", "0 32 52 02 00 ff 00 00 00", "0 32 52 03 00 ff 00 00 00",
                     "0 32 52 01 00 7f 00 00 00", "0 32 52 02 00 7f 00 00 00", "0 32 52 03 00 ff 00 00 00",
                     "0 32 52 01 00 7f 00 00 00", "0 32 52 02 00 7f 00 00 00", "0 32 52 03 00 7f 00 00 00"}));
        QCOMPARE(rig.views.count("setProfile("), 3);
    }

    void speedLevel()
    {
        for (auto [level, speedAndMode] : {std::pair{"3", 30}, {"x", 1}}) {
            CompanionRig rig({0, 2});
            rig.timers.musicTimer().start(25);
            rig.send(QStringLiteral("307xx%1x11").arg(level));
            for (int b = 0; b < 2; ++b)
                QCOMPARE(rig.box(b).fans[2].speedLevel * 10 + rig.box(b).fans[0].speedMode, speedAndMode);
            QCOMPARE(rig.box(2).fans[0].speedLevel, 5);
            QVERIFY(!rig.timers.musicTimer().isActive());
            // PWM fans keep following the temperature: lighting reports only.
            QCOMPARE(rig.reports().filter(QRegularExpression("^0 32 52 0[123] ")).size(), 9);
            QCOMPARE(rig.reports().size(), 9);
        }
    }

    void colourCommand()
    {
        CompanionRig rig({0, 2});
        rig.box(2).fans[0].ledsOff = true;
        rig.send(QStringLiteral("32x52xx1x00xFFx80x00xx001") + QString(13, '0'));
        QCOMPARE(colour(rig.box(2), 0), (QList<int>{255, 128, 0}));
        QVERIFY(!rig.box(2).fans[0].ledsOff);
        QCOMPARE(rig.reports(), QStringList({"2 32 52 01 00 ff 80 00 00", "2 32 52 02 00 ff 00 00 00",
                                             "2 32 52 03 00 ff 00 00 00"}));
        rig.clear();
        setMode(rig.box(0).fans[1].lighting, 1);
        rig.timers.musicTimer().start(25);
        rig.send(QStringLiteral("32x52xx2x00x0Ax1Bx2Cxx1"));  // keeps the cycle and the music
        QCOMPARE(static_cast<int>(rig.box(0).fans[1].lighting), 1);
        QCOMPARE(colour(rig.box(0), 1), (QList<int>{10, 27, 44}));
        QVERIFY(rig.timers.musicTimer().isActive());
        QCOMPARE(rig.reports().at(1), QStringLiteral("0 32 52 02 01 00 00 00 00"));
    }

    // 031x11: Performance on fan 0 of boxes 0 and 1; both re-send their stored level.
    void performanceModeKeepsLevel()
    {
        CompanionRig rig({0, 1});
        for (int b = 0; b < 2; ++b) {
            rig.box(b).fans[0].speedLevel = 3;
            rig.box(b).fans[0].speedMode = 0;
            rig.box(b).fans[0].source = (false) ? SpeedSource::following() : SpeedSource::fixed();
        }
        rig.send("031x11");
        QCOMPARE(rig.box(1).fans[0].speedMode * 10 + rig.box(1).fans[0].speedLevel, 23);
        QCOMPARE(rig.reports(), QStringList({
                     "0 32 52 01 00 ff 00 00 00", "0 32 51 01 03 3c 00 00 00",
                     "0 32 52 02 00 ff 00 00 00", "0 32 52 03 00 ff 00 00 00",
                     "1 32 52 01 00 ff 00 00 00", "1 32 51 01 03 3c 00 00 00",
                     "1 32 52 02 00 ff 00 00 00", "1 32 52 03 00 ff 00 00 00"}));
        QCOMPARE(rig.views.count("setProfile("), 1);  // only box 0 is selected
    }

    void silentMode()
    {
        CompanionRig rig({0, 2});
        rig.send("044x01");
        QCOMPARE(speedModes(rig.box(1)), (Fans{{2, 2, 1}}));
        QCOMPARE(rig.box(1).fans[2].speedLevel, 5);
        QCOMPARE(rig.box(0).fans[2].speedMode, 2);
        QVERIFY(rig.reports().isEmpty());  // box 1 is not connected
    }

    // Fan 1 of box 0 at (40, 80, 120), half bright, in the given mode, off switch
    // and random colour (its timer running); after the mode command: "mode off
    // random r g b", that timer, and fan 1's report between box 0's red fans 0
    // and 2 (none: nothing sent and the panel not redrawn).
    void modeCommands()
    {
        const QString dim = steady(0, 1, 20, 40, 60), dimFlash = flash(0, 1, 20, 40, 60), black = steady(0, 1, 0, 0, 0);
        const QList<std::tuple<const char *, int, bool, bool, const char *, bool, QString>> rows{
            {"012x1", 2, false, false, "0 0 1 40 80 120", true, {}},  // the timer ticks send the colours
            {"012x1", 0, false, true, "0 0 0 40 80 120", false, {}},
            {"022x1", 0, false, true, "1 0 0 255 0 0", false, cycle(0, 1)},  // a cycle starts from red
            {"052x1", 1, false, true, "2 0 0 40 80 120", false, dimFlash},
            {"052x1", 2, false, false, "0 0 0 40 80 120", false, dim},
            {"072x1", 2, false, true, "2 1 0 40 80 120", false, black},
            {"072x1", 2, true, false, "2 0 0 40 80 120", false, dimFlash},
            {"082x1", 2, false, true, "0 0 1 40 80 120", true, dim},  // the random colour goes on
            // A lighting mode leaves switched-off LEDs off.
            {"082x1", 2, true, false, "0 1 0 40 80 120", false, black},
            {"022x1", 0, true, false, "1 1 0 255 0 0", false, black}};
        for (const auto &[command, mode, off, random, after, timer, report] : rows) {
            CompanionRig rig({0, 2});
            ControllerBox &b = rig.box(0);
            rig.paint(0, 1, 40, 80, 120);
            b.fans[1].brightness = 0.5f;
            setMode(b.fans[1].lighting, mode);
            b.fans[1].ledsOff = off;
            if ((b.fans[1].randomColour = random))
                rig.timers.randomColorTimer(1).start(200);
            rig.send(command);
            QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(int(b.fans[1].lighting)).arg(int(b.fans[1].ledsOff))
                         .arg(int(b.fans[1].randomColour)).arg(b.fans[1].colour.red).arg(b.fans[1].colour.green).arg(b.fans[1].colour.blue),
                     QString(after));
            QCOMPARE(rig.timers.randomColorTimer(1).isActive(), timer);
            const QStringList sent{steady(0, 0, 255, 0, 0), report, steady(0, 2, 255, 0, 0)};
            QCOMPARE(rig.reports(), report.isEmpty() ? QStringList{} : sent);
            QCOMPARE(rig.views.count("setProfile("), report.isEmpty() ? 0 : 1);
        }
    }

    // Volume records "6x<level>" after "06"; "@@" ends the music, at once when
    // it is the first record (flashing fans keep flashing).
    void music()
    {
        for (auto [command, volume, running, mode] : {std::tuple{"06x45x6x50x6x@@", 99, false, 0}, {"06x45x7x50", 45, true, 0},
                                                      {"06x9x", 90, true, 0}, {"06x@@", 99, false, 2}}) {
            CompanionRig rig({0, 2});
            setMode(rig.box(0).fans[0].lighting, 2);
            if (!running)
                rig.timers.musicTimer().start(25);
            rig.send(command);
            QCOMPARE(rig.state.volumePercent, volume);
            QCOMPARE(rig.timers.musicTimer().isActive(), running);
            QCOMPARE(static_cast<int>(rig.box(0).fans[0].lighting), mode);
        }
    }

    void greetingAndReplyBytes()
    {
        qunsetenv("ZALDO_COMPANION_PORT");
        QCOMPARE(int(SocketHelper::defaultPort()), 5487);
        qputenv("ZALDO_COMPANION_PORT", "0");
        SocketHelper helper;
        qunsetenv("ZALDO_COMPANION_PORT");
        QVERIFY(helper.isListening() && helper.serverPort() != 0);
        QSignalSpy commands(&helper, &SocketHelper::socketHelperSendData);
        auto client = connectClient(helper.serverPort());
        QVERIFY(client);
        client->write("42");  // nothing follows the greeting until the server is asked to reply
        QTRY_COMPARE(commands.count(), 1);
        QCOMPARE(client->bytesAvailable(), 0);
        helper.sendToClient(QStringLiteral("ok\u00e9"));
        QCOMPARE(readBytes(*client, 4), QByteArray("ok\xc3\xa9"));

        helper.setPasswordOn(true);
        helper.setPassword(QStringLiteral("1234"));
        QVERIFY(connectClient(helper.serverPort(), "BvFan!" + QHostInfo::localHostName().toUtf8() + "!1234&"));
        helper.setPasswordOn(false);
        QVERIFY(connectClient(helper.serverPort()));
    }

    // A burst is one command however much the socket holds: past the first
    // 8191 bytes the rest is dropped, and the next command arrives whole.
    void burstIsOneCommand_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {8191, 60000})
            QTest::addRow("%d", size) << size;
    }
    void burstIsOneCommand()
    {
        QFETCH(int, size);
        Rig r;
        auto client = r.client();
        QVERIFY(client);
        client->write(QByteArray(size, 'A'));
        QTRY_COMPARE(r.helper.bytesReceived(), qint64(size));
        QCOMPARE(r.commands.count(), 1);
        QCOMPARE(r.commands.at(0).at(0).toString(), QString(qMin(size, int(SocketHelper::kMaxCommandBytes)), 'A'));
        client->write("000");
        QTRY_COMPARE(r.commands.count(), 2);
        QCOMPARE(r.commands.at(1).at(0).toString(), QStringLiteral("000"));
    }

    // Replies wait for a client that never reads only up to a bound; then it is dropped.
    void clientThatNeverReadsIsDropped()
    {
        Rig r;
        auto reader = r.client();
        auto stalled = r.client();  // the newest client gets the replies
        QVERIFY(reader && stalled);
        stalled->setReadBufferSize(1);  // reads no further
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Socket:dropped, .*not reading"));
        for (int i = 0; i < 10000 && r.helper.connectedClients() == 2; ++i) {
            r.helper.sendToClient(QString(4096, 'r'));
            QCoreApplication::processEvents();
        }
        QCOMPARE(r.helper.connectedClients(), 1);
        r.helper.sendToClient(QStringLiteral("ok"));
        QCOMPARE(readBytes(*reader, 2), QByteArray("ok"));
    }

    // With every slot taken the newest client still gets in and is greeted:
    // the client idle longest makes room.
    void fullSlotsMakeRoomForTheNewest()
    {
        Rig r;
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < SocketHelper::kMaxClients; ++i) {
            clients.push_back(r.client());
            QVERIFY(clients.back());
        }
        clients[0]->write("000");  // so client 1 is the one idle longest
        QTRY_COMPARE(r.commands.count(), 1);
        for (int n = 1; n <= 2; ++n) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Socket:closed, idle longest"));
            clients.push_back(r.client());
            QVERIFY(clients.back());
            QTRY_COMPARE(clients[size_t(n)]->state(), QAbstractSocket::UnconnectedState);
        }
        QCOMPARE(r.helper.connectedClients(), SocketHelper::kMaxClients);
        QCOMPARE(clients[0]->state(), QAbstractSocket::ConnectedState);
        r.helper.sendToClient(QStringLiteral("hi"));
        QCOMPARE(readBytes(*clients.back(), 2), QByteArray("hi"));
    }
};

QTEST_GUILESS_MAIN(TestCompanion)
#include "tst_companion.moc"
