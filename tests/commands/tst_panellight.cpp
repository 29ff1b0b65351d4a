#include "commands/dispatchharness.h"

// Lighting commands of the fan view on the selected box.
class TestPanelLight : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(isolateEnvironment()); }

    void palette_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("off");
        QTest::addColumn<int>("modeAfter");
        QTest::addColumn<QString>("report");
        QTest::newRow("steady") << 0 << false << 0 << steady(0, 1, 10, 20, 30);
        QTest::newRow("cycle becomes steady") << 1 << false << 0 << steady(0, 1, 10, 20, 30);
        QTest::newRow("flash keeps flashing") << 2 << false << 2 << flash(0, 1, 10, 20, 30);
        QTest::newRow("switched off comes on") << 0 << true << 0 << steady(0, 1, 10, 20, 30);
        QTest::newRow("unknown mode kept") << 7 << false << 7 << steady(0, 1, 10, 20, 30);
    }

    void palette()
    {
        QFETCH(int, mode);
        QFETCH(bool, off);
        QFETCH(int, modeAfter);
        QFETCH(QString, report);
        DispatchHarness h;
        h.sel().LEDModeFan[1] = mode;
        h.sel().isTurnOffLedFan[1] = off;
        h.send({"Palette", "1", "10", "20", "30"});
        QCOMPARE(h.reports(), QStringList{report});
        QCOMPARE(h.sel().LEDModeFan[1], modeAfter);
        QCOMPARE((QList<int>{h.sel().RColorFan[1], h.sel().GColorFan[1], h.sel().BColorFan[1]}),
                 (QList<int>{10, 20, 30}));
        QVERIFY(!h.sel().isTurnOffLedFan[1]);
        QVERIFY(h.views.calls.isEmpty());
    }

    void blinkAndRgb_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<int>("modeAfter");
        QTest::addColumn<QString>("report");
        // Stored colour (40, 80, 120) at brightness 0.5.
        QTest::newRow("Blink on") << "Blink" << "1" << 2 << flash(0, 2, 20, 40, 60);
        QTest::newRow("Blink off") << "Blink" << "0" << 0 << steady(0, 2, 20, 40, 60);
        QTest::newRow("Blink 2 is off") << "Blink" << "2" << 0 << steady(0, 2, 20, 40, 60);
        QTest::newRow("Blink text is off") << "Blink" << "on" << 0 << steady(0, 2, 20, 40, 60);
        QTest::newRow("RGB on") << "RGB" << "1" << 1 << cycle(0, 2);
        QTest::newRow("RGB 2 is off") << "RGB" << "2" << 0 << steady(0, 2, 20, 40, 60);
    }

    void blinkAndRgb()
    {
        QFETCH(QString, command);
        QFETCH(QString, flag);
        QFETCH(int, modeAfter);
        QFETCH(QString, report);
        DispatchHarness h;
        h.paint(0, 2, 40, 80, 120);
        h.sel().brightFan[2] = 0.5f;
        h.sel().LEDModeFan[2] = 1;
        h.sel().isTurnOffLedFan[2] = true;
        h.send({command, "2", flag});
        QCOMPARE(h.reports(), QStringList{report});
        QCOMPARE(h.sel().LEDModeFan[2], modeAfter);
        QVERIFY(!h.sel().isTurnOffLedFan[2]);
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

    void pushTurnOff_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("offAfter");
        QTest::addColumn<QString>("report");
        QTest::newRow("off") << "1" << 2 << true << steady(0, 0, 0, 0, 0);
        QTest::newRow("on steady") << "0" << 0 << false << steady(0, 0, 9, 8, 7);
        QTest::newRow("on cycle") << "0" << 1 << false << cycle(0, 0);
        QTest::newRow("on flash") << "0" << 2 << false << flash(0, 0, 9, 8, 7);
        QTest::newRow("text reads 0: on") << "x" << 0 << false << steady(0, 0, 9, 8, 7);
        // Only "1" sends black; any other non-zero flag marks the fan off but resends its mode.
        QTest::newRow("2 marks off, sends mode") << "2" << 2 << true << flash(0, 0, 9, 8, 7);
    }

    void pushTurnOff()
    {
        QFETCH(QString, flag);
        QFETCH(int, mode);
        QFETCH(bool, offAfter);
        QFETCH(QString, report);
        DispatchHarness h;
        h.paint(0, 0, 9, 8, 7);
        h.sel().LEDModeFan[0] = mode;
        h.sel().isTurnOffLedFan[0] = !offAfter;
        h.send({"pushTurnOff", "0", flag});
        QCOMPARE(h.reports(), QStringList{report});
        QCOMPARE(h.sel().isTurnOffLedFan[0], offAfter);
        QCOMPARE(h.sel().LEDModeFan[0], mode);
    }

    void sliderLight_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("value");
        QTest::addColumn<float>("stored");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("steady") << 0 << "0.5" << 0.5f << QStringList{steady(0, 1, 100, 50, 0)};
        QTest::newRow("cycle sends steady") << 1 << "0.5" << 0.5f << QStringList{steady(0, 1, 100, 50, 0)};
        QTest::newRow("flash") << 2 << "0.25" << 0.25f << QStringList{flash(0, 1, 50, 25, 0)};
        QTest::newRow("other mode sends nothing") << 5 << "0.5" << 0.5f << QStringList{};
        QTest::newRow("not a number reads 0") << 0 << "bright" << 0.0f << QStringList{steady(0, 1, 0, 0, 0)};
        QTest::newRow("above 1 kept at 1") << 0 << "3.5" << 1.0f << QStringList{steady(0, 1, 200, 100, 0)};
        QTest::newRow("below 0 kept at 0") << 0 << "-2" << 0.0f << QStringList{steady(0, 1, 0, 0, 0)};
        QTest::newRow("nan reads 0") << 0 << "nan" << 0.0f << QStringList{steady(0, 1, 0, 0, 0)};
    }

    void sliderLight()
    {
        QFETCH(int, mode);
        QFETCH(QString, value);
        QFETCH(float, stored);
        QFETCH(QStringList, reports);
        DispatchHarness h;
        h.paint(0, 1, 200, 100, 0);
        h.sel().LEDModeFan[1] = mode;
        h.send({"changeSliderLight", "1", value});
        QCOMPARE(h.sel().brightFan[1], stored);
        QCOMPARE(h.reports(), reports);
        QCOMPARE(h.sel().LEDModeFan[1], mode);
    }

    void sliderLightOnSwitchedOffFanThenOn()
    {
        DispatchHarness h;
        h.sel().isTurnOffLedFan[0] = true;
        h.send({"changeSliderLight", "0", "0.5"});
        QCOMPARE(h.sel().brightFan[0], 0.5f);
        QVERIFY(h.reports().isEmpty());
        h.send({"pushTurnOff", "0", "0"});
        QCOMPARE(h.reports(), QStringList{steady(0, 0, 127, 0, 0)});
        QVERIFY(!h.sel().isTurnOffLedFan[0]);
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
