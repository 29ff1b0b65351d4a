#include "tasks/coreharness.h"

class TestBoxSelection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    void changeBoxWithoutEffect_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("polling");
        QTest::newRow("absent box: selected, poll stops") << 5 << 5 << false;
        QTest::newRow("16 refused") << 16 << 0 << true;
        QTest::newRow("-1 refused") << -1 << 0 << true;
    }

    void changeBoxWithoutEffect()
    {
        QFETCH(int, box);
        QFETCH(int, selected);
        QFETCH(bool, polling);
        CoreHarness h({0, 2});
        h.tasks->startRpmPoll();
        h.tasks->changeBox(box);
        QCOMPARE(h.state.controllerBoxNumber, selected);
        QCOMPARE(h.tasks->rpmTimer().isActive(), polling);
        QVERIFY(h.reports().isEmpty());
        QVERIFY(h.views.calls.isEmpty());
        QVERIFY(!QFile::exists(h.deviceIni()));
    }

    void changeBoxToConnectedBox()
    {
        CoreHarness h({0, 2});
        h.box(2).profileValue = 3;
        h.box(2).RColorFan[1] = 7;  // replaced by profile 3 (defaults: no file yet)
        h.box(2).isPWMFan[2] = false;
        h.tasks->changeBox(2);
        QCOMPARE(h.state.controllerBoxNumber, 2);
        QCOMPARE(h.state.currentProfile, 3);
        QVERIFY(h.tasks->rpmTimer().isActive());
        QCOMPARE(h.box(2).RColorFan[1], 255);
        QCOMPARE(h.deviceKey("Device2/Profile"), QStringLiteral("3"));
        // Profile defaults follow the temperature curve: lighting only.
        QCOMPARE(h.reports(), (QStringList{steady(2, 0, 255, 0, 0), steady(2, 1, 255, 0, 0), steady(2, 2, 255, 0, 0)}));
        QCOMPARE(h.views.calls.mid(0, 3), (QStringList{"setProfile(3)", "setProfile(3)", "setProfileLabel(3)"}));
    }

    void setBoxWithoutBoxes()
    {
        CoreHarness h({});
        h.state.controllerBoxNumber = 7;
        h.state.currentProfile = 4;
        h.tasks->setBox();
        QCOMPARE(h.state.controllerBoxNumber, 7);
        QCOMPARE(h.state.currentProfile, 4);
        QStringList expected;
        for (int n = 0; n < 16; ++n)
            expected << QStringLiteral("setBoxEnabled(%1,0)").arg(n);
        QCOMPARE(h.views.calls.filter(QStringLiteral("setBox")), expected);
        QCOMPARE(h.views.calls.last(), QStringLiteral("showError(0,0,0)"));
        QVERIFY(h.reports().isEmpty());
    }

    void setBoxSelectsFirstConnected()
    {
        CoreHarness h({5, 2});
        h.box(2).profileValue = 4;
        h.box(9).GColorFan[0] = 99;  // absent boxes are loaded too
        h.tasks->setBox();
        QCOMPARE(h.state.controllerBoxNumber, 2);
        QCOMPARE(h.state.currentProfile, 4);
        QCOMPARE(h.views.calls.first(), QStringLiteral("setBoxPresent(2)"));
        QCOMPARE(h.box(9).GColorFan[0], 0);
        const QStringList enabled = h.views.calls.filter(QStringLiteral("setBoxEnabled("));
        QCOMPARE(enabled.size(), 16);
        QCOMPARE(enabled.mid(2, 4), (QStringList{"setBoxEnabled(2,1)", "setBoxEnabled(3,0)", "setBoxEnabled(4,0)",
                                                 "setBoxEnabled(5,1)"}));
        QCOMPARE(h.reports(), (QStringList{steady(2, 0, 255, 0, 0), steady(2, 1, 255, 0, 0), steady(2, 2, 255, 0, 0),
                                           steady(5, 0, 255, 0, 0), steady(5, 1, 255, 0, 0), steady(5, 2, 255, 0, 0)}));
        QVERIFY(h.views.calls.contains(QStringLiteral("setProfileLabel(4)")));
        QCOMPARE(h.views.calls.filter(QStringLiteral("showError(")), QStringList{"showError(1,0,0)"});
        QCOMPARE(h.views.calls.last(), QStringLiteral("showError(1,0,0)"));
    }

    void checkUSBDevice_data()
    {
        QTest::addColumn<QList<int>>("boxes");
        QTest::addColumn<int>("locked");  // box this user may not open, or -1
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("none") << QList<int>{} << -1 << QStringList{"showError(0,0,0)"};
        QTest::newRow("one") << QList<int>{7} << -1 << QStringList{"showError(1,0,0)"};
        QTest::newRow("duplicate") << QList<int>{0, 3, 3} << -1
                                   << QStringList{"showError(1,0,0)", "showError(0,0,1,3)"};
        QTest::newRow("two duplicates report once") << QList<int>{1, 1, 4, 4} << -1
                                                    << QStringList{"showError(1,0,0)", "showError(0,0,1,1)"};
        QTest::newRow("no permission: found, not absent") << QList<int>{2} << 2
                                                          << QStringList{"showError(1,0,0)", "showError(0,0,2,2)"};
        QTest::newRow("no permission beside a usable box") << QList<int>{0, 5} << 5
                                                           << QStringList{"showError(1,0,0)", "showError(0,0,2,5)"};
    }

    void checkUSBDevice()
    {
        QFETCH(QList<int>, boxes);
        QFETCH(int, locked);
        QFETCH(QStringList, errors);
        CoreHarness h(boxes);
        if (locked >= 0) {
            h.emu.setFault(locked, BoxEmulator::Fault::NoPermission);
            h.link.connectAllBoxes();
            h.emu.clearSentReports();
        }
        h.tasks->checkUSBDevice();
        QCOMPARE(h.views.calls, errors);
        QVERIFY(h.reports().isEmpty());
    }

    void resetFanViewCallOrder()
    {
        CoreHarness h({});
        h.state.controllerBoxNumber = 3;
        h.state.currentProfile = 5;
        ControllerBox &b = h.box(3);
        b.profileValue = 2;
        b.LEDModeFan = {{0, 1, 2}};
        b.monitorFan[1] = false;
        h.paint(3, 2, 1, 2, 3);
        b.brightFan[2] = 0.5f;
        b.speedFan[1] = 3;
        b.isPWMFan[0] = false;
        b.isTurnOffLedFan[2] = true;
        h.tasks->resetFanView();
        QCOMPARE(h.views.calls,
                 (QStringList{"setProfile(5)", "setProfileLabel(2)",
                              "setFanMonitor(0,1)", "setSelectColor(255,0,0,1,0)", "setFanSpeed(5,0)", "setPWM(0,0)",
                              "setRGB(0,0)", "setBlink(0,0)", "setTurnOff(0,0)", "setBright(1,0)",
                              "setFanMonitor(1,0)", "setSelectColor(255,0,0,1,1)", "setFanSpeed(3,1)", "setPWM(1,1)",
                              "setRGB(1,1)", "setTurnOff(0,1)", "setBright(1,1)",
                              "setFanMonitor(2,1)", "setSelectColor(1,2,3,0.5,2)", "setFanSpeed(5,2)", "setPWM(1,2)",
                              "setBlink(1,2)", "setTurnOff(1,2)", "setBright(0.5,2)"}));
    }

    void saveCurrentProfileReachesEveryUser()
    {
        CoreHarness h({1, 6});
        h.state.controllerBoxNumber = 6;
        h.state.currentProfile = 5;
        h.box(1).profileValue = 5;
        h.box(6).GColorFan[0] = 16;
        h.box(6).isPWMFan[0] = false;
        h.box(6).speedFan[0] = 7;  // corrected to 5 when collected
        h.tasks->saveCurrentProfile();
        QCOMPARE(h.box(6).profileValue, 5);
        QCOMPARE(h.box(6).speedFan[0], 5);
        QCOMPARE(h.box(1).GColorFan[0], 16);
        QCOMPARE(h.views.calls.mid(0, 2), (QStringList{"setProfile(5)", "setProfileLabel(5)"}));
        QVERIFY(QFile::exists(h.store->profileFilePath(5)));
        QCOMPARE(h.deviceKey("Device6/Profile"), QStringLiteral("5"));
        QStringList expected;
        for (int b : {1, 6})
            expected << steady(b, 0, 255, 16, 0) << speed(b, 0, 100) << steady(b, 1, 255, 0, 0)
                     << steady(b, 2, 255, 0, 0) << storeCmd(b);
        QCOMPARE(h.reports(), expected);
    }

    void saveCurrentProfileRefusesBadProfile()
    {
        CoreHarness h({0});
        h.state.currentProfile = 6;
        h.tasks->saveCurrentProfile();
        QVERIFY(h.reports().isEmpty());
        QVERIFY(h.views.calls.isEmpty());
        QCOMPARE(h.box(0).profileValue, 1);
        QVERIFY(filesIn(h.dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBoxSelection)
#include "tst_boxselection.moc"
