#include "tasks/coreharness.h"

#include <QFile>
#include <QSettings>
#include <QtTest>

class TestBoxSelection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env.isValid()); isolateEnvironment(m_env); }

    void changeBoxToAbsentBox();
    void changeBoxToConnectedBox();
    void changeBoxRefusesOutOfRange_data();
    void changeBoxRefusesOutOfRange();
    void setBoxWithoutBoxes();
    void setBoxSelectsFirstConnected();
    void checkUSBDevice_data();
    void checkUSBDevice();
    void resetFanViewCallOrder();
    void saveCurrentProfileReachesEveryUser();
    void saveCurrentProfileRefusesBadProfile();

private:
    QTemporaryDir m_env;
};

void TestBoxSelection::changeBoxToAbsentBox()
{
    CoreHarness h({0, 2});
    h.tasks->startRpmPoll();
    h.tasks->changeBox(5);
    QCOMPARE(h.state.controllerBoxNumber, 5);
    QVERIFY(!h.tasks->rpmTimer().isActive());
    QVERIFY(h.reports().isEmpty());
    QVERIFY(h.views.calls.isEmpty());
    QVERIFY(!QFile::exists(h.deviceIni()));
}

void TestBoxSelection::changeBoxToConnectedBox()
{
    CoreHarness h({0, 2});
    h.box(2).profileValue = 3;
    h.box(2).RColorFan[1] = 7;  // replaced by profile 3 (defaults: no file yet)
    h.box(2).isPWMFan[2] = false;
    h.tasks->changeBox(2);
    QCOMPARE(h.state.controllerBoxNumber, 2);
    QCOMPARE(h.state.currentProfile, 3);
    QVERIFY(h.tasks->rpmTimer().isActive());
    QCOMPARE(h.tasks->rpmTimer().interval(), 1000);
    QCOMPARE(h.box(2).RColorFan[1], 255);
    QVERIFY(QFile::exists(h.deviceIni()));
    QCOMPARE(QSettings(h.deviceIni(), QSettings::IniFormat).value("Device2/Profile").toString(), QStringLiteral("3"));
    // Profile defaults follow the temperature curve: lighting only.
    QCOMPARE(h.reports(), (QStringList{steady(2, 0, 255, 0, 0), steady(2, 1, 255, 0, 0), steady(2, 2, 255, 0, 0)}));
    QCOMPARE(h.views.calls.mid(0, 3),
             (QStringList{"setProfile(3)", "setProfile(3)", "setProfileLabel(3)"}));
}

void TestBoxSelection::changeBoxRefusesOutOfRange_data()
{
    QTest::addColumn<int>("box");
    QTest::newRow("16") << 16;
    QTest::newRow("-1") << -1;
}

void TestBoxSelection::changeBoxRefusesOutOfRange()
{
    QFETCH(int, box);
    CoreHarness h({0});
    h.tasks->startRpmPoll();
    h.tasks->changeBox(box);
    QCOMPARE(h.state.controllerBoxNumber, 0);
    QVERIFY(h.tasks->rpmTimer().isActive());
    QVERIFY(h.reports().isEmpty());
    QVERIFY(h.views.calls.isEmpty());
}

void TestBoxSelection::setBoxWithoutBoxes()
{
    CoreHarness h({});
    h.state.controllerBoxNumber = 7;
    h.state.currentProfile = 4;
    h.tasks->setBox();
    QCOMPARE(h.state.controllerBoxNumber, 7);
    QCOMPARE(h.state.currentProfile, 4);
    QCOMPARE(h.views.count(QStringLiteral("setBoxPresent(")), 0);
    QCOMPARE(h.views.count(QStringLiteral("setBoxEnabled(")), 16);
    for (int n = 0; n < 16; ++n)
        QVERIFY(h.views.calls.contains(QStringLiteral("setBoxEnabled(%1,0)").arg(n)));
    QCOMPARE(h.views.calls.last(), QStringLiteral("showError(0,0,0)"));
    QVERIFY(h.reports().isEmpty());
}

void TestBoxSelection::setBoxSelectsFirstConnected()
{
    CoreHarness h({5, 2});
    h.box(2).profileValue = 4;
    h.box(9).GColorFan[0] = 99;  // absent boxes are loaded too
    h.tasks->setBox();
    QCOMPARE(h.state.controllerBoxNumber, 2);
    QCOMPARE(h.state.currentProfile, 4);
    QCOMPARE(h.views.calls.first(), QStringLiteral("setBoxPresent(2)"));
    QCOMPARE(h.box(9).GColorFan[0], 0);
    QStringList enabled;
    for (const QString &c : h.views.calls)
        if (c.startsWith(QStringLiteral("setBoxEnabled(")))
            enabled << c;
    QCOMPARE(enabled.size(), 16);
    QCOMPARE(enabled.at(2), QStringLiteral("setBoxEnabled(2,1)"));
    QCOMPARE(enabled.at(5), QStringLiteral("setBoxEnabled(5,1)"));
    QCOMPARE(enabled.at(3), QStringLiteral("setBoxEnabled(3,0)"));
    QCOMPARE(h.reports(), (QStringList{steady(2, 0, 255, 0, 0), steady(2, 1, 255, 0, 0), steady(2, 2, 255, 0, 0),
                                       steady(5, 0, 255, 0, 0), steady(5, 1, 255, 0, 0), steady(5, 2, 255, 0, 0)}));
    QVERIFY(h.views.calls.contains(QStringLiteral("setProfileLabel(4)")));
    QCOMPARE(h.views.calls.last(), QStringLiteral("showError(1,0,0)"));
    QCOMPARE(h.views.count(QStringLiteral("showError(")), 1);
}

void TestBoxSelection::checkUSBDevice_data()
{
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("none") << QList<int>{} << QStringList{"showError(0,0,0)"};
    QTest::newRow("one") << QList<int>{7} << QStringList{"showError(1,0,0)"};
    QTest::newRow("duplicate") << QList<int>{0, 3, 3} << QStringList{"showError(1,0,0)", "showError(0,0,1)"};
    QTest::newRow("two duplicates report once") << QList<int>{1, 1, 4, 4}
                                                << QStringList{"showError(1,0,0)", "showError(0,0,1)"};
}

void TestBoxSelection::checkUSBDevice()
{
    QFETCH(QList<int>, boxes);
    QFETCH(QStringList, errors);
    CoreHarness h(boxes);
    h.tasks->checkUSBDevice();
    QCOMPARE(h.views.calls, errors);
    QVERIFY(h.reports().isEmpty());
}

void TestBoxSelection::resetFanViewCallOrder()
{
    CoreHarness h({});
    h.state.controllerBoxNumber = 3;
    h.state.currentProfile = 5;
    ControllerBox &b = h.box(3);
    b.profileValue = 2;
    b.LEDModeFan = {{0, 1, 2}};
    b.monitorFan[1] = false;
    b.RColorFan[2] = 1;
    b.GColorFan[2] = 2;
    b.BColorFan[2] = 3;
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

void TestBoxSelection::saveCurrentProfileReachesEveryUser()
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
    QCOMPARE(QSettings(h.deviceIni(), QSettings::IniFormat).value("Device6/Profile").toString(), QStringLiteral("5"));
    const QStringList one = {steady(1, 0, 255, 16, 0), speed(1, 0, 100), steady(1, 1, 255, 0, 0),
                             steady(1, 2, 255, 0, 0), storeCmd(1)};
    QStringList six = one;
    for (QString &s : six)
        s.replace(0, 1, QStringLiteral("6"));
    QCOMPARE(h.reports(), one + six);
}

void TestBoxSelection::saveCurrentProfileRefusesBadProfile()
{
    CoreHarness h({0});
    h.state.currentProfile = 6;
    h.tasks->saveCurrentProfile();
    QVERIFY(h.reports().isEmpty());
    QVERIFY(h.views.calls.isEmpty());
    QCOMPARE(h.box(0).profileValue, 1);
    QVERIFY(!QFile::exists(h.deviceIni()));
}

QTEST_GUILESS_MAIN(TestBoxSelection)
#include "tst_boxselection.moc"
