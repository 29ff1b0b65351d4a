#include "commands/dispatchharness.h"

#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QtTest>

// Speed, profile, box and settings commands, and what the dispatcher refuses.
class TestPanelSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env.isValid()); isolateEnvironment(m_env); }

    void sliderFanSpeed_data();
    void sliderFanSpeed();
    void pushPWM();
    void selectProfileWritesNoFile();
    void saveProfileReachesBothBoxes();
    void changeControllerBox();
    void changeLanguage_data();
    void changeLanguage();
    void switchesAreSaved_data();
    void switchesAreSaved();
    void closeFanControl();
    void showInfo();
    void refused_data();
    void refused();

private:
    static QStringList filesIn(const QString &dir)
    {
        QStringList out;
        QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << it.next();
        return out;
    }
    QTemporaryDir m_env;
};

void TestPanelSettings::sliderFanSpeed_data()
{
    QTest::addColumn<QString>("level");
    QTest::addColumn<bool>("pwm");
    QTest::addColumn<int>("speedAfter");
    QTest::addColumn<int>("modeAfter");
    QTest::addColumn<QStringList>("reports");
    QTest::newRow("3 custom") << "3" << false << 3 << 0 << QStringList{speed(0, 2, 60)};
    QTest::newRow("0 silent") << "0" << false << 0 << 1 << QStringList{speed(0, 2, 10)};
    QTest::newRow("5 performance") << "5" << false << 5 << 2 << QStringList{speed(0, 2, 100)};
    QTest::newRow("pwm on sends nothing") << "3" << true << 3 << 0 << QStringList{};
    QTest::newRow("text reads 0") << "fast" << false << 0 << 1 << QStringList{speed(0, 2, 10)};
}

void TestPanelSettings::sliderFanSpeed()
{
    QFETCH(QString, level);
    QFETCH(bool, pwm);
    QFETCH(int, speedAfter);
    QFETCH(int, modeAfter);
    QFETCH(QStringList, reports);
    DispatchHarness h;
    h.sel().isPWMFan[2] = pwm;
    h.sel().speedModeFan[2] = 9;
    h.send({"changeSliderFanSpeed", "2", level});
    QCOMPARE(h.sel().speedFan[2], speedAfter);
    QCOMPARE(h.sel().speedModeFan[2], modeAfter);
    QCOMPARE(h.reports(), reports);
    QVERIFY(h.views.calls.isEmpty());
}

void TestPanelSettings::pushPWM()
{
    DispatchHarness h;
    h.sel().isPWMFan[1] = false;
    h.sel().speedFan[1] = 2;
    h.send({"pushPWM", "1", "1"});
    QVERIFY(h.sel().isPWMFan[1]);
    QVERIFY(h.reports().isEmpty());
    h.send({"pushPWM", "1", "0"});
    QVERIFY(!h.sel().isPWMFan[1]);
    QCOMPARE(h.reports(), QStringList{speed(0, 1, 40)});
    h.clear();
    h.send({"pushPWM", "1", "7"});
    QVERIFY(h.sel().isPWMFan[1]);
    QVERIFY(h.reports().isEmpty());
}

void TestPanelSettings::selectProfileWritesNoFile()
{
    DispatchHarness h;
    h.sel().GColorFan[1] = 77;
    h.sel().isPWMFan[0] = false;
    QVERIFY(h.store->saveProfileSettings(3));
    const QStringList before = filesIn(h.dir.path());
    QFile profile(h.store->profileFilePath(3));
    QVERIFY(profile.open(QIODevice::ReadOnly));
    const QByteArray content = profile.readAll();
    profile.close();

    h.sel().GColorFan[1] = 5;
    h.sel().isPWMFan[0] = true;
    h.send({"selectProfile", "2"});
    QCOMPARE(h.state.currentProfile, 3);
    QCOMPARE(h.sel().profileValue, 1);
    QCOMPARE(h.sel().GColorFan[1], 77);
    QCOMPARE(filesIn(h.dir.path()), before);
    QVERIFY(profile.open(QIODevice::ReadOnly));
    QCOMPARE(profile.readAll(), content);
    QCOMPARE(h.reports(), (QStringList{steady(0, 0, 255, 0, 0), speed(0, 0, 100), steady(0, 1, 255, 77, 0),
                                       steady(0, 2, 255, 0, 0)}));
    QCOMPARE(h.views.calls.mid(0, 2), (QStringList{"setProfile(3)", "setProfileLabel(1)"}));
    QCOMPARE(h.emu.saveCount(0), 0);
}

void TestPanelSettings::saveProfileReachesBothBoxes()
{
    DispatchHarness h({0, 3, 4});
    h.state.currentProfile = 2;
    h.box(4).profileValue = 2;
    h.box(3).profileValue = 1;
    h.box(4).RColorFan[2] = 1;
    ControllerBox &b = h.sel();
    b.RColorFan[0] = 10;
    b.GColorFan[0] = 20;
    b.BColorFan[0] = 30;
    b.LEDModeFan[1] = 1;
    b.isTurnOffLedFan[2] = true;
    b.isPWMFan[2] = false;
    b.speedFan[2] = 4;
    h.send({"saveProfile"});

    QCOMPARE(b.profileValue, 2);
    QCOMPARE(h.views.calls.mid(0, 2), (QStringList{"setProfile(2)", "setProfileLabel(2)"}));
    QSettings profile(h.store->profileFilePath(2), QSettings::IniFormat);
    QCOMPARE(profile.value("Fan0/GColor").toString(), QStringLiteral("20"));
    QCOMPARE(profile.value("Fan2/Speed").toString(), QStringLiteral("4"));
    QCOMPARE(QSettings(h.deviceIni(), QSettings::IniFormat).value("Device0/Profile").toString(),
             QStringLiteral("2"));
    QCOMPARE(h.box(4).RColorFan[0], 10);
    QCOMPARE(h.box(4).RColorFan[2], 255);
    QCOMPARE(h.box(4).LEDModeFan[1], 1);

    const QStringList box0 = {steady(0, 0, 10, 20, 30), cycle(0, 1), steady(0, 2, 0, 0, 0), speed(0, 2, 80),
                              storeCmd(0)};
    QStringList box4 = box0;
    for (QString &s : box4)
        s.replace(0, 1, QStringLiteral("4"));
    QCOMPARE(h.reports(), box0 + box4);
    QCOMPARE(h.emu.saveCount(0), 1);
    QCOMPARE(h.emu.saveCount(4), 1);
    QCOMPARE(h.emu.saveCount(3), 0);
}

void TestPanelSettings::changeControllerBox()
{
    DispatchHarness h;
    h.send({"changeControllerBox", "2"});
    QCOMPARE(h.state.controllerBoxNumber, 2);
    QVERIFY(h.tasks->rpmTimer().isActive());
    h.send({"changeControllerBox", "16"});
    QCOMPARE(h.state.controllerBoxNumber, 2);
    h.send({"changeControllerBox", "9"});
    QCOMPARE(h.state.controllerBoxNumber, 9);
    QVERIFY(!h.tasks->rpmTimer().isActive());
}

void TestPanelSettings::changeLanguage_data()
{
    QTest::addColumn<QString>("index");
    QTest::addColumn<bool>("withLoader");
    QTest::addColumn<int>("stored");
    QTest::newRow("de") << "3" << true << 3;
    QTest::newRow("9 loads nothing, still stored") << "9" << true << 9;
    QTest::newRow("no loader") << "6" << false << 6;
}

void TestPanelSettings::changeLanguage()
{
    QFETCH(QString, index);
    QFETCH(bool, withLoader);
    QFETCH(int, stored);
    DispatchHarness h;
    QList<int> asked;
    if (withLoader)
        h.dispatcher.setLanguageLoader([&asked](int i) {
            asked << i;
            return i >= 0 && i <= 6;
        });
    h.send({"changeLanguage", index});
    QCOMPARE(h.state.languageIndex, stored);
    QCOMPARE(asked, withLoader ? QList<int>{stored} : QList<int>{});
    QCOMPARE(h.views.calls, QStringList{QStringLiteral("setLanguage(%1)").arg(stored)});
    QCOMPARE(QSettings(h.deviceIni(), QSettings::IniFormat).value("Main/Language").toString(), index);
}

void TestPanelSettings::switchesAreSaved_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("AutoUpdate off") << QStringList{"AutoUpdate", "0"} << "Main/AutoUpdate" << "0";
    QTest::newRow("AutoUpdate text clears") << QStringList{"AutoUpdate", "yes"} << "Main/AutoUpdate" << "0";
    QTest::newRow("Password on") << QStringList{"Password", "1"} << "Main/OpenPassword" << "1";
    QTest::newRow("Password 5 sets") << QStringList{"Password", "5"} << "Main/OpenPassword" << "1";
    QTest::newRow("changePassword") << QStringList{"changePassword", "0042"} << "Main/Password" << "0042";
}

void TestPanelSettings::switchesAreSaved()
{
    QFETCH(QStringList, list);
    QFETCH(QString, key);
    QFETCH(QString, value);
    DispatchHarness h;
    h.send(list);
    QCOMPARE(QSettings(h.deviceIni(), QSettings::IniFormat).value(key).toString(), value);
    if (list.first() == QLatin1String("AutoUpdate"))
        QCOMPARE(h.state.isStartAutoUpdate, value == QLatin1String("1"));
    else if (list.first() == QLatin1String("Password"))
        QCOMPARE(h.state.isOpenPassword, value == QLatin1String("1"));
    else
        QCOMPARE(h.state.passwordStr, value);
    QVERIFY(h.reports().isEmpty());
}

void TestPanelSettings::closeFanControl()
{
    DispatchHarness h;
    h.send({"closeFanControl", "1", "0"});
    QVERIFY(!h.sel().monitorFan[1]);
    QVERIFY(h.sel().monitorFan[0]);
    QCOMPARE(QSettings(h.deviceIni(), QSettings::IniFormat).value("Device0/Monitor").toString(),
             QStringLiteral("1,0,1"));
    h.send({"closeFanControl", "1", "1"});
    QVERIFY(h.sel().monitorFan[1]);
}

void TestPanelSettings::showInfo()
{
    DispatchHarness h;
    h.send({"showInfo"});  // no read-out yet: nothing happens
    int calls = 0;
    h.dispatcher.setInfoReadout([&calls] { ++calls; });
    h.send({"showInfo"});
    QCOMPARE(calls, 1);
    QVERIFY(h.reports().isEmpty());
}

void TestPanelSettings::refused_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::newRow("empty list") << QStringList{};
    QTest::newRow("unknown name") << QStringList{"Fanfare", "1", "1"};
    QTest::newRow("Performance is not a command") << QStringList{"Performance", "0"};
    QTest::newRow("Silent is not a command") << QStringList{"Silent", "0"};
    QTest::newRow("case matters") << QStringList{"palette", "0", "1", "2", "3"};
    QTest::newRow("short Palette") << QStringList{"Palette", "1", "10", "20"};
    QTest::newRow("short pushPWM") << QStringList{"pushPWM", "1"};
    QTest::newRow("short Blink") << QStringList{"Blink", "1"};
    QTest::newRow("short btn_Copy") << QStringList{"btn_Copy"};
    QTest::newRow("short slider") << QStringList{"changeSliderLight", "0"};
    QTest::newRow("short selectProfile") << QStringList{"selectProfile"};
    QTest::newRow("short changeControllerBox") << QStringList{"changeControllerBox"};
    QTest::newRow("short changeLanguage") << QStringList{"changeLanguage"};
    QTest::newRow("short AutoUpdate") << QStringList{"AutoUpdate"};
    QTest::newRow("short changePassword") << QStringList{"changePassword"};
    QTest::newRow("short closeFanControl") << QStringList{"closeFanControl", "2"};
    QTest::newRow("fan 3") << QStringList{"Palette", "3", "1", "2", "3"};
    QTest::newRow("fan -1") << QStringList{"Blink", "-1", "1"};
    QTest::newRow("fan 5 copy") << QStringList{"btn_Copy", "5"};
    QTest::newRow("fan 99 slider") << QStringList{"changeSliderLight", "99", "0.5"};
    QTest::newRow("fan 3 speed") << QStringList{"changeSliderFanSpeed", "3", "2"};
    QTest::newRow("fan 3 monitor") << QStringList{"closeFanControl", "3", "0"};
    QTest::newRow("fan 4 turn off") << QStringList{"pushTurnOff", "4", "1"};
    QTest::newRow("profile 5") << QStringList{"selectProfile", "5"};
    QTest::newRow("profile -1") << QStringList{"selectProfile", "-1"};
    QTest::newRow("box -2") << QStringList{"changeControllerBox", "-2"};
}

void TestPanelSettings::refused()
{
    QFETCH(QStringList, list);
    DispatchHarness h;
    h.tasks->startRpmPoll();
    const QString before = dumpState(h.state);
    const QStringList files = filesIn(h.dir.path());
    h.send(list);
    QCOMPARE(dumpState(h.state), before);
    QVERIFY(h.reports().isEmpty());
    QVERIFY(h.views.calls.isEmpty());
    QCOMPARE(filesIn(h.dir.path()), files);
    QVERIFY(h.tasks->rpmTimer().isActive());
}

QTEST_GUILESS_MAIN(TestPanelSettings)
#include "tst_panelsettings.moc"
