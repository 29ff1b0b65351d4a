// Commands of the fan view on the selected box, and what the dispatcher refuses.
#include "commands/paneldispatcher.h"
#include "common/coreharness.h"

// The core plus the panel dispatcher; box 0 selected, boxes 0 and 2 attached
// unless a test asks for others.
struct DispatchHarness : CoreHarness {
    PanelDispatcher dispatcher;
    explicit DispatchHarness(const QList<int> &boxes = {0, 2})
        : CoreHarness(boxes), dispatcher(state, link, *store, *selection, views)
    {
    }
    void send(const QStringList &list) { dispatcher.receiveMainData(list); }
    ControllerBox &sel() { return state.selectedBox(); }
};

// Mode, off switch, colour and brightness of one fan, as "mode off r g b bright".
static QString fanSummary(const ControllerBox &b, size_t f)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(static_cast<int>(b.fans[f].lighting)).arg(int(b.fans[f].ledsOff)).arg(b.fans[f].colour.red).arg(b.fans[f].colour.green)
        .arg(b.fans[f].colour.blue).arg(double(b.fans[f].brightness));
}

class TestPanelDispatcher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    // Fan 1 starts with colour (40, 80, 120) at brightness 0.5 in the given mode
    // and off switch; after the command: "mode off r g b bright" and the report.
    void lightCommand()
    {
        const char *pal = "Palette 1 10 20 30", *slider = "changeSliderLight 1 0.25";
        const QString black = steady(0, 1, 0, 0, 0), dimFlash = flash(0, 1, 20, 40, 60);
        const QList<std::tuple<const char *, int, bool, const char *, QString>> rows{
            {pal, 1, false, "0 0 10 20 30 0.5", steady(0, 1, 5, 10, 15)},  // a cycle becomes steady
            {pal, 2, false, "2 0 10 20 30 0.5", flash(0, 1, 5, 10, 15)},
            {"Blink 1 1", 1, true, "2 0 40 80 120 0.5", dimFlash},
            {"RGB 1 1", 0, true, "1 0 40 80 120 0.5", cycle(0, 1)},
            // Off (any element 2 but 1) lights steady, switched on.
            {"Blink 1 0", 2, true, "0 0 40 80 120 0.5", steady(0, 1, 20, 40, 60)},
            {"RGB 1 2", 1, false, "0 0 40 80 120 0.5", steady(0, 1, 20, 40, 60)},
            {"pushTurnOff 1 1", 2, false, "2 1 40 80 120 0.5", black},
            {"pushTurnOff 1 0", 2, true, "2 0 40 80 120 0.5", dimFlash},
            // Only "1" sends black; any other non-zero flag marks the fan off but resends its mode.
            {"pushTurnOff 1 2", 2, false, "2 1 40 80 120 0.5", dimFlash},
            {slider, 1, false, "1 0 40 80 120 0.25", steady(0, 1, 10, 20, 30)},
            {slider, 5, false, "5 0 40 80 120 0.25", {}},  // another mode sends nothing
            {slider, 0, true, "0 1 40 80 120 0.25", {}},   // switched off: stored only
            {"changeSliderLight 1 nan", 0, false, "0 0 40 80 120 0", black},
            {"changeSliderLight 1 1.5", 1, false, "1 0 40 80 120 1", steady(0, 1, 40, 80, 120)}};
        for (const auto &[command, mode, off, after, report] : rows) {
            DispatchHarness h;
            h.paint(0, 1, 40, 80, 120);
            h.sel().fans[1].brightness = 0.5f;
            setMode(h.sel().fans[1].lighting, mode);
            h.sel().fans[1].ledsOff = off;
            h.send(QString(command).split(QLatin1Char(' ')));
            QCOMPARE(fanSummary(h.sel(), 1), QString(after));
            QCOMPARE(h.reports(), report.isEmpty() ? QStringList{} : QStringList{report});
        }
    }

    // Fan 0 flashes (100, 50, 10) at half brightness; copied onto fan 2, or from switched off.
    void copyFan()
    {
        for (auto [target, sourceOff, report] : {std::tuple{2, false, flash(0, 2, 50, 25, 5)},
                                                 {1, true, steady(0, 1, 0, 0, 0)}}) {
            DispatchHarness h;
            ControllerBox &b = h.sel();
            h.paint(0, 0, 100, 50, 10);
            b.fans[0].brightness = 0.5f;
            setMode(b.fans[0].lighting, 2);
            setLevels(b, {1, 5, 3});
            b.fans[0].source = (false) ? SpeedSource::following() : SpeedSource::fixed();
            b.fans[0].ledsOff = sourceOff;
            b.fans[2].ledsOff = true;
            h.send({"btn_Copy", QString::number(target)});
            QCOMPARE(h.reports(), QStringList{report});
            QCOMPARE(fanSummary(b, size_t(target)), QStringLiteral("2 %1 100 50 10 0.5").arg(int(sourceOff)));
            QVERIFY(b.fans[0].speedLevel == 1 && b.fans[1].speedLevel == 5 && b.fans[2].speedLevel == 3);  // speed settings are never copied
            QVERIFY(b.fans[2].source.followsCurve());
            QVERIFY(h.views.calls.contains(QStringLiteral("setSelectColor(100,50,10,0.5,%1)").arg(target)));  // the panel redrawn
        }
    }

    // A change of one fan of the shown box redraws that fan alone; a percent
    // sent shows at once, for the shown box only and when it differs.
    void panelFollowsChanges()
    {
        DispatchHarness h;
        h.state.events.fanChanged(0, 1);
        QVERIFY(h.views.count("setProfile(") == 0 && h.views.count("setPWM(") == 1);
        QVERIFY(h.views.calls.contains("setPWM(1,1)"));
        h.views.clear();
        h.link.setFanSpeedPercent(2, 0, 55);
        h.link.setFanSpeedPercent(0, 2, 55);
        h.link.setFanSpeedPercent(0, 2, 55);
        QCOMPARE(h.views.calls, QStringList{"setSentPercent(55,2)"});
    }

    // Fan 2 starts at level 2 with speed mode 9; after: level, speed mode, PWM.
    void fanSpeed()
    {
        for (auto [command, pwm, after, report] : {std::tuple{"changeSliderFanSpeed 2 3", false, "3 0 0", speed(0, 2, 60)},
                                                   {"changeSliderFanSpeed 2 4", true, "4 0 1", QString()},  // PWM on: nothing sent
                                                   {"pushPWM 2 7", false, "2 9 1", QString()},
                                                   {"pushPWM 2 0", true, "2 9 0", speed(0, 2, 40)}}) {
            DispatchHarness h;
            ControllerBox &b = h.sel();
            b.fans[2].source = (pwm) ? SpeedSource::following() : SpeedSource::fixed();
            b.fans[2].speedLevel = 2;
            b.fans[2].speedMode = 9;
            h.send(QString(command).split(QLatin1Char(' ')));
            QCOMPARE(QStringLiteral("%1 %2 %3").arg(b.fans[2].speedLevel).arg(b.fans[2].speedMode).arg(int(b.fans[2].source.followsCurve())), QString(after));
            QCOMPARE(h.reports(), report.isEmpty() ? QStringList{} : QStringList{report});
            QCOMPARE(h.views.calls.size(), h.views.count("setSentPercent("));  // only what the box was sent
        }
    }

    void selectProfileWritesNoFile()
    {
        DispatchHarness h;
        h.sel().fans[1].colour.green = 77;
        h.sel().fans[0].source = (false) ? SpeedSource::following() : SpeedSource::fixed();
        QVERIFY(h.store->saveProfileSettings(3));
        const QStringList before = filesIn(h.dir.path());
        auto content = [&h] { QFile f(h.store->profileFilePath(3)); return f.open(QIODevice::ReadOnly) ? f.readAll() : ""; };
        const QByteArray stored = content();
        h.sel().fans[1].colour.green = 5;
        h.sel().fans[0].source = (true) ? SpeedSource::following() : SpeedSource::fixed();
        h.send({"selectProfile", "2"});
        QCOMPARE(h.state.currentProfile, 3);
        QCOMPARE(h.sel().profileValue, 1);
        QCOMPARE(filesIn(h.dir.path()), before);
        QCOMPARE(content(), stored);
        QCOMPARE(h.reports(), (QStringList{steady(0, 0, 255, 0, 0), speed(0, 0, 100), steady(0, 1, 255, 77, 0),
                                           steady(0, 2, 255, 0, 0)}));
        QCOMPARE(h.views.count("setProfile("), 1);
    }

    // Switches written to Device.ini at once: the key afterwards and what the
    // views are told (the panel already shows its own switch).
    void switchesSavedAtOnce()
    {
        for (auto [command, key, value, calls] : {std::tuple{"closeFanControl 1 0", "Device0/Monitor", "1,0,1", QStringList{}},
                                                  {"changeLanguage 3", "Main/Language", "3", QStringList{"setLanguage(3)"}},
                                                  {"AutoUpdate 0", "Main/AutoUpdate", "0", QStringList{}},
                                                  {"Password 1", "Main/OpenPassword", "1", QStringList{}},
                                                  {"changePassword 0042", "Main/Password", "0042", QStringList{}},
                                                  {"changePassword 42", "Main/Password", "0042", QStringList{}}}) {
            DispatchHarness h;
            h.send(QString(command).split(QLatin1Char(' ')));
            QCOMPARE(h.deviceKey(key), QString(value));
            QCOMPARE(h.views.calls, calls);
            QVERIFY(h.reports().isEmpty());
        }
    }

    void saveProfileReachesBoxesOfThatProfile()
    {
        DispatchHarness h({0, 3, 4});
        h.state.currentProfile = 2;
        h.box(4).profileValue = 2;
        h.box(4).fans[2].colour.red = 1;
        ControllerBox &b = h.sel();
        h.paint(0, 0, 10, 20, 30);
        setMode(b.fans[1].lighting, 1);
        b.fans[2].ledsOff = true;
        b.fans[2].source = (false) ? SpeedSource::following() : SpeedSource::fixed();
        b.fans[2].speedLevel = 4;
        h.send({"saveProfile"});
        QCOMPARE(b.profileValue, 2);
        QSettings profile(h.store->profileFilePath(2), QSettings::IniFormat);
        QCOMPARE(profile.value("Fan0/GColor").toString() + profile.value("Fan2/Speed").toString(), QStringLiteral("204"));
        QCOMPARE(h.deviceKey("Device0/Profile"), QStringLiteral("2"));
        QStringList expected;
        for (int n : {0, 4})
            expected << steady(n, 0, 10, 20, 30) << cycle(n, 1) << steady(n, 2, 0, 0, 0) << speed(n, 2, 80) << storeCmd(n);
        QCOMPARE(h.reports(), expected);  // box 3 keeps profile 1
        QCOMPARE(h.box(3).fans[0].colour.red, 255);
    }

    void changeControllerBox()
    {
        DispatchHarness h;
        h.box(2).profileValue = 3;
        h.box(2).fans[1].colour.red = 7;  // replaced by profile 3 (defaults: no file yet)
        h.send({"changeControllerBox", "2"});
        QCOMPARE(h.state.controllerBoxNumber, 2);
        QCOMPARE(h.state.currentProfile, 3);
        QVERIFY(h.timers.rpmTimer().isActive());
        QCOMPARE(h.deviceKey("Device2/Profile"), QStringLiteral("3"));
        // Profile defaults follow the temperature curve: lighting only.
        QCOMPARE(h.reports(), (QStringList{steady(2, 0, 255, 0, 0), steady(2, 1, 255, 0, 0), steady(2, 2, 255, 0, 0)}));
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::newRow("empty list") << QStringList{};
        // Unknown names (case matters, the mode buttons are no commands), lists too
        // short for their command, fans outside 0..2, profiles outside 0..4, boxes outside 0..15,
        // speed levels outside 0..5, colours outside 0..255, PINs that are not 0..9999.
        for (const char *row : {"Fanfare 1 1", "Performance 0", "palette 0 1 2 3", "Palette 1 10 20", "pushPWM 1",
                                "btn_Copy", "selectProfile", "changeLanguage", "Palette 3 1 2 3", "Blink -1 1",
                                "closeFanControl 3 0", "selectProfile 5", "changeControllerBox 16",
                                "changeSliderFanSpeed 2 6", "Palette 1 10 20 256", "changePassword 10000",
                                "changePassword 4x", "changePassword -1"})
            QTest::newRow(row) << QString::fromLatin1(row).split(QLatin1Char(' '));
    }
    void refused()
    {
        QFETCH(QStringList, list);
        DispatchHarness h;
        h.timers.startRpmPoll();
        const QString before = dumpState(h.state);
        const QStringList files = filesIn(h.dir.path());
        h.send(list);
        QCOMPARE(dumpState(h.state), before);
        QVERIFY(h.reports().isEmpty() && h.views.calls.isEmpty());
        QCOMPARE(filesIn(h.dir.path()), files);
        QVERIFY(h.timers.rpmTimer().isActive());
    }
};

QTEST_GUILESS_MAIN(TestPanelDispatcher)
#include "tst_paneldispatcher.moc"
