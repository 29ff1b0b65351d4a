// Clicks the real buttons, sliders and palette of one fan view and checks the
// exact command lists it emits.
#include "ui/uiimages.h"
#include "ui/zaldorgbfanview.h"
#include "uitestenv.h"

#include <QImage>
#include <QPushButton>
#include <QSlider>
#include <QTranslator>
#include <QtTest>

#include <limits>

using Lists = QList<QStringList>;

class TestFanView : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;
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
    bool gradientFrom(const QString &rgb) { return light()->styleSheet().contains("stop:0 rgb(" + rgb + ")"); }

private Q_SLOTS:
    void initTestCase()
    {
        home = makeUiTestHome();
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
        UiImages::setRootForTesting(QString());
    }

    void speedButtons_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Lists>("emitted");
        QTest::addColumn<QString>("text");
        QTest::newRow("Performance from 3") << 3 << "Performance"
                                            << Lists{{"changeSliderFanSpeed", "1", "5"}, {"Performance", "1"}}
                                            << "Performance\n100 %";
        QTest::newRow("Performance when checked") << 5 << "Performance" << Lists{} << "Performance\n100 %";
        QTest::newRow("Silent from Performance") << 5 << "Silent"
                                                 << Lists{{"changeSliderFanSpeed", "1", "0"}, {"Silent", "1"}}
                                                 << "Silent  0 %";
    }
    void speedButtons()
    {
        QFETCH(int, level);
        QFETCH(QString, name);
        QFETCH(Lists, emitted);
        QFETCH(QString, text);
        view->setFanSpeed(level);
        spy->clear();
        click(qPrintable(name));
        QCOMPARE(lists(*spy), emitted);
        QCOMPARE(view->speedText(), text);
        QCOMPARE(checked("Performance"), name == "Performance");
        QCOMPARE(checked("Silent"), name == "Silent");
    }

    void speedText_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("pwm");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("flipped"); // after pressing PWM
        QTest::newRow("0 pwm") << 0 << true << "Silent  50 %" << "Silent  0 %";
        QTest::newRow("2 pwm") << 2 << true << "70 %" << "40 %";
        QTest::newRow("0 fixed") << 0 << false << "Silent  0 %" << "Silent  50 %";
        QTest::newRow("2 fixed") << 2 << false << "40 %" << "70 %";
        QTest::newRow("above 5 shows 5") << 9 << false << "Performance\n100 %" << "Performance\n100 %";
    }
    void speedText()
    {
        QFETCH(int, level);
        QFETCH(bool, pwm);
        QFETCH(QString, text);
        QFETCH(QString, flipped);
        view->setPWM(pwm);
        view->setFanSpeed(level);
        QCOMPARE(view->speedText(), text);
        QCOMPARE(checked("Performance"), level >= 5);
        QCOMPARE(checked("Silent"), level == 0);
        spy->clear();
        click("PWM");
        QCOMPARE(view->speedText(), flipped);
        click("PWM");
        QCOMPARE(lists(*spy), (Lists{{"pushPWM", "1", pwm ? "0" : "1"}, {"pushPWM", "1", pwm ? "1" : "0"}}));
        QCOMPARE(view->speedText(), text);
    }

    void speedSliderToThreeUnchecksBoth()
    {
        view->setFanSpeed(5);
        spy->clear();
        QSlider *s = slider("slider_RPM_Fan");
        s->setFocus();
        QTest::keyClick(s, Qt::Key_Left);
        QTest::keyClick(s, Qt::Key_Left);
        QCOMPARE(lists(*spy), (Lists{{"changeSliderFanSpeed", "1", "4"}, {"changeSliderFanSpeed", "1", "3"}}));
        QVERIFY(!checked("Performance") && !checked("Silent"));
        QCOMPARE(view->speedText(), QStringLiteral("60 %"));
    }

    void brightnessSlider_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << QStringLiteral("1");
        QTest::newRow("29") << 29 << QStringLiteral("0.71");
        QTest::newRow("30") << 30 << QStringLiteral("0.7");
        QTest::newRow("100") << 100 << QStringLiteral("0");
    }
    // Both ways: the slider emits the brightness text, and setBright of that
    // value puts the slider back through the same path (echoing the command).
    void brightnessSlider()
    {
        QFETCH(int, position);
        QFETCH(QString, text);
        light()->setValue(50);
        spy->clear();
        light()->setValue(position);
        QCOMPARE(lists(*spy), (Lists{{"changeSliderLight", "1", text}}));
        QCOMPARE(QString::number(double(view->brightness()), 'g', 6), text);
        light()->setValue(50);
        spy->clear();
        view->setBright(text.toFloat());
        QCOMPARE(light()->value(), position);
        QCOMPARE(lists(*spy), (Lists{{"changeSliderLight", "1", text}}));
    }

    // Out-of-range values still show in range: the disc text follows the
    // bounded colour, the slider and the ring a brightness kept to 0..1 (one
    // that is no number shows as off, as the box gets it).
    void outOfRangeValuesShowInRange_data()
    {
        const float inf = std::numeric_limits<float>::infinity();
        QTest::addColumn<int>("colour");
        QTest::addColumn<float>("bright");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("darkText");
        QTest::newRow("colour 7200000") << 7200000 << 0.5f << 50 << true;
        QTest::newRow("brightness -1e30") << 10 << -1e30f << 100 << false;
        QTest::newRow("brightness -inf") << 10 << -inf << 100 << false;
        QTest::newRow("brightness nan") << 10 << std::numeric_limits<float>::quiet_NaN() << 100 << false;
        QTest::newRow("brightness 1e30") << 200 << 1e30f << 0 << true;
    }
    void outOfRangeValuesShowInRange()
    {
        QFETCH(int, colour);
        QFETCH(float, bright);
        QFETCH(int, position);
        QFETCH(bool, darkText);
        view->setRPM(4321);
        view->setSelectColor(colour, colour, colour, bright);
        QCOMPARE(light()->value(), position);
        QLabel *rpm = nullptr;
        for (QLabel *l : view->findChildren<QLabel *>())
            rpm = l->text() == QStringLiteral("4321") ? l : rpm;
        QCOMPARE(rpm->palette().color(QPalette::WindowText) == QColor(0x16, 0x19, 0x1E), darkText);
        const int shade = int(float(qBound(0, colour, 255)) * (1.0f - float(position) / 100.0f));
        QCOMPARE(view->grab().toImage().pixelColor(85, 206), QColor(shade, shade, shade));
    }

    void rgbWhileBlinkThenAgain()
    {
        view->setSelectColor(10, 200, 30, 1.0f);
        QVERIFY(gradientFrom("10,200,30"));
        click("Blink");
        click("RGB");
        QVERIFY(checked("RGB") && !checked("Blink") && !checked("Off"));
        QVERIFY(!light()->isEnabled());
        QVERIFY(gradientFrom("128,128,128"));
        click("RGB");
        QCOMPARE(lists(*spy), (Lists{{"Blink", "1", "1"}, {"RGB", "1", "1"}, {"RGB", "1", "0"}}));
        QVERIFY(!checked("RGB"));
        QVERIFY(light()->isEnabled());
        QVERIFY(gradientFrom("10,200,30"));
        // Blink after RGB enables the slider but leaves the cycle's gray gradient.
        click("RGB");
        click("Blink");
        QVERIFY(!checked("RGB") && checked("Blink") && light()->isEnabled());
        QVERIFY(gradientFrom("128,128,128"));
    }

    void blinkAndOffInteraction()
    {
        view->setRGB(true);
        view->setTurnOff(true);
        view->setBlink(false); // leaves RGB and Off untouched
        QVERIFY(checked("RGB") && checked("Off"));
        click("Blink");
        QVERIFY(!checked("RGB") && !checked("Off") && light()->isEnabled());
        click("Off"); // Off keeps the light mode
        QVERIFY(checked("Off") && checked("Blink"));
        click("Off");
        QVERIFY(checked("Blink"));
        QCOMPARE(lists(*spy), (Lists{{"Blink", "1", "1"}, {"pushTurnOff", "1", "1"}, {"pushTurnOff", "1", "0"}}));
    }

    void copyHiddenOnFanZero()
    {
        ZaldoRGBFanView first;
        first.setFanNumber(0);
        QVERIFY(first.findChild<QPushButton *>(QStringLiteral("btn_Copy"))->isHidden());
        click("btn_Copy");
        view->setFanNumber(2);
        click("btn_Copy");
        QCOMPARE(lists(*spy), (Lists{{"btn_Copy", "1"}, {"btn_Copy", "2"}}));
    }

    void paletteCentreLeavesCycle()
    {
        view->setRGB(true);
        view->setTurnOff(true);
        clickAt(QPoint(88, 285));
        QCOMPARE(lists(*spy), (Lists{paletteList(1, 75, 75)}));
        QVERIFY(!checked("RGB") && !checked("Off") && light()->isEnabled());
        const QStringList l = lists(*spy).at(0);
        QCOMPARE(view->red(), l.at(2).toInt());
        QVERIFY(gradientFrom(l.mid(2).join(',')));
        view->setBlink(true);
        clickAt(QPoint(60, 250));
        QCOMPARE(spy->count(), 2);
        QVERIFY(checked("Blink")); // a pick keeps Blink
    }

    void paletteHitCircle_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<bool>("picks");
        QTest::addColumn<QPoint>("pixel");
        QTest::newRow("distance 75 left") << QPoint(13, 285) << true << QPoint(0, 75);
        QTest::newRow("distance 76 left") << QPoint(12, 285) << false << QPoint();
        QTest::newRow("diagonal 74.95") << QPoint(35, 232) << true << QPoint(22, 22);
        QTest::newRow("diagonal 76.4") << QPoint(34, 231) << false << QPoint();
        // The circle reaches past the picture's right and bottom edges: the
        // nearest edge pixel (a rim colour, not transparent black) is picked.
        QTest::newRow("right margin") << QPoint(162, 285) << true << QPoint(139, 75);
        QTest::newRow("bottom margin") << QPoint(88, 359) << true << QPoint(75, 139);
        QTest::newRow("corner margin") << QPoint(155, 320) << true << QPoint(139, 110);
        QTest::newRow("past corner margin") << QPoint(156, 320) << false << QPoint();
    }
    void paletteHitCircle()
    {
        QFETCH(QPoint, press);
        QFETCH(bool, picks);
        QFETCH(QPoint, pixel);
        clickAt(press);
        QCOMPARE(lists(*spy), (picks ? Lists{paletteList(1, pixel.x(), pixel.y())} : Lists{}));
        if (picks) {
            const QStringList l = lists(*spy).at(0);
            QVERIFY2(QColor(l.at(2).toInt(), l.at(3).toInt(), l.at(4).toInt()).value() == 255, qPrintable(l.join(',')));
        }
    }

    void paletteMissingPicksNothing()
    {
        QTemporaryDir empty;
        UiImages::setRootForTesting(empty.path());
        clickAt(QPoint(88, 285));
        QCOMPARE(spy->count(), 0);
    }

    void disabledCoverBlocksControls()
    {
        view->setFanSpeed(3);
        view->setDisabledCoverHidden(false);
        spy->clear();
        for (const char *name : {"Performance", "Silent", "PWM", "RGB", "Off", "Blink", "btn_Copy", "slider_Light_Fan",
                                 "slider_RPM_Fan"})
            click(name);
        QCOMPARE(spy->count(), 0);
        for (const char *name : {"Performance", "Silent", "PWM", "RGB", "Off", "Blink"})
            QVERIFY2(!checked(name), name);
        QCOMPARE(slider("slider_RPM_Fan")->value(), 3);
        // The palette press still reaches the view.
        clickAt(QPoint(88, 285));
        QCOMPARE(lists(*spy), (Lists{paletteList(1, 75, 75)}));
        view->setDisabledCoverHidden(true);
        click("PWM");
        QCOMPARE(lists(*spy).last(), (QStringList{"pushPWM", "1", "1"}));
    }

    // The disabled cover lies above the error cover, both above every control.
    void coversStack()
    {
        view->setErrorCoverHidden(false);
        QWidget *errorCover = view->childAt(200, 40);
        view->setDisabledCoverHidden(false);
        QWidget *disabledCover = view->childAt(200, 40);
        QVERIFY(qobject_cast<QLabel *>(errorCover) && qobject_cast<QLabel *>(disabledCover));
        QVERIFY(disabledCover != errorCover && disabledCover->geometry() == QRect(0, 0, 302, 390));
        view->setDisabledCoverHidden(true);
        QCOMPARE(view->childAt(200, 40), errorCover);
    }

    void resetEchoesChangedValuesOnce()
    {
        for (int round = 0; round < 2; ++round) {
            view->setSelectColor(255, 0, 0, 0.71f);
            view->setFanSpeed(3);
            view->setPWM(true);
            view->setRGB(false);
            view->setBlink(false);
            view->setTurnOff(false);
            view->setBright(0.71f);
            view->setRPM(1830);
            QCOMPARE(lists(*spy),
                     (round ? Lists{} : Lists{{"changeSliderLight", "1", "0.71"}, {"changeSliderFanSpeed", "1", "3"}}));
            spy->clear();
        }
        QCOMPARE(view->speedText(), QStringLiteral("80 %"));
        bool rpmShown = false;
        for (QLabel *l : view->findChildren<QLabel *>())
            rpmShown = rpmShown || (l->text() == QStringLiteral("1830") && l->geometry() == QRect(13, 56, 144, 50));
        QVERIFY(rpmShown);
    }

    // Texts follow the installed translator; font sizes follow the language row
    // (an unknown index keeps the last ones).
    void languageRows()
    {
        QTranslator de;
        QVERIFY(de.load(languageDir() + QStringLiteral("/de.qm")));
        QCoreApplication::installTranslator(&de);
        view->setFanSpeed(5);
        spy->clear();
        view->setLanguage(3);
        QCOMPARE(button("Blink")->text(), QStringLiteral("Blinken"));
        QCOMPARE(view->speedText(), QStringLiteral("Leistung\n100 %"));
        QCoreApplication::removeTranslator(&de);
        view->setLanguage(42);
        QVERIFY(button("Blink")->styleSheet().contains(QStringLiteral("font-size:13px")));
        QCOMPARE(button("Performance")->text(), QStringLiteral("Perfor-mance"));
        QCOMPARE(spy->count(), 0);
    }
};

QTEST_MAIN(TestFanView)
#include "tst_fanview.moc"
