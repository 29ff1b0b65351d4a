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

class TestFanView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<ZaldoRGBFanView> view;
    std::unique_ptr<QSignalSpy> spy;

    QPushButton *button(const char *name) { return view->findChild<QPushButton *>(QLatin1String(name)); }
    QSlider *slider(const char *name) { return view->findChild<QSlider *>(QLatin1String(name)); }

    // Through the window, so the widget under the pointer gets the press,
    // as with a real mouse.
    void clickAt(const QPoint &p) { QTest::mouseClick(view->windowHandle(), Qt::LeftButton, Qt::NoModifier, p); }
    void pressAt(const QPoint &p) { QTest::mousePress(view->windowHandle(), Qt::LeftButton, Qt::NoModifier, p); }
    void releaseAt(const QPoint &p)
    {
        QTest::mouseRelease(view->windowHandle(), Qt::LeftButton, Qt::NoModifier, p);
    }
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
        home = makeUiTestHome();
        QVERIFY2(QFile::exists(imageDir() + QStringLiteral("/palette.png")), "assets not built");
    }

    void init()
    {
        UiImages::setRootForTesting(QString());
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

    void startsEmpty()
    {
        QCOMPARE(view->size(), QSize(302, 390));
        for (const char *name : {"Performance", "Silent", "PWM", "RGB", "Off", "Blink"})
            QVERIFY2(!button(name)->isChecked(), name);
        QCOMPARE(slider("slider_RPM_Fan")->value(), 0);
        QCOMPARE(slider("slider_Light_Fan")->value(), 0);
        QCOMPARE(view->speedText(), QStringLiteral("0"));
        QVERIFY(view->isDisabledCoverHidden());
        QVERIFY(view->isErrorCoverHidden());
        QCOMPARE(spy->count(), 0);
    }

    void performancePressedTwice()
    {
        view->setFanSpeed(3);
        spy->clear();
        click("Performance");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"changeSliderFanSpeed", "1", "5"}, {"Performance", "1"}}));
        QVERIFY(button("Performance")->isChecked());
        QVERIFY(!button("Silent")->isChecked());
        QCOMPARE(view->speedText(), QStringLiteral("Performance\n100 %"));

        spy->clear();
        click("Performance");
        QCOMPARE(spy->count(), 0);
        QVERIFY(button("Performance")->isChecked());
        QCOMPARE(slider("slider_RPM_Fan")->value(), 5);
    }

    void silentFromPerformance()
    {
        view->setFanSpeed(5);
        QVERIFY(button("Performance")->isChecked());
        spy->clear();
        click("Silent");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"changeSliderFanSpeed", "1", "0"}, {"Silent", "1"}}));
        QVERIFY(button("Silent")->isChecked());
        QVERIFY(!button("Performance")->isChecked());
        QCOMPARE(view->speedText(), QStringLiteral("Silent  0 %"));
    }

    void speedText_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("pwm");
        QTest::addColumn<QString>("text");
        QTest::newRow("0 pwm") << 0 << true << QStringLiteral("Silent  50 %");
        QTest::newRow("2 pwm") << 2 << true << QStringLiteral("70 %");
        QTest::newRow("5 pwm") << 5 << true << QStringLiteral("Performance\n100 %");
        QTest::newRow("0 fixed") << 0 << false << QStringLiteral("Silent  0 %");
        QTest::newRow("2 fixed") << 2 << false << QStringLiteral("40 %");
        QTest::newRow("5 fixed") << 5 << false << QStringLiteral("Performance\n100 %");
        QTest::newRow("above 5 shows 5") << 9 << false << QStringLiteral("Performance\n100 %");
    }

    void speedText()
    {
        QFETCH(int, level);
        QFETCH(bool, pwm);
        QFETCH(QString, text);
        view->setPWM(pwm);
        view->setFanSpeed(level);
        QCOMPARE(view->speedText(), text);
        QCOMPARE(button("Performance")->isChecked(), qMin(level, 5) == 5);
        QCOMPARE(button("Silent")->isChecked(), level == 0);
    }

    void pwmButton_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("0") << 0 << QStringLiteral("Silent  0 %") << QStringLiteral("Silent  50 %");
        QTest::newRow("2") << 2 << QStringLiteral("40 %") << QStringLiteral("70 %");
        QTest::newRow("5") << 5 << QStringLiteral("Performance\n100 %") << QStringLiteral("Performance\n100 %");
    }

    void pwmButton()
    {
        QFETCH(int, level);
        QFETCH(QString, before);
        QFETCH(QString, after);
        view->setPWM(false);
        view->setFanSpeed(level);
        QCOMPARE(view->speedText(), before);
        spy->clear();
        click("PWM");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"pushPWM", "1", "1"}}));
        QCOMPARE(view->speedText(), after);
        click("PWM");
        QCOMPARE(lists(*spy).last(), (QStringList{"pushPWM", "1", "0"}));
        QCOMPARE(view->speedText(), before);
    }

    void speedSliderToThreeUnchecksBoth()
    {
        view->setFanSpeed(5);
        spy->clear();
        QSlider *s = slider("slider_RPM_Fan");
        s->setFocus();
        QTest::keyClick(s, Qt::Key_Left);
        QTest::keyClick(s, Qt::Key_Left);
        QCOMPARE(lists(*spy), (QList<QStringList>{{"changeSliderFanSpeed", "1", "4"}, {"changeSliderFanSpeed", "1", "3"}}));
        QVERIFY(!button("Performance")->isChecked());
        QVERIFY(!button("Silent")->isChecked());
        QCOMPARE(view->speedText(), QStringLiteral("60 %"));
    }

    void brightnessSlider_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << QStringLiteral("1");
        QTest::newRow("29") << 29 << QStringLiteral("0.71");
        QTest::newRow("30") << 30 << QStringLiteral("0.7");
        QTest::newRow("99") << 99 << QStringLiteral("0.01");
        QTest::newRow("100") << 100 << QStringLiteral("0");
    }

    void brightnessSlider()
    {
        QFETCH(int, position);
        QFETCH(QString, text);
        QSlider *s = slider("slider_Light_Fan");
        s->setValue(50);
        spy->clear();
        s->setValue(position);
        QCOMPARE(lists(*spy), (QList<QStringList>{{"changeSliderLight", "1", text}}));
        QCOMPARE(QString::number(double(view->brightness()), 'g', 6), text);
    }

    void brightnessKeys()
    {
        QSlider *s = slider("slider_Light_Fan");
        s->setFocus();
        QTest::keyClick(s, Qt::Key_End);
        QTest::keyClick(s, Qt::Key_Home);
        QCOMPARE(lists(*spy), (QList<QStringList>{{"changeSliderLight", "1", "0"}, {"changeSliderLight", "1", "1"}}));
    }

    void brightnessToSlider_data()
    {
        QTest::addColumn<float>("bright");
        QTest::addColumn<int>("position");
        QTest::newRow("0.71") << 0.71f << 29;
        QTest::newRow("0.7") << 0.7f << 30;
        QTest::newRow("1") << 1.0f << 0;
        QTest::newRow("0") << 0.0f << 100;
        QTest::newRow("0.01") << 0.01f << 99;
    }

    // The refresh moves the slider through its ordinary path, so it echoes
    // the command with the same factor.
    void brightnessToSlider()
    {
        QFETCH(float, bright);
        QFETCH(int, position);
        view->setBright(bright);
        QCOMPARE(slider("slider_Light_Fan")->value(), position);
        if (position == 0) {
            QCOMPARE(spy->count(), 0);
        } else {
            QCOMPARE(spy->count(), 1);
            QCOMPARE(lists(*spy).at(0).at(2), QString::number(double(1.0 - position * 0.01), 'g', 6));
        }
    }

    void rgbBlinkRgb()
    {
        view->setSelectColor(10, 200, 30, 1.0f);
        QSlider *light = slider("slider_Light_Fan");
        QVERIFY(light->styleSheet().contains(QStringLiteral("rgb(10,200,30)")));

        click("Blink");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"Blink", "1", "1"}}));
        QVERIFY(button("Blink")->isChecked());
        QVERIFY(light->isEnabled());

        spy->clear();
        click("RGB");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"RGB", "1", "1"}}));
        QVERIFY(button("RGB")->isChecked());
        QVERIFY(!button("Blink")->isChecked());
        QVERIFY(!button("Off")->isChecked());
        QVERIFY(!light->isEnabled());
        QVERIFY(light->styleSheet().contains(QStringLiteral("stop:0 rgb(128,128,128)")));

        spy->clear();
        click("RGB");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"RGB", "1", "0"}}));
        QVERIFY(!button("RGB")->isChecked());
        QVERIFY(light->isEnabled());
        QVERIFY(light->styleSheet().contains(QStringLiteral("stop:0 rgb(10,200,30)")));
    }

    void rgbThenBlinkThenRgb()
    {
        view->setSelectColor(200, 0, 90, 1.0f);
        QSlider *light = slider("slider_Light_Fan");
        click("RGB");
        click("Blink");
        QVERIFY(!button("RGB")->isChecked());
        QVERIFY(button("Blink")->isChecked());
        QVERIFY(light->isEnabled());
        // Blink enables the slider but leaves the cycle's gray gradient.
        QVERIFY(light->styleSheet().contains(QStringLiteral("stop:0 rgb(128,128,128)")));
        click("RGB");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"RGB", "1", "1"}, {"Blink", "1", "1"}, {"RGB", "1", "1"}}));
        QVERIFY(button("RGB")->isChecked());
        QVERIFY(!button("Blink")->isChecked());
        QVERIFY(!light->isEnabled());
    }

    void blinkUnchecksRgbAndOff()
    {
        view->setRGB(true);
        view->setTurnOff(true);
        click("Blink");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"Blink", "1", "1"}}));
        QVERIFY(!button("RGB")->isChecked());
        QVERIFY(!button("Off")->isChecked());
        QVERIFY(slider("slider_Light_Fan")->isEnabled());
    }

    void offKeepsLightMode()
    {
        view->setBlink(true);
        click("Off");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"pushTurnOff", "1", "1"}}));
        QVERIFY(button("Off")->isChecked());
        QVERIFY(button("Blink")->isChecked());
        click("Off");
        QCOMPARE(lists(*spy).last(), (QStringList{"pushTurnOff", "1", "0"}));
        QVERIFY(button("Blink")->isChecked());
    }

    void setBlinkFalseLeavesOthers()
    {
        view->setRGB(true);
        view->setTurnOff(true);
        view->setBlink(false);
        QVERIFY(button("RGB")->isChecked());
        QVERIFY(button("Off")->isChecked());
        view->setBlink(true);
        QVERIFY(!button("RGB")->isChecked());
        QVERIFY(!button("Off")->isChecked());
    }

    void copyHiddenOnFanZero()
    {
        ZaldoRGBFanView first;
        first.setFanNumber(0);
        QVERIFY(first.findChild<QPushButton *>(QStringLiteral("btn_Copy"))->isHidden());
        QVERIFY(!button("btn_Copy")->isHidden());

        click("btn_Copy");
        view->setFanNumber(2);
        click("btn_Copy");
        QCOMPARE(lists(*spy), (QList<QStringList>{{"btn_Copy", "1"}, {"btn_Copy", "2"}}));
    }

    void paletteCentre()
    {
        view->setRGB(true);
        view->setTurnOff(true);
        clickAt(QPoint(88, 285));
        QCOMPARE(lists(*spy), (QList<QStringList>{paletteList(1, 75, 75)}));
        QVERIFY(!button("RGB")->isChecked());
        QVERIFY(!button("Off")->isChecked());
        QVERIFY(slider("slider_Light_Fan")->isEnabled());
        const QStringList l = lists(*spy).at(0);
        QCOMPARE(view->red(), l.at(2).toInt());
        QVERIFY(slider("slider_Light_Fan")->styleSheet().contains(
            QStringLiteral("stop:0 rgb(%1,%2,%3)").arg(l.at(2), l.at(3), l.at(4))));
        // Near the centre of the wheel: a pale colour.
        QVERIFY(l.at(2).toInt() > 200 && l.at(3).toInt() > 200 && l.at(4).toInt() > 200);
    }

    void paletteKeepsBlink()
    {
        view->setBlink(true);
        clickAt(QPoint(60, 250));
        QCOMPARE(spy->count(), 1);
        QVERIFY(button("Blink")->isChecked());
    }

    void paletteHitCircle_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<bool>("picks");
        QTest::addColumn<QPoint>("pixel");
        QTest::newRow("distance 75 left") << QPoint(13, 285) << true << QPoint(0, 75);
        QTest::newRow("distance 76 left") << QPoint(12, 285) << false << QPoint();
        QTest::newRow("distance 76 up") << QPoint(88, 209) << false << QPoint();
        QTest::newRow("diagonal 74.95") << QPoint(35, 232) << true << QPoint(22, 22);
        QTest::newRow("diagonal 76.4") << QPoint(34, 231) << false << QPoint();
        QTest::newRow("free area") << QPoint(100, 20) << false << QPoint();
        // The circle reaches past the picture's right and bottom edges: the
        // nearest edge pixel is picked.
        QTest::newRow("right margin") << QPoint(162, 285) << true << QPoint(139, 75);
        QTest::newRow("bottom margin") << QPoint(88, 359) << true << QPoint(75, 139);
        QTest::newRow("inside lower right") << QPoint(140, 338) << true << QPoint(127, 128);
        QTest::newRow("corner margin") << QPoint(155, 320) << true << QPoint(139, 110);
        QTest::newRow("past corner margin") << QPoint(156, 320) << false << QPoint();
    }

    void paletteHitCircle()
    {
        QFETCH(QPoint, press);
        QFETCH(bool, picks);
        QFETCH(QPoint, pixel);
        pressAt(press);
        releaseAt(press);
        if (picks)
            QCOMPARE(lists(*spy), (QList<QStringList>{paletteList(1, pixel.x(), pixel.y())}));
        else
            QCOMPARE(spy->count(), 0);
    }

    // A press past the right edge takes the rim colour of that direction, not
    // a black transparent pixel.
    void paletteMarginPicksRimColour()
    {
        clickAt(QPoint(162, 285));
        QCOMPARE(spy->count(), 1);
        const QStringList l = lists(*spy).at(0);
        const QColor c(l.at(2).toInt(), l.at(3).toInt(), l.at(4).toInt());
        QVERIFY2(c.hsvSaturation() > 200 && c.value() == 255, qPrintable(l.join(',')));
    }

    void paletteMissingPicksNothing()
    {
        QTemporaryDir empty;
        UiImages::setRootForTesting(empty.path());
        clickAt(QPoint(88, 285));
        QCOMPARE(spy->count(), 0);
        QCOMPARE(view->red(), 0);
    }

    void disabledCoverBlocksControls()
    {
        view->setFanSpeed(3);
        view->setDisabledCoverHidden(false);
        spy->clear();
        for (const char *name : {"Performance", "Silent", "PWM", "RGB", "Off", "Blink", "btn_Copy"})
            click(name);
        clickAt(slider("slider_Light_Fan")->geometry().center());
        clickAt(slider("slider_RPM_Fan")->geometry().center());
        QCOMPARE(spy->count(), 0);
        for (const char *name : {"Performance", "Silent", "PWM", "RGB", "Off", "Blink"})
            QVERIFY2(!button(name)->isChecked(), name);
        QCOMPARE(slider("slider_RPM_Fan")->value(), 3);

        // The palette press still reaches the view.
        clickAt(QPoint(88, 285));
        QCOMPARE(lists(*spy), (QList<QStringList>{paletteList(1, 75, 75)}));

        view->setDisabledCoverHidden(true);
        click("PWM");
        QCOMPARE(lists(*spy).last(), (QStringList{"pushPWM", "1", "1"}));
    }

    void coversStackDisabledOverError()
    {
        const QList<QLabel *> covers = coverLabels(view.get());
        QCOMPARE(covers.size(), 2);
        // The covers are the last children, above every control.
        const QObjectList &children = view->children();
        QCOMPARE(children.at(children.size() - 2), covers.at(0));
        QCOMPARE(children.last(), covers.at(1));

        view->setErrorCoverHidden(false);
        QVERIFY(!view->isErrorCoverHidden());
        QCOMPARE(view->childAt(200, 40), covers.at(0));
        view->setDisabledCoverHidden(false);
        QCOMPARE(view->childAt(200, 40), covers.at(1));
        view->setDisabledCoverHidden(true);
        view->setErrorCoverHidden(true);
        QCOMPARE(view->childAt(200, 40), button("Performance"));
    }

    void resetEchoesChangedValuesOnce()
    {
        view->setSelectColor(255, 0, 0, 0.71f);
        view->setFanSpeed(3);
        view->setPWM(true);
        view->setRGB(false);
        view->setBlink(false);
        view->setTurnOff(false);
        view->setBright(0.71f);
        QCOMPARE(lists(*spy), (QList<QStringList>{{"changeSliderLight", "1", "0.71"}, {"changeSliderFanSpeed", "1", "3"}}));
        spy->clear();
        view->setSelectColor(255, 0, 0, 0.71f);
        view->setFanSpeed(3);
        view->setBright(0.71f);
        QCOMPARE(spy->count(), 0);
        QCOMPARE(view->speedText(), QStringLiteral("80 %"));
    }

    void languageRows()
    {
        QTranslator de;
        QVERIFY(de.load(languageDir() + QStringLiteral("/de.qm")));
        QCoreApplication::installTranslator(&de);
        view->setFanSpeed(5);
        spy->clear();
        view->setLanguage(3);
        QCOMPARE(button("Blink")->text(), QStringLiteral("Blinken"));
        QCOMPARE(button("Performance")->text(), QStringLiteral("Leistung"));
        QCOMPARE(button("Silent")->text(), QStringLiteral("Leise"));
        QVERIFY(button("Blink")->styleSheet().contains(QStringLiteral("font-size:13px")));
        QCOMPARE(view->speedText(), QStringLiteral("Leistung\n100 %"));

        // Unknown index: texts follow the translator, fonts stay.
        view->setLanguage(42);
        QVERIFY(button("Blink")->styleSheet().contains(QStringLiteral("font-size:13px")));
        QCoreApplication::removeTranslator(&de);
        view->setLanguage(6);
        QVERIFY(button("Blink")->styleSheet().contains(QStringLiteral("font-size:8px")));
        QCOMPARE(button("Performance")->text(), QStringLiteral("Perfor-mance"));
        view->setLanguage(0);
        QVERIFY(button("Blink")->styleSheet().contains(QStringLiteral("font-size:14px")));
        QCOMPARE(spy->count(), 0);
    }

    void rpm()
    {
        view->setRPM(1830);
        const QList<QLabel *> labels = view->findChildren<QLabel *>();
        bool found = false;
        for (QLabel *l : labels)
            found = found || (l->text() == QStringLiteral("1830") && l->geometry() == QRect(13, 56, 144, 50));
        QVERIFY(found);
        QCOMPARE(spy->count(), 0);
    }
};

QTEST_MAIN(TestFanView)
#include "tst_fanview.moc"
