// Clicks the real buttons, sliders and palette of one fan view and checks the
// exact command lists it emits; the stopped-fan warning.
#include "ui/alertview.h"
#include "ui/zaldorgbfanview.h"
#include "ui/uitestenv.h"

#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTranslator>
#include <QtTest>

class TestFanView : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    std::unique_ptr<ZaldoRGBFanView> view;
    std::unique_ptr<QSignalSpy> spy;

    QPushButton *button(const char *name) { return view->findChild<QPushButton *>(QLatin1String(name)); }
    QSlider *slider(const char *name) { return view->findChild<QSlider *>(QLatin1String(name)); }
    QSlider *light() { return slider("slider_Light_Fan"); }
    bool checked(const char *name) { return button(name)->isChecked(); }
    // Through the window, so the widget under the pointer gets the press, as with a real mouse.
    void clickAt(const QPoint &p) { QTest::mouseClick(view->windowHandle(), Qt::LeftButton, Qt::NoModifier, p); }
    void click(const char *name)
    {
        QWidget *w = view->findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(w, name);
        clickAt(w->geometry().center());
    }
    QStringList paletteList(int fan, int px, int py)
    {
        const QRgb c = QImage(imageDir() + QStringLiteral("/palette.png")).pixel(px, py);
        return {QStringLiteral("Palette"), QString::number(fan), QString::number(qRed(c)),
                QString::number(qGreen(c)), QString::number(qBlue(c))};
    }

private Q_SLOTS:
    void initTestCase()
    {
        isolate(home);
        QVERIFY2(QFile::exists(imageDir() + QStringLiteral("/palette.png")), "assets not built");
    }
    void init()
    {
        view = std::make_unique<ZaldoRGBFanView>();
        view->setFanNumber(1);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        spy = std::make_unique<QSignalSpy>(view.get(), &ZaldoRGBFanView::sendData);
    }
    void cleanup()
    {
        spy.reset();
        view.reset();
    }

    // The speed text for PWM on and off; pressing PWM flips it and says so.
    void speedTextAndBrightness()
    {
        for (auto [level, text, flipped] : {std::tuple{0, "Silent  50 %", "Silent  10 %"}, {2, "70 %", "40 %"}}) {
            view->setPWM(true);
            view->setFanSpeed(level);
            QCOMPARE(view->speedText(), QString(text));
            QVERIFY(checked("Silent") == (level == 0) && !checked("Performance"));
            spy->clear();
            click("PWM");
            QCOMPARE(view->speedText(), QString(flipped));
            click("PWM");
            QCOMPARE(lists(*spy), (Lists{{"pushPWM", "1", "0"}, {"pushPWM", "1", "1"}}));
        }
        // On a curve the percent last sent, once one is known; a fixed level shows its own.
        for (auto [pwm, sent, text] : {std::tuple{true, 45, "45 %"}, {false, 45, "40 %"}, {true, -1, "70 %"}}) {
            view->setFanSpeed(2);
            view->setSentPercent(sent);
            view->setPWM(pwm);
            QCOMPARE(view->speedText(), QString(text));
        }
        // Both ways: the slider position is darkness; setBright puts the slider
        // back through the same path (echoing the command).
        for (auto [position, text] : {std::pair{0, "1"}, {29, "0.71"}, {100, "0"}}) {
            light()->setValue(50);
            spy->clear();
            light()->setValue(position);
            view->setBright(0.5f);
            view->setBright(QString(text).toFloat());
            QCOMPARE(light()->value(), position);
            QCOMPARE(lists(*spy), (Lists{{"changeSliderLight", "1", text}, {"changeSliderLight", "1", "0.5"},
                                         {"changeSliderLight", "1", text}}));
        }
    }

    // Mode buttons from steady (or from colour cycle with LEDs off): what each
    // click sends, which buttons stay checked, and the brightness slider's state.
    void modeButtons_data()
    {
        QTest::addColumn<bool>("fromCycleOff");
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<Lists>("emitted");
        QTest::addColumn<QString>("checkedAfter");
        QTest::addColumn<bool>("sliderOn");
        QTest::newRow("RGB over Blink") << false << "Blink RGB" << Lists{{"Blink", "1", "1"}, {"RGB", "1", "1"}} << "RGB"
                                        << false;
        QTest::newRow("Blink over RGB") << false << "RGB Blink" << Lists{{"RGB", "1", "1"}, {"Blink", "1", "1"}}
                                        << "Blink" << true;
        QTest::newRow("Off keeps Blink") << true << "Blink Off" << Lists{{"Blink", "1", "1"}, {"pushTurnOff", "1", "1"}}
                                         << "Blink Off" << true;
    }
    void modeButtons()
    {
        QFETCH(bool, fromCycleOff);
        QFETCH(QString, clicks);
        QFETCH(Lists, emitted);
        QFETCH(QString, checkedAfter);
        QFETCH(bool, sliderOn);
        view->setSelectColor(10, 200, 30, 1.0f);
        view->setRGB(fromCycleOff);
        view->setTurnOff(fromCycleOff);
        view->setBlink(false); // leaves RGB and Off untouched
        for (const QString &name : clicks.split(' '))
            click(qPrintable(name));
        QCOMPARE(lists(*spy), emitted);
        for (const char *name : {"RGB", "Blink", "Off"})
            QVERIFY2(checked(name) == checkedAfter.split(' ').contains(QLatin1String(name)), name);
        QCOMPARE(light()->isEnabled(), sliderOn);
    }

    // A press inside the circle (which reaches past the picture's right and
    // bottom edges: the nearest edge pixel is picked) sends that colour and
    // leaves the colour cycle and the LEDs-off state.
    void paletteHitCircle()
    {
        for (auto [press, pixel] : {std::pair{QPoint(88, 285), QPoint(75, 75)}, {QPoint(12, 285), QPoint()},
                                    {QPoint(155, 320), QPoint(139, 110)}, {QPoint(40, 250), QPoint(27, 40)}}) {
            const bool picks = !pixel.isNull();
            view->setRGB(true);
            view->setTurnOff(true);
            spy->clear();
            clickAt(press);
            QCOMPARE(lists(*spy), (picks ? Lists{paletteList(1, pixel.x(), pixel.y())} : Lists{}));
            QCOMPARE(!checked("RGB") && !checked("Off") && light()->isEnabled(), picks);
        }
        QVERIFY(paletteList(1, 27, 40)[3] != paletteList(1, 27, 40)[4]);  // a green-blue swap shows
        spy->clear();
        QTest::mouseClick(view->windowHandle(), Qt::RightButton, Qt::NoModifier, QPoint(88, 285));
        QVERIFY(spy->isEmpty());  // only the left button picks
    }

    // The speed area's menu (right-click there, or Shift+F10) asks for this fan's curve editor.
    void curveMenu()
    {
        const QPoint speed = slider("slider_RPM_Fan")->geometry().center(), blink(200, 293);
        for (auto [key, where] : {std::pair{false, speed}, {false, blink}, {true, QPoint()}}) {
            spy->clear();
            key ? QTest::keyClick(view.get(), Qt::Key_F10, Qt::ShiftModifier)
                : QTest::mouseClick(view->windowHandle(), Qt::RightButton, Qt::NoModifier, where);
            std::unique_ptr<QMenu> menu(view->findChild<QMenu *>());
            QCOMPARE(bool(menu), where != blink);
            if (menu)
                menu->actions().value(0)->trigger();
            QCOMPARE(lists(*spy), (menu ? Lists{{"editCurve", "1"}} : Lists{}));
        }
    }

    // OK and close() both hide the stopped-fan warning and emit "test" once;
    // it lives on for the next stopped fan, named 1-based.
    void alertDismissals()
    {
        AlertView alert;
        QSignalSpy alertSpy(&alert, &AlertView::sendData);
        for (int how = 0; how < 2; ++how) {
            alert.setControllerNumber(how * 7, how * 2);
            alert.show();
            QCOMPARE(alert.messageText(), QStringLiteral("Controller No. %1  Fan No. %2").arg(how * 7 + 1).arg(how * 2 + 1));
            if (how == 0)
                QTest::mouseClick(alert.findChild<QPushButton *>(QStringLiteral("btn_fanAlertOK")), Qt::LeftButton);
            else
                QVERIFY(!alert.close());
            QVERIFY(alert.isHidden());
            QCOMPARE(alertSpy.count(), how + 1);
        }
        QCOMPARE(alertSpy.at(0).at(0).toString(), QStringLiteral("test"));
        // The fan's words in every language.
        for (const char *code : {"en", "tc", "cn", "de", "fr", "jp", "th"}) {
            QTranslator t;
            QVERIFY(t.load(QCoreApplication::applicationDirPath() + "/Language/" + code + ".qm"));
            QVERIFY2(t.translate("AlertView", "Fan No. %1").contains("%1"), code);
        }
    }
};

QTEST_MAIN(TestFanView)
#include "tst_fanview.moc"
