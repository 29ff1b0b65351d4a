// Main view: box strip, profiles, monitor switches, Info, errors, temperature,
// window handling and the forwarding operations.
#include "mainviewfixture.h"

#include "ui/infoview.h"
#include "ui/zaldorgbfanview.h"

#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextEdit>

#include <climits>

using namespace mvtest;

class TestMainView : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<Shown> m_shown;
    MainView *v = nullptr;
    QSignalSpy *spy = nullptr;

    QScrollBar *stripBar() const { return child<QScrollArea>(v, "boxStrip")->horizontalScrollBar(); }
    QString text(const char *name) const { return label(v, name)->text(); }

private Q_SLOTS:
    void initTestCase() { isolate(m_home); }
    void init()
    {
        m_shown = std::make_unique<Shown>();
        QVERIFY(m_shown->exposed);
        v = &m_shown->view;
        spy = &m_shown->spy;
    }
    void cleanup() { m_shown.reset(); }

    void constructionAndLabels()
    {
        QCOMPARE(boxButton(v, 15)->text(), QStringLiteral("16"));
        QVERIFY(v->fanView(2)->fanNumber() == 2 && !v->fanView(3) && !v->fanView(-1));
        QCOMPARE(text("versionLabel"), QStringLiteral("V 0.0.0 , F 0.0.0"));
        QCOMPARE(text("temperatureLabel"), QStringLiteral("TEMP:"));
        QCOMPARE(text("ipLabel"), QStringLiteral("IP Address:"));
        QVERIFY(label(v, "messageLabel")->isHidden());
        QCOMPARE(v->children().last(), label(v, "messageLabel")); // topmost
        v->setSoftwareVersion(QStringLiteral("2.1.5"));
        v->setFirmwareVersion(QStringLiteral("1.0.3"));
        QCOMPARE(text("versionLabel"), QStringLiteral("V 2.1.5 , F 1.0.3"));
        v->setIPAddress(QStringLiteral("host IP Address:10.0.0.2"));
        QCOMPARE(text("ipLabel"), QStringLiteral("host IP Address:10.0.0.2"));
    }

    // The selected box clicked again emits again; an absent box emits nothing
    // and stays unchecked. A box click sets the covers from the monitor switches.
    void boxButtons()
    {
        v->setBoxEnabled(3, true);
        v->setBoxEnabled(4, false);
        v->setFanMonitor(1, false);
        v->setFanErrorHidden(0, false);
        click(boxButton(v, 3));
        click(boxButton(v, 3));
        click(boxButton(v, 4));
        QCOMPARE(lists(*spy), (Lists{{"changeControllerBox", "3"}, {"changeControllerBox", "3"}}));
        QVERIFY(boxButton(v, 3)->isChecked() && !boxButton(v, 4)->isChecked());
        QVERIFY(v->fanView(0)->isDisabledCoverHidden() && v->fanView(0)->isErrorCoverHidden());
        QVERIFY(!v->fanView(1)->isDisabledCoverHidden() && !v->fanView(1)->isErrorCoverHidden());
    }

    // Each profile button emits on every press and stays the only checked one.
    void profileButtons()
    {
        for (int n = 0; n < 5; ++n) {
            spy->clear();
            click(profileButton(v, n));
            click(profileButton(v, n));
            QCOMPARE(lists(*spy), (Lists{{"selectProfile", QString::number(n)}, {"selectProfile", QString::number(n)}}));
            for (int k = 0; k < 5; ++k)
                QCOMPARE(profileButton(v, k)->isChecked(), k == n);
        }
    }

    void saveAndFanListsPassedOn()
    {
        click(child(v, "btn_save"));
        Q_EMIT v->fanView(2)->sendData({"changeSliderLight", "2", "0.71"});
        QCOMPARE(lists(*spy), (Lists{{"saveProfile"}, {"changeSliderLight", "2", "0.71"}}));
    }

    void infoOnlyWhileHidden()
    {
        QAbstractButton *info = child(v, "btn_info");
        QTextEdit *edit = v->infoView()->textEdit();
        v->appendInfo(QStringLiteral("stale"));
        click(info);
        QCOMPARE(lists(*spy), Lists{{"showInfo"}});
        QVERIFY(v->infoView()->isVisible());
        QVERIFY(edit->toPlainText().isEmpty());
        v->appendInfo(QStringLiteral("CPU: 40"));
        click(info); // open: nothing
        QCOMPARE(spy->count(), 1);
        QCOMPARE(edit->toPlainText(), QStringLiteral("CPU: 40"));
        v->infoView()->hide();
        click(info);
        QCOMPARE(spy->count(), 2);
        QVERIFY(edit->toPlainText().isEmpty());
    }

    void monitorSwitchOffAndOn()
    {
        click(monitorSwitch(v, 1));
        QCOMPARE(lists(*spy), (Lists{{"closeFanControl", "1", "0"}}));
        QVERIFY(!v->fanView(1)->isDisabledCoverHidden() && v->fanView(0)->isDisabledCoverHidden());
        click(monitorSwitch(v, 1));
        QCOMPARE(lists(*spy).last(), (QStringList{"closeFanControl", "1", "1"}));
        QVERIFY(v->fanView(1)->isDisabledCoverHidden());
    }

    void arrows_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("arrow");
        QTest::addColumn<int>("presses");
        QTest::addColumn<int>("end");
        QTest::newRow("right x12 from start") << 0 << "ArrowRight" << 12 << 539;
        QTest::newRow("right once") << 0 << "ArrowRight" << 1 << 49;
        QTest::newRow("left from 20") << 20 << "ArrowLeft" << 1 << 0;
        QTest::newRow("left from 539") << 539 << "ArrowLeft" << 2 << 441;
    }
    void arrows()
    {
        QFETCH(int, start);
        QFETCH(QString, arrow);
        QFETCH(int, presses);
        QFETCH(int, end);
        QCOMPARE(stripBar()->maximum(), 539);
        stripBar()->setValue(start);
        for (int i = 0; i < presses; ++i)
            click(child(v, arrow));
        QCOMPARE(stripBar()->value(), end);
        QCOMPARE(spy->count(), 0);
        v->moveControllerBox(); // no sender: back to the start
        QCOMPARE(stripBar()->value(), 0);
    }

    void showError_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text"); // empty: outside the table, the text stays
        QTest::newRow("H 0") << 0 << 0 << "Error_Code_H_0x0001 (Error Code:H_0x0001)";
        QTest::newRow("H 1") << 0 << 1 << "Error_Code_H_0x0002 (Error Code:H_0x0002)";
        QTest::newRow("H 2") << 0 << 2 << "Error_Code_H_0x0003 (Error Code:H_0x0003)";
        QTest::newRow("S 0") << 1 << 0 << "Error_Code_S_0x0001 (Error Code:S_0x0001)";
        QTest::newRow("S 1") << 1 << 1 << "Error_Code_S_0x0002 (Error Code:S_0x0002)";
        QTest::newRow("S 2 has no text") << 1 << 2 << "(Error Code:S_0x0010)";
        QTest::newRow("category 2") << 2 << 0 << "";
        QTest::newRow("category -1") << -1 << 0 << "";
        QTest::newRow("S index 3") << 1 << 3 << "";
        QTest::newRow("huge") << INT_MAX << INT_MIN << "";
    }
    // setLanguage rebuilds the shown text (staying in bounds) and keeps the visibility.
    void showError()
    {
        QFETCH(int, category);
        QFETCH(int, index);
        QFETCH(QString, text);
        QLabel *message = label(v, "messageLabel");
        v->showError(true, 0, 1);
        if (text.isEmpty())
            text = message->text();
        v->showError(false, category, index);
        v->setLanguage(3);
        QCOMPARE(message->text(), text);
        QVERIFY(message->isVisible());
        v->showError(true, category, index);
        v->setLanguage(1);
        QVERIFY(message->isHidden());
        QCOMPARE(message->text(), text);
    }

    void temperature_data()
    {
        QTest::addColumn<int>("celsius");
        QTest::addColumn<QString>("text");
        QTest::newRow("-4") << -4 << QString::fromUtf8("TEMP:-4°C / 25°F");
        QTest::newRow("37") << 37 << QString::fromUtf8("TEMP:37°C / 98°F");
        QTest::newRow("-1 truncates toward zero") << -1 << QString::fromUtf8("TEMP:-1°C / 31°F");
        QTest::newRow("INT_MAX") << INT_MAX << QString::fromUtf8("TEMP:2147483647°C / 3865470596°F");
        QTest::newRow("INT_MIN") << INT_MIN << QString::fromUtf8("TEMP:-2147483648°C / -3865470534°F");
    }
    void temperature()
    {
        QFETCH(int, celsius);
        QFETCH(QString, text);
        v->setTemperature(celsius);
        QCOMPARE(this->text("temperatureLabel"), text);
    }

    void setProfileChecksOne()
    {
        v->setProfile(3);
        for (int k = 0; k < 5; ++k)
            QCOMPARE(profileButton(v, k)->isChecked(), k == 2);
        QCOMPARE(profileButton(v, 2)->text(), QStringLiteral("PROFILE_3"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("setProfile ignored.*6"));
        v->setProfile(6);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("setProfile ignored.*0"));
        v->setProfile(0);
        QVERIFY(v->currentProfile() == 3 && profileButton(v, 2)->isChecked());
        v->setProfileLabel(4);
        v->setLanguage(0);
        QCOMPARE(text("profileLabel"), QStringLiteral("PROFILE_4"));
    }

    void boxLooks()
    {
        QAbstractButton *b = boxButton(v, 2);
        const auto looks = [b](const char *part) { return b->styleSheet().contains(QLatin1String(part)); };
        v->setBoxEnabled(2, true);
        v->setBoxFault(2, true);
        QVERIFY(looks("btn_controllerBox_r.png") && looks("color:white;"));
        v->setBoxFault(2, false);
        QVERIFY(looks("btn_controllerBox_h.png"));
        v->setBoxEnabled(2, false);
        QVERIFY(!b->isCheckable() && looks("font-size:14px; color:gray;"));
        v->setBoxPresent(2);
        QVERIFY(b->isChecked());
        v->setBoxEnabled(7, true);
        v->setBoxChecked(7);
        QVERIFY(boxButton(v, 7)->isChecked() && !b->isChecked());
    }

    void outOfRangeIndexesIgnored()
    {
        for (int i = 0; i < 14; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(i < 10 ? "ignored, fan out of range"
                                                                           : "ignored, box out of range"));
        v->setRPM(1200, 3), v->setBlink(true, -1), v->setBright(0.5f, 99), v->setPWM(true, INT_MIN);
        v->setRGB(true, 3), v->setFanSpeed(2, -3), v->setTurnOff(true, 3), v->setSelectColor(1, 2, 3, 1.0f, 3);
        v->setFanMonitor(3, false), v->setFanErrorHidden(-1, false);
        v->setBoxPresent(16), v->setBoxChecked(-1), v->setBoxEnabled(INT_MAX, true), v->setBoxFault(16, true);
        QCOMPARE(spy->count(), 0);
    }

    void forwardsToFanView()
    {
        v->setSelectColor(10, 20, 30, 0.5f, 2);
        QCOMPARE(v->fanView(2)->red(), 10);
        v->setPWM(false, 0);
        v->setFanSpeed(3, 0);
        QCOMPARE(v->fanView(0)->speedText(), QStringLiteral("60 %"));
        v->setFanErrorHidden(2, false);
        v->setFanMonitor(2, false);
        QVERIFY(!monitorSwitch(v, 2)->isChecked());
        QVERIFY(!v->fanView(2)->isErrorCoverHidden() && !v->fanView(2)->isDisabledCoverHidden());
    }

    void dragOnlyInTitleStrip()
    {
        const QPoint start = v->pos();
        sendMouse(v, QEvent::MouseButtonPress, QPoint(20, 20));
        sendMouse(v, QEvent::MouseMove, QPoint(30, 25));
        QTRY_COMPARE(v->pos(), start + QPoint(10, 5));
        const QPoint moved = v->pos();
        sendMouse(v, QEvent::MouseMove, QPoint(40, 35));  // below the strip
        sendMouse(v, QEvent::MouseMove, QPoint(825, 10)); // right of it
        QTest::qWait(20);
        QCOMPARE(v->pos(), moved);
    }

    void closingOnlyHides()
    {
        QVERIFY(v->handleWindowMessage(0x0219));
        QVERIFY(!v->handleWindowMessage(0x0001));
        QVERIFY(v->isVisible());
        QVERIFY(v->handleWindowMessage(0x0010));
        QVERIFY(v->isHidden());
        v->show();
        QVERIFY(!v->close());
        QVERIFY(v->isHidden());
        v->show();
        click(child(v, "Close_Window"));
        QVERIFY(v->isHidden());
        v->show();
        click(child(v, "Min_Window", "minimise"));
        QTRY_VERIFY(v->windowState() & Qt::WindowMinimized);
        QCOMPARE(spy->count(), 0);
    }
};

QTEST_MAIN(TestMainView)
#include "tst_mainview.moc"
