#include "commands/dispatchharness.h"

// Mode, off switch, colour and brightness of one fan, as "mode off r g b bright".
static QString fanSummary(const ControllerBox &b, size_t f)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(b.LEDModeFan[f]).arg(int(b.isTurnOffLedFan[f])).arg(b.RColorFan[f]).arg(b.GColorFan[f])
        .arg(b.BColorFan[f]).arg(double(b.brightFan[f]));
}

// Lighting commands of the fan view on the selected box.
class TestPanelLight : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    // Fan 1 starts with colour (40, 80, 120) at brightness 0.5; "after" is its mode, off switch, colour, brightness.
    void lightCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("off");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("reports");
        auto row = [](const char *name, const char *cmd, int mode, bool off, const char *after, const QString &report) {
            QTest::newRow(name) << QString::fromLatin1(cmd) << mode << off << QString::fromLatin1(after)
                                << (report.isEmpty() ? QStringList{} : QStringList{report});
        };
        const char *pal = "Palette 1 10 20 30", *slider = "changeSliderLight 1 0.25";
        const QString paletteSteady = steady(0, 1, 5, 10, 15), dim = steady(0, 1, 20, 40, 60);
        const QString black = steady(0, 1, 0, 0, 0), quarter = steady(0, 1, 10, 20, 30);
        row("Palette steady", pal, 0, false, "0 0 10 20 30 0.5", paletteSteady);
        row("Palette: cycle becomes steady", pal, 1, false, "0 0 10 20 30 0.5", paletteSteady);
        row("Palette: flash keeps flashing", pal, 2, false, "2 0 10 20 30 0.5", flash(0, 1, 5, 10, 15));
        row("Palette: switched off comes on", pal, 0, true, "0 0 10 20 30 0.5", paletteSteady);
        row("Palette: unknown mode kept", pal, 7, false, "7 0 10 20 30 0.5", paletteSteady);
        row("Blink on", "Blink 1 1", 1, true, "2 0 40 80 120 0.5", flash(0, 1, 20, 40, 60));
        row("Blink off", "Blink 1 0", 1, true, "0 0 40 80 120 0.5", dim);
        row("Blink 2 is off", "Blink 1 2", 1, true, "0 0 40 80 120 0.5", dim);
        row("Blink text is off", "Blink 1 on", 1, true, "0 0 40 80 120 0.5", dim);
        row("RGB on", "RGB 1 1", 0, true, "1 0 40 80 120 0.5", cycle(0, 1));
        row("RGB 2 is off", "RGB 1 2", 1, true, "0 0 40 80 120 0.5", dim);
        row("pushTurnOff 1 sends black", "pushTurnOff 1 1", 2, false, "2 1 40 80 120 0.5", black);
        row("pushTurnOff 0: steady", "pushTurnOff 1 0", 0, true, "0 0 40 80 120 0.5", dim);
        row("pushTurnOff 0: cycle", "pushTurnOff 1 0", 1, true, "1 0 40 80 120 0.5", cycle(0, 1));
        row("pushTurnOff 0: flash", "pushTurnOff 1 0", 2, true, "2 0 40 80 120 0.5", flash(0, 1, 20, 40, 60));
        row("pushTurnOff text reads 0", "pushTurnOff 1 x", 0, true, "0 0 40 80 120 0.5", dim);
        // Only "1" sends black; any other non-zero flag marks the fan off but resends its mode.
        row("pushTurnOff 2: off, sends mode", "pushTurnOff 1 2", 2, false, "2 1 40 80 120 0.5", flash(0, 1, 20, 40, 60));
        row("slider steady", slider, 0, false, "0 0 40 80 120 0.25", quarter);
        row("slider: cycle sends steady", slider, 1, false, "1 0 40 80 120 0.25", quarter);
        row("slider flash", slider, 2, false, "2 0 40 80 120 0.25", flash(0, 1, 10, 20, 30));
        row("slider: other mode sends nothing", slider, 5, false, "5 0 40 80 120 0.25", {});
        row("slider: switched off stores only", slider, 0, true, "0 1 40 80 120 0.25", {});
        row("slider: text reads 0", "changeSliderLight 1 bright", 0, false, "0 0 40 80 120 0", black);
        row("slider: above 1 kept at 1", "changeSliderLight 1 3.5", 0, false, "0 0 40 80 120 1", steady(0, 1, 40, 80, 120));
        row("slider: below 0 kept at 0", "changeSliderLight 1 -2", 0, false, "0 0 40 80 120 0", black);
        row("slider: nan reads 0", "changeSliderLight 1 nan", 0, false, "0 0 40 80 120 0", black);
    }
    void lightCommand()
    {
        QFETCH(QString, command);
        QFETCH(int, mode);
        QFETCH(bool, off);
        QFETCH(QString, after);
        QFETCH(QStringList, reports);
        DispatchHarness h;
        h.paint(0, 1, 40, 80, 120);
        h.sel().brightFan[1] = 0.5f;
        h.sel().LEDModeFan[1] = mode;
        h.sel().isTurnOffLedFan[1] = off;
        h.send(command.split(QLatin1Char(' ')));
        QCOMPARE(fanSummary(h.sel(), 1), after);
        QCOMPARE(h.reports(), reports);
    }

    void copyOntoFan_data()
    {
        QTest::addColumn<int>("target");
        QTest::newRow("onto fan 2") << 2;
        QTest::newRow("onto itself") << 0;
    }

    void copyOntoFan()
    {
        QFETCH(int, target);
        DispatchHarness h;
        ControllerBox &b = h.sel();
        h.paint(0, 0, 100, 50, 10);
        b.brightFan[0] = 0.5f;
        b.LEDModeFan[0] = 2;
        b.speedFan = {{1, 5, 3}};
        b.isPWMFan[0] = false;
        const auto t = static_cast<size_t>(target);
        b.isTurnOffLedFan[t] = target != 0;
        h.send({"btn_Copy", QString::number(target)});
        QCOMPARE(h.reports(), QStringList{flash(0, target, 50, 25, 5)});
        QCOMPARE((QList<int>{b.LEDModeFan[t], b.RColorFan[t], b.GColorFan[t], b.BColorFan[t]}),
                 (QList<int>{2, 100, 50, 10}));
        QCOMPARE(b.brightFan[t], 0.5f);
        QVERIFY(!b.isTurnOffLedFan[t]);
        QCOMPARE(b.speedFan, (std::array<int, 3>{{1, 5, 3}}));  // speed settings are never copied
        QVERIFY(b.isPWMFan[2]);
        QCOMPARE(h.views.calls.mid(0, 2), (QStringList{"setProfile(1)", "setProfileLabel(1)"}));
        QCOMPARE(h.views.count(QStringLiteral("setSelectColor(")), 3);
    }

    void copyWhileSourceSwitchedOff()
    {
        DispatchHarness h;
        ControllerBox &b = h.sel();
        b.isTurnOffLedFan[0] = true;
        b.LEDModeFan[0] = 2;
        b.GColorFan[0] = 200;
        b.brightFan[0] = 0.25f;
        h.send({"btn_Copy", "1"});
        QCOMPARE(h.reports(), QStringList{steady(0, 1, 0, 0, 0)});
        QVERIFY(b.isTurnOffLedFan[1]);
        QCOMPARE(b.LEDModeFan[1], 2);
        QCOMPARE(b.GColorFan[1], 200);
        QVERIFY(h.views.calls.contains(QStringLiteral("setTurnOff(1,1)")));
    }

    void lightOnAbsentBoxChangesModelOnly()
    {
        DispatchHarness h;
        h.state.controllerBoxNumber = 5;
        h.send({"Blink", "1", "1"});
        h.send({"Palette", "0", "1", "2", "3"});
        QVERIFY(h.reports().isEmpty());
        QCOMPARE(h.box(5).LEDModeFan[1], 2);
        QCOMPARE(h.box(5).BColorFan[0], 3);
    }
};

QTEST_GUILESS_MAIN(TestPanelLight)
#include "tst_panellight.moc"
