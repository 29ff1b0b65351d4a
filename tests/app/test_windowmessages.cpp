#include "core/controllerstate.h"
#include "commands/periodictasks.h"
#include "app/windowmessages.h"
#include "common/failingwrites.h"
#include "common/recordingviewsink.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QSettings>
#include <QtTest>

#include <functional>
#include <memory>

// The emulator, telling the test whenever the program opens a box.
struct SpyEmulator : BoxEmulator {
    std::function<void()> onOpen;
    std::unique_ptr<HidDevice> open(std::uint16_t vendorId, std::uint16_t productId) override
    {
        if (onOpen)
            onOpen();
        return BoxEmulator::open(vendorId, productId);
    }
};

// Every message on box 0 with boxes 0 and 2 plugged in, against the emulator.
class TestWindowMessages : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ControllerState> state;
    std::unique_ptr<SpyEmulator> emu;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<RecordingViewSink> views;
    std::unique_ptr<PeriodicTasks> tasks;
    std::unique_ptr<WindowMessages> messages;
    QList<bool> shown;
    int closes = 0;
    int hides = 0;

    QStringList sent()
    {
        const QStringList lines = emu->traceLines();
        emu->clearSentReports();
        return lines;
    }
    QString deviceIni(const QString &key)
    {
        QSettings s(store->deviceFilePath(), QSettings::IniFormat);
        return s.value(key).toString();
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        state = std::make_unique<ControllerState>();
        emu = std::make_unique<SpyEmulator>();
        emu->setBoxes({0, 2});
        link = std::make_unique<DeviceLink>(*state, *emu);
        link->connectAllBoxes();
        store = std::make_unique<SettingsStore>(*state, dir->path());
        views = std::make_unique<RecordingViewSink>();
        tasks = std::make_unique<PeriodicTasks>(*state, *link, *store, *views);
        shown.clear();
        closes = hides = 0;
        WindowMessages::Hooks hooks;
        hooks.showPanelAndTray = [this](bool s) { shown << s; };
        hooks.closeController = [this] { ++closes; };
        hooks.hideController = [this] { ++hides; };
        messages = std::make_unique<WindowMessages>(*state, *link, *store, *tasks, *views, hooks);
        emu->clearSentReports();
    }
    void cleanup()
    {
        messages.reset();
        tasks.reset();
        state.reset();  // closes the devices before the emulator goes
    }

    void unknownMessagesAreNotHandled_data()
    {
        QTest::addColumn<uint>("message");
        QTest::newRow("0x8100") << 0x8100u;
        QTest::newRow("0x811A") << 0x811Au;
        QTest::newRow("WM_PAINT") << 0x000Fu;
    }
    void unknownMessagesAreNotHandled()
    {
        QFETCH(uint, message);
        QVERIFY(!messages->handle(message, 1, 1));
        QVERIFY(sent().isEmpty());
    }

    void showHideAndClose()
    {
        QVERIFY(messages->handle(0x8101, 1, 1));
        QVERIFY(messages->handle(0x8101, 0, 0));
        QCOMPARE(shown, (QList<bool>{true, false}));
        QVERIFY(messages->handle(0x8105, 0, 0));
        QCOMPARE(closes, 0);
        QVERIFY(messages->handle(0x8105, 1, 0));
        QCOMPARE(closes, 1);
        QVERIFY(messages->handle(WindowMessages::kClose, 0, 0));
        QCOMPARE(hides, 1);
    }

    void switchesAreSaved()
    {
        QVERIFY(messages->handle(0x8102, 0, 0));
        QCOMPARE(state->isStartAutoUpdate, false);
        QCOMPARE(deviceIni("Main/AutoUpdate"), QString("0"));
        QVERIFY(messages->handle(0x8103, 1, 0));
        QCOMPARE(state->isOpenPassword, true);
        QCOMPARE(deviceIni("Main/OpenPassword"), QString("1"));
        QVERIFY(views->calls.contains("setAutoUpdateSwitch(0)"));
        QVERIFY(views->calls.contains("setPasswordSwitch(1)"));
    }

    void pinDigits_data()
    {
        QTest::addColumn<qint64>("pin");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("on");
        QTest::newRow("123") << qint64(123) << "0123" << true;
        QTest::newRow("0") << qint64(0) << "00" << false;
    }
    void pinDigits()
    {
        QFETCH(qint64, pin);
        QFETCH(QString, stored);
        QFETCH(bool, on);
        QVERIFY(messages->handle(0x8104, pin, 0));
        QCOMPARE(state->passwordStr, stored);
        QCOMPARE(state->isOpenPassword, on);
        QCOMPARE(deviceIni("Main/Password"), stored);
        QVERIFY(views->calls.contains("setPasswordText(" + stored + ")"));
        QVERIFY(messages->handle(0x8104, 123456, 0)); // past four digits: ignored
        QCOMPARE(state->passwordStr, stored);
    }

    // One message on box 0 after a preparation: the reports it sends and the
    // fields it leaves.
    void fanMessages_data()
    {
        QTest::addColumn<QString>("prep");
        QTest::addColumn<uint>("message");
        QTest::addColumn<qint64>("wParam");
        QTest::addColumn<int>("fan");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QString>("fields");  // LEDModeFan,isTurnOffLedFan,R,G,B,speedFan,speedModeFan
        const QStringList none;
        QTest::newRow("level 3, PWM off") << "pwmoff" << 0x8112u << qint64(3) << 1
                                          << QStringList{"0 32 51 02 03 3c 00 00 00"} << "0,0,255,0,0,3,0";
        QTest::newRow("level 3, PWM on") << "" << 0x8112u << qint64(3) << 1 << none << "0,0,255,0,0,3,0";
        QTest::newRow("level 6 refused") << "pwmoff" << 0x8112u << qint64(6) << 1 << none << "0,0,255,0,0,5,2";
        QTest::newRow("Silent") << "pwmoff" << 0x8110u << qint64(0) << 0
                                << QStringList{"0 32 51 01 03 0a 00 00 00"} << "0,0,255,0,0,0,1";
        QTest::newRow("Performance") << "pwmoff" << 0x8109u << qint64(0) << 0
                                     << QStringList{"0 32 51 01 03 64 00 00 00"} << "0,0,255,0,0,5,2";
        QTest::newRow("PWM on sends nothing") << "pwmoff" << 0x8111u << qint64(1) << 0 << none << "0,0,255,0,0,5,2";
        QTest::newRow("PWM off resends level") << "" << 0x8111u << qint64(0) << 0
                                               << QStringList{"0 32 51 01 03 64 00 00 00"} << "0,0,255,0,0,5,2";
        QTest::newRow("cycle on") << "" << 0x8113u << qint64(1) << 0
                                  << QStringList{"0 32 52 01 01 00 00 00 00"} << "1,0,255,0,0,5,2";
        QTest::newRow("cycle off") << "cycle" << 0x8113u << qint64(0) << 0
                                   << QStringList{"0 32 52 01 00 ff 00 00 00"} << "0,0,255,0,0,5,2";
        QTest::newRow("flash on clears off") << "off" << 0x8114u << qint64(1) << 0
                                             << QStringList{"0 32 52 01 02 ff 00 00 00"} << "2,0,255,0,0,5,2";
        QTest::newRow("LEDs off") << "flash" << 0x8115u << qint64(1) << 0
                                  << QStringList{"0 32 52 01 00 00 00 00 00"} << "2,1,255,0,0,5,2";
        QTest::newRow("LEDs on resends flash") << "flashoff" << 0x8115u << qint64(0) << 0
                                               << QStringList{"0 32 52 01 02 ff 00 00 00"} << "2,0,255,0,0,5,2";
        QTest::newRow("copy switched-off fan 0") << "off" << 0x8116u << qint64(0) << 2
                                                 << QStringList{"0 32 52 03 00 00 00 00 00"} << "0,1,255,0,0,5,2";
        QTest::newRow("brightness 50") << "" << 0x8117u << qint64(50) << 0
                                       << QStringList{"0 32 52 01 00 7f 00 00 00"} << "0,0,255,0,0,5,2";
        QTest::newRow("brightness on cycling fan") << "cycle" << 0x8117u << qint64(50) << 0 << none
                                                   << "1,0,255,0,0,5,2";
        QTest::newRow("green on cycling fan") << "cycle" << 0x8118u << qint64(0xFF00) << 0
                                              << QStringList{"0 32 52 01 00 00 ff 00 00"} << "0,0,0,255,0,5,2";
        QTest::newRow("red on switched-off flash") << "flashoff" << 0x8118u << qint64(0xFF) << 0 << none
                                                   << "2,1,255,0,0,5,2";
    }
    void fanMessages()
    {
        QFETCH(QString, prep);
        QFETCH(uint, message);
        QFETCH(qint64, wParam);
        QFETCH(int, fan);
        QFETCH(QStringList, reports);
        QFETCH(QString, fields);
        ControllerBox &box = state->boxArray[0];
        for (int f = 0; f < 3; ++f) {
            box.isPWMFan[f] = prep != "pwmoff";
            box.LEDModeFan[f] = LedMode(prep == "cycle" ? 1 : prep.startsWith("flash") ? 2 : 0);
            box.isTurnOffLedFan[f] = prep == "off" || prep == "flashoff";
        }
        QVERIFY(messages->handle(message, wParam, fan));
        QCOMPARE(sent(), reports);
        const auto f = static_cast<size_t>(fan);
        const QString got = QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                                .arg(int(box.LEDModeFan[f])).arg(int(box.isTurnOffLedFan[f])).arg(box.RColorFan[f])
                                .arg(box.GColorFan[f]).arg(box.BColorFan[f]).arg(box.speedFan[f])
                                .arg(box.speedModeFan[f]);
        QCOMPARE(got, fields);
        const bool refused = QByteArray(QTest::currentDataTag()).contains("refused");
        QCOMPARE(views->count("setFanSpeed(") > 0, !refused);  // the views were refreshed
    }

    void brightnessStored()
    {
        QVERIFY(messages->handle(0x8117, 50, 0));
        QCOMPARE(state->boxArray[0].brightFan[0], 0.5f);
        state->boxArray[0].LEDModeFan[2] = LedMode::Cycle;
        QVERIFY(messages->handle(0x8117, 50, 2));
        QCOMPARE(state->boxArray[0].brightFan[2], 1.0f);
    }

    void fanOutOfRangeIgnored_data()
    {
        QTest::addColumn<uint>("message");
        QTest::newRow("0x8108") << 0x8108u;
        QTest::newRow("0x8112") << 0x8112u;
        QTest::newRow("0x8118") << 0x8118u;
    }
    void fanOutOfRangeIgnored()
    {
        QFETCH(uint, message);
        QVERIFY(messages->handle(message, 1, 3));
        QVERIFY(messages->handle(message, 1, -1));
        QVERIFY(sent().isEmpty());
    }

    void monitorSwitchSaved()
    {
        QVERIFY(messages->handle(0x8108, 0, 1));
        QCOMPARE(state->boxArray[0].monitorFan[1], false);
        QCOMPARE(deviceIni("Device0/Monitor"), QString("1,0,1"));
    }

    void boxSelection()
    {
        QVERIFY(messages->handle(0x8106, 2, 0));
        QCOMPARE(state->controllerBoxNumber, 2);
        QVERIFY(views->calls.contains("setBoxChecked(2)"));
        QVERIFY(messages->handle(0x8106, 16, 0));
        QVERIFY(messages->handle(0x8106, -1, 0));
        QCOMPARE(state->controllerBoxNumber, 2);
    }

    void profileSaveReachesEveryBoxOnIt()
    {
        state->boxArray[2].profileValue = 3;
        state->currentProfile = 3;
        state->boxArray[0].GColorFan[0] = 200;
        QVERIFY(messages->handle(0x8119, 0, 0));
        QCOMPARE(state->boxArray[0].profileValue, 3);
        QVERIFY(QFile::exists(store->profileFilePath(3)));
        QCOMPARE(state->boxArray[2].GColorFan[0], 200);
        const QStringList lines = sent();
        QVERIFY(lines.contains("0 32 53 00 00 00 00 00 00"));
        QVERIFY(lines.contains("2 32 53 00 00 00 00 00 00"));
        QCOMPARE(emu->saveCount(0), 1);
        QCOMPARE(emu->saveCount(2), 1);
    }

    void loadProfileByMessage()
    {
        state->boxArray[0].BColorFan[1] = 77;
        state->currentProfile = 2;
        QVERIFY(messages->handle(0x8119, 0, 0));
        state->boxArray[0].BColorFan[1] = 0;
        QVERIFY(messages->handle(0x8107, 1, 0));
        QCOMPARE(state->currentProfile, 2);
        QCOMPARE(state->boxArray[0].BColorFan[1], 77);
        QVERIFY(messages->handle(0x8107, 5, 0));  // no profile 6
        QCOMPARE(state->currentProfile, 2);
    }

    // A save that cannot write is refused and reported; nothing is reloaded or
    // stored in a box, and the next save writes what the boxes hold.
    void failedProfileSaveKeepsEverything()
    {
        state->currentProfile = 1;
        state->boxArray[0].RColorFan = {10, 10, 10};
        QVERIFY(messages->handle(0x8119, 0, 0));
        state->boxArray[0].RColorFan = {200, 200, 200};
        state->boxArray[2].RColorFan = {7, 7, 7};
        sent();
        views->clear();
        QVERIFY(whileDiskFull([this] { return !messages->handle(0x8119, 0, 0); }));
        QCOMPARE(state->boxArray[0].RColorFan, (std::array<int, 3>{200, 200, 200}));
        QCOMPARE(state->boxArray[2].RColorFan, (std::array<int, 3>{7, 7, 7}));
        QVERIFY(sent().isEmpty());
        QCOMPARE(views->calls.filter("showError("), QStringList{"showError(0,1,0)"});
        QCOMPARE(QSettings(store->profileFilePath(1), QSettings::IniFormat).value("Fan0/RColor"), QVariant("10"));
        views->clear();
        QVERIFY(messages->handle(0x8119, 0, 0));
        QCOMPARE(QSettings(store->profileFilePath(1), QSettings::IniFormat).value("Fan0/RColor"), QVariant("200"));
        QCOMPARE(state->boxArray[2].RColorFan[0], 200);
        QCOMPARE(views->calls.filter("showError("), QStringList{"showError(1,0,0)"});
    }

    void deviceChangeWithoutChangeResendsNothing()
    {
        state->checkControllerStr = link->buildControllerStr();
        tasks->startRpmPoll();
        int opensWhilePolling = 0;
        emu->onOpen = [&] { opensWhilePolling += tasks->rpmTimer().isActive(); };
        QVERIFY(messages->handle(WindowMessages::kDeviceChange, 0, 0));
        QVERIFY(messages->handle(WindowMessages::kDeviceChange, 0, 0));
        QVERIFY(sent().isEmpty());
        QCOMPARE(state->checkControllerStr_Old, QString("1010000000000000"));
        // The poll pauses for the scan and runs again after it, or a stopped
        // fan goes unnoticed until something else restarts it.
        QCOMPARE(opensWhilePolling, 0);
        QVERIFY(tasks->rpmTimer().isActive());
    }

    void deviceChangeReconnects()
    {
        emu->setBoxes({0, 2, 5});
        QVERIFY(messages->handle(WindowMessages::kDeviceChange, 0, 0));
        QCOMPARE(state->checkControllerStr, QString("1010010000000000"));
        QVERIFY(state->boxArray[5].isConnected);
        QVERIFY(views->calls.contains("setBoxEnabled(5,1)"));
        bool box5Applied = false;
        for (const QString &l : sent())
            box5Applied |= l.startsWith("5 32 52");
        QVERIFY(box5Applied);

        emu->setBoxes({2});
        QVERIFY(messages->handle(WindowMessages::kDeviceChange, 0, 0));
        QCOMPARE(state->checkControllerStr, QString("0010000000000000"));
        QVERIFY(!state->boxArray[0].isConnected);
        QCOMPARE(state->controllerBoxNumber, 2);
    }
};

QTEST_GUILESS_MAIN(TestWindowMessages)
#include "test_windowmessages.moc"
