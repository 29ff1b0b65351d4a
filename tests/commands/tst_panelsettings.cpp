#include "commands/dispatchharness.h"

// Speed, profile, box and settings commands, and what the dispatcher refuses.
class TestPanelSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    // Fan 2 starts at level 2 with speed mode 9.
    void fanSpeed_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("pwm");
        QTest::addColumn<QString>("after");  // level, speed mode, PWM
        QTest::addColumn<QStringList>("reports");
        auto row = [](const char *cmd, bool pwm, const char *after, const QStringList &reports) {
            QTest::newRow(cmd) << QString::fromLatin1(cmd) << pwm << QString::fromLatin1(after) << reports;
        };
        row("changeSliderFanSpeed 2 3", false, "3 0 0", {speed(0, 2, 60)});
        row("changeSliderFanSpeed 2 0", false, "0 1 0", {speed(0, 2, 10)});
        row("changeSliderFanSpeed 2 5", false, "5 2 0", {speed(0, 2, 100)});
        row("changeSliderFanSpeed 2 fast", false, "0 1 0", {speed(0, 2, 10)});
        row("changeSliderFanSpeed 2 4", true, "4 0 1", {});  // PWM on: nothing sent
        row("pushPWM 2 1", false, "2 9 1", {});
        row("pushPWM 2 7", false, "2 9 1", {});
        row("pushPWM 2 0", true, "2 9 0", {speed(0, 2, 40)});
    }
    void fanSpeed()
    {
        QFETCH(QString, command);
        QFETCH(bool, pwm);
        QFETCH(QString, after);
        QFETCH(QStringList, reports);
        DispatchHarness h;
        ControllerBox &b = h.sel();
        b.isPWMFan[2] = pwm;
        b.speedFan[2] = 2;
        b.speedModeFan[2] = 9;
        h.send(command.split(QLatin1Char(' ')));
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(b.speedFan[2]).arg(b.speedModeFan[2]).arg(int(b.isPWMFan[2])), after);
        QCOMPARE(h.reports(), reports);
        QVERIFY(h.views.calls.isEmpty());
    }

    void selectProfileWritesNoFile()
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

    void saveProfileReachesBothBoxes()
    {
        DispatchHarness h({0, 3, 4});
        h.state.currentProfile = 2;
        h.box(4).profileValue = 2;
        h.box(4).RColorFan[2] = 1;
        ControllerBox &b = h.sel();
        h.paint(0, 0, 10, 20, 30);
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
        QCOMPARE(h.deviceKey("Device0/Profile"), QStringLiteral("2"));
        QCOMPARE(h.box(4).RColorFan[0], 10);
        QCOMPARE(h.box(4).RColorFan[2], 255);
        QCOMPARE(h.box(4).LEDModeFan[1], 1);
        QStringList expected;
        for (int n : {0, 4})
            expected << steady(n, 0, 10, 20, 30) << cycle(n, 1) << steady(n, 2, 0, 0, 0) << speed(n, 2, 80) << storeCmd(n);
        QCOMPARE(h.reports(), expected);  // box 3 keeps profile 1
        QCOMPARE(h.emu.saveCount(0), 1);
        QCOMPARE(h.emu.saveCount(4), 1);
    }

    void changeControllerBox()
    {
        DispatchHarness h;
        h.send({"changeControllerBox", "2"});
        QCOMPARE(h.state.controllerBoxNumber, 2);
        QVERIFY(h.tasks->rpmTimer().isActive());
        h.send({"changeControllerBox", "9"});
        QCOMPARE(h.state.controllerBoxNumber, 9);
        QVERIFY(!h.tasks->rpmTimer().isActive());
    }

    void changeLanguage_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<bool>("withLoader");
        QTest::newRow("de") << "3" << true;
        QTest::newRow("9 loads nothing, still stored") << "9" << true;
        QTest::newRow("no loader") << "6" << false;
    }

    void changeLanguage()
    {
        QFETCH(QString, index);
        QFETCH(bool, withLoader);
        DispatchHarness h;
        QList<int> asked;
        if (withLoader)
            h.dispatcher.setLanguageLoader([&asked](int i) {
                asked << i;
                return i >= 0 && i <= 6;
            });
        if (!withLoader || index.toInt() > 6)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no translation loaded .* current texts kept"));
        h.send({"changeLanguage", index});
        QCOMPARE(h.state.languageIndex, index.toInt());
        QCOMPARE(asked, withLoader ? QList<int>{index.toInt()} : QList<int>{});
        QCOMPARE(h.views.calls, QStringList{QStringLiteral("setLanguage(%1)").arg(index)});
        QCOMPARE(h.deviceKey("Main/Language"), index);
    }

    void switchesAreSaved_data()
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

    void switchesAreSaved()
    {
        QFETCH(QStringList, list);
        QFETCH(QString, key);
        QFETCH(QString, value);
        DispatchHarness h;
        h.send(list);
        QCOMPARE(h.deviceKey(key), value);
        const QString model = list.first() == QLatin1String("AutoUpdate") ? QString::number(h.state.isStartAutoUpdate)
                              : list.first() == QLatin1String("Password") ? QString::number(h.state.isOpenPassword)
                                                                          : h.state.passwordStr;
        QCOMPARE(model, value);
        QVERIFY(h.reports().isEmpty());
    }

    void closeFanControlAndShowInfo()
    {
        DispatchHarness h;
        h.send({"closeFanControl", "1", "0"});
        QCOMPARE(h.sel().monitorFan, (std::array<bool, 3>{{true, false, true}}));
        QCOMPARE(h.deviceKey("Device0/Monitor"), QStringLiteral("1,0,1"));
        h.send({"closeFanControl", "1", "1"});
        QVERIFY(h.sel().monitorFan[1]);

        h.send({"showInfo"});  // no read-out yet: nothing happens
        int calls = 0;
        h.dispatcher.setInfoReadout([&calls] { ++calls; });
        h.send({"showInfo"});
        QCOMPARE(calls, 1);
        QVERIFY(h.reports().isEmpty());
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::newRow("empty list") << QStringList{};
        // Unknown names (case matters, the mode buttons are no commands), lists too
        // short for their command, fans outside 0..2, profiles outside 0..4, boxes outside 0..15,
        // speed levels outside 0..5.
        for (const char *row : {"Fanfare 1 1", "Performance 0", "Silent 0", "palette 0 1 2 3", "Palette 1 10 20",
                                "pushPWM 1", "Blink 1", "btn_Copy", "changeSliderLight 0", "selectProfile",
                                "changeControllerBox", "changeLanguage", "AutoUpdate", "changePassword",
                                "closeFanControl 2", "Palette 3 1 2 3", "Blink -1 1", "btn_Copy 5",
                                "changeSliderLight 99 0.5", "changeSliderFanSpeed 3 2", "closeFanControl 3 0",
                                "pushTurnOff 4 1", "selectProfile 5", "selectProfile -1", "changeControllerBox -2",
                                "changeControllerBox 16", "changeSliderFanSpeed 2 6", "changeSliderFanSpeed 2 -1"})
            QTest::newRow(row) << QString::fromLatin1(row).split(QLatin1Char(' '));
    }

    void refused()
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
};

QTEST_GUILESS_MAIN(TestPanelSettings)
#include "tst_panelsettings.moc"
