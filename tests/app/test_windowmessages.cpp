// Remote-control messages: the fan rules themselves are the panel dispatcher's
// (tests/commands); here only how each message's numbers reach them.
#include "app/windowmessages.h"
#include "tasks/coreharness.h"

class TestWindowMessages : public QObject {
    Q_OBJECT
    std::unique_ptr<CoreHarness> h;
    std::unique_ptr<WindowMessages> messages;
    QList<bool> shown;
    int closes = 0, hides = 0;

    bool handle(uint message, qint64 w, qint64 l) { return messages->handle(message, w, l); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }
    void init()
    {
        h = std::make_unique<CoreHarness>(QList<int>{0, 2});
        shown.clear();
        closes = hides = 0;
        WindowMessages::Hooks hooks;
        hooks.showPanelAndTray = [this](bool s) { shown << s; };
        hooks.closeController = [this] { ++closes; };
        hooks.hideController = [this] { ++hides; };
        messages = std::make_unique<WindowMessages>(h->state, h->link, *h->store, *h->tasks, h->views, hooks);
    }
    void cleanup() { messages.reset(), h.reset(); }

    void windowAndSwitches()
    {
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
    }

    // wParam is the value, lParam the fan; fans outside 0..2 are ignored.
    void fanMessagesReachTheRules()
    {
        ControllerBox &b = h->box(0);
        b.isPWMFan = {false, false, false};
        QVERIFY(handle(0x8112, 3, 1) && handle(0x8110, 0, 0) && handle(0x8118, 0xFF00, 2));
        QCOMPARE(h->reports(), (QStringList{speed(0, 1, 60), speed(0, 0, 10), steady(0, 2, 0, 255, 0)}));
        h->clear();
        for (uint m : {0x8108u, 0x8112u, 0x8118u})
            QVERIFY(handle(m, 1, 3) && handle(m, 1, -1));
        QVERIFY(handle(0x8112, 6, 0));
        QVERIFY(h->reports().isEmpty());
    }

    // A device change rescans, re-applies what is new and keeps the poll going.
    void deviceChange()
    {
        h->tasks->startRpmPoll();
        QVERIFY(handle(WindowMessages::kDeviceChange, 0, 0));
        QVERIFY(h->reports().isEmpty() && h->tasks->rpmTimer().isActive());
        h->emu.setBoxes({2, 5});
        QVERIFY(handle(WindowMessages::kDeviceChange, 0, 0));
        QCOMPARE(h->state.checkControllerStr, QString("0010010000000000"));
        QCOMPARE(h->state.controllerBoxNumber, 2);
        QVERIFY(h->reports().contains(steady(5, 0, 255, 0, 0)));
    }
};

QTEST_GUILESS_MAIN(TestWindowMessages)
#include "test_windowmessages.moc"
