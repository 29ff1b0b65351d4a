// Main view: box strip, profiles, monitor switches, Info, errors, temperature,
// window handling and the forwarding operations.
#include "mainviewfixture.h"

#include "ui/infoview.h"
#include "ui/zaldorgbfanview.h"

#include <QCloseEvent>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextEdit>

#include <climits>

using namespace mvtest;

class TestMainView : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    std::unique_ptr<MainView> m_view;
    std::unique_ptr<QSignalSpy> m_spy;

    QScrollBar *stripBar() const
    {
        auto *strip = child<QScrollArea>(m_view.get(), QStringLiteral("boxStrip"));
        return strip ? strip->horizontalScrollBar() : nullptr;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_home.isValid()); isolate(m_home); }
    void init()
    {
        m_view = std::make_unique<MainView>(resourcePrefix());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        m_spy = std::make_unique<QSignalSpy>(m_view.get(), &MainView::sendData);
    }
    void cleanup()
    {
        m_spy.reset();
        m_view.reset();
    }

    void constructionLayout()
    {
        QCOMPARE(m_view->size(), QSize(947, 587));
        QCOMPARE(m_view->windowTitle(), QStringLiteral("Zaldo RGB"));
        QVERIFY(m_view->windowFlags() & Qt::FramelessWindowHint);
        for (int n = 0; n < 16; ++n) {
            QAbstractButton *b = boxButton(m_view.get(), n);
            QVERIFY(b);
            QVERIFY(b->isCheckable());
            QCOMPARE(b->text(), QString::number(n + 1));
            QCOMPARE(b->geometry(), QRect(49 * n, 5, 43, 32));
        }
        QVERIFY(profileButton(m_view.get(), 0)->isChecked());
        for (int f = 0; f < 3; ++f) {
            QVERIFY(monitorSwitch(m_view.get(), f)->isChecked());
            QCOMPARE(m_view->fanView(f)->fanNumber(), f);
            QCOMPARE(m_view->fanView(f)->geometry(), QRect(9 + 312 * f, 154, 302, 390));
        }
        QVERIFY(!m_view->fanView(3));
        QVERIFY(!m_view->fanView(-1));
        QCOMPARE(label(m_view.get(), "profileLabel")->text(), QStringLiteral("PROFILE_1"));
        QCOMPARE(label(m_view.get(), "versionLabel")->text(), QStringLiteral("V 0.0.0 , F 0.0.0"));
        QCOMPARE(label(m_view.get(), "temperatureLabel")->text(), QStringLiteral("TEMP:"));
        QCOMPARE(label(m_view.get(), "ipLabel")->text(), QStringLiteral("IP Address:"));
        QVERIFY(label(m_view.get(), "messageLabel")->isHidden());
        QCOMPARE(label(m_view.get(), "messageLabel")->geometry(), QRect(157, 146, 631, 293));
        // The message label is the topmost child.
        QCOMPARE(m_view->children().last(), label(m_view.get(), "messageLabel"));
        QVERIFY(m_view->infoView()->isHidden());
    }

    void presentBoxClickedTwice()
    {
        m_view->setBoxEnabled(3, true);
        click(boxButton(m_view.get(), 3));
        click(boxButton(m_view.get(), 3));
        QCOMPARE(lists(*m_spy), (QList<QStringList>{list({"changeControllerBox", "3"}), list({"changeControllerBox", "3"})}));
        QVERIFY(boxButton(m_view.get(), 3)->isChecked());
    }

    void absentBoxEmitsNothing()
    {
        m_view->setBoxEnabled(4, false);
        click(boxButton(m_view.get(), 4));
        QCOMPARE(m_spy->count(), 0);
        QVERIFY(!boxButton(m_view.get(), 4)->isChecked());
    }

    void boxClickSetsCoversFromMonitorSwitches()
    {
        m_view->setBoxEnabled(0, true);
        m_view->setFanMonitor(1, false);
        m_view->setFanErrorHidden(0, false);
        click(boxButton(m_view.get(), 0));
        QVERIFY(m_view->fanView(0)->isDisabledCoverHidden());
        QVERIFY(m_view->fanView(0)->isErrorCoverHidden());
        QVERIFY(!m_view->fanView(1)->isDisabledCoverHidden());
        QVERIFY(!m_view->fanView(1)->isErrorCoverHidden());
        QVERIFY(m_view->fanView(2)->isErrorCoverHidden());
    }

    void profileButtons_data()
    {
        QTest::addColumn<int>("n");
        for (int n = 0; n < 5; ++n)
            QTest::addRow("profile %d", n) << n;
    }
    void profileButtons()
    {
        QFETCH(int, n);
        click(profileButton(m_view.get(), n));
        click(profileButton(m_view.get(), n)); // stays checked in the exclusive group
        const QStringList expected{QStringLiteral("selectProfile"), QString::number(n)};
        QCOMPARE(lists(*m_spy), (QList<QStringList>{expected, expected}));
        for (int k = 0; k < 5; ++k)
            QCOMPARE(profileButton(m_view.get(), k)->isChecked(), k == n);
    }

    void saveButton()
    {
        click(child<QAbstractButton>(m_view.get(), "btn_save"));
        QCOMPARE(lists(*m_spy), QList<QStringList>{list({"saveProfile"})});
    }

    void infoOnlyWhileHidden()
    {
        QAbstractButton *info = child<QAbstractButton>(m_view.get(), "btn_info");
        m_view->appendInfo(QStringLiteral("stale"));
        click(info);
        QCOMPARE(lists(*m_spy), QList<QStringList>{list({"showInfo"})});
        QVERIFY(m_view->infoView()->isVisible());
        QVERIFY(m_view->infoView()->textEdit()->toPlainText().isEmpty());
        m_view->appendInfo(QStringLiteral("CPU: 40"));
        click(info); // open: nothing
        QCOMPARE(m_spy->count(), 1);
        QCOMPARE(m_view->infoView()->textEdit()->toPlainText(), QStringLiteral("CPU: 40"));
        m_view->infoView()->hide();
        click(info);
        QCOMPARE(m_spy->count(), 2);
        QVERIFY(m_view->infoView()->textEdit()->toPlainText().isEmpty());
    }

    void monitorSwitchOffAndOn()
    {
        click(monitorSwitch(m_view.get(), 1));
        QCOMPARE(lists(*m_spy), QList<QStringList>{list({"closeFanControl", "1", "0"})});
        QVERIFY(!m_view->fanView(1)->isDisabledCoverHidden());
        QVERIFY(m_view->fanView(0)->isDisabledCoverHidden());
        click(monitorSwitch(m_view.get(), 1));
        QCOMPARE(m_spy->last().at(0).toStringList(), list({"closeFanControl", "1", "1"}));
        QVERIFY(m_view->fanView(1)->isDisabledCoverHidden());
    }

    void fanViewListsPassedOn()
    {
        const QStringList fanList = list({"changeSliderLight", "2", "0.71"});
        Q_EMIT m_view->fanView(2)->sendData(fanList);
        QCOMPARE(lists(*m_spy), QList<QStringList>{fanList});
    }

    void arrows_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("arrow");
        QTest::addColumn<int>("presses");
        QTest::addColumn<int>("end");
        QTest::newRow("right x12 from start") << 0 << "ArrowRight" << 12 << 539;
        QTest::newRow("right once") << 0 << "ArrowRight" << 1 << 49;
        QTest::newRow("right near the end") << 530 << "ArrowRight" << 1 << 539;
        QTest::newRow("left from 20") << 20 << "ArrowLeft" << 1 << 0;
        QTest::newRow("left from 539") << 539 << "ArrowLeft" << 2 << 441;
        QTest::newRow("left at 0") << 0 << "ArrowLeft" << 1 << 0;
    }
    void arrows()
    {
        QFETCH(int, start);
        QFETCH(QString, arrow);
        QFETCH(int, presses);
        QFETCH(int, end);
        QScrollBar *bar = stripBar();
        QVERIFY(bar);
        QCOMPARE(bar->maximum(), 539);
        bar->setValue(start);
        for (int i = 0; i < presses; ++i)
            click(child<QAbstractButton>(m_view.get(), arrow));
        QCOMPARE(bar->value(), end);
        QCOMPARE(m_spy->count(), 0);
    }

    void moveWithoutArrowResets()
    {
        stripBar()->setValue(200);
        m_view->moveControllerBox(); // no sender
        QCOMPARE(stripBar()->value(), 0);
    }

    void showError_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::newRow("H 0") << 0 << 0 << "Error_Code_H_0x0001 (Error Code:H_0x0001)";
        QTest::newRow("H 1") << 0 << 1 << "Error_Code_H_0x0002 (Error Code:H_0x0002)";
        QTest::newRow("S 0") << 1 << 0 << "Error_Code_S_0x0001 (Error Code:S_0x0001)";
        QTest::newRow("S 1") << 1 << 1 << "Error_Code_S_0x0002 (Error Code:S_0x0002)";
        QTest::newRow("S 2 has no text") << 1 << 2 << "(Error Code:S_0x0010)";
    }
    void showError()
    {
        QFETCH(int, category);
        QFETCH(int, index);
        QFETCH(QString, text);
        QLabel *message = label(m_view.get(), "messageLabel");
        m_view->showError(false, category, index);
        QCOMPARE(message->text(), text);
        QVERIFY(message->isVisible());
        m_view->showError(true, category, index);
        QVERIFY(message->isHidden());
        QCOMPARE(message->text(), text);
    }

    void showErrorOutsideTableOnlyChangesVisibility_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("index");
        QTest::newRow("category 2") << 2 << 0;
        QTest::newRow("category -1") << -1 << 0;
        QTest::newRow("H index 2") << 0 << 2;
        QTest::newRow("S index 3") << 1 << 3;
        QTest::newRow("S index -1") << 1 << -1;
        QTest::newRow("huge") << INT_MAX << INT_MIN;
    }
    void showErrorOutsideTableOnlyChangesVisibility()
    {
        QFETCH(int, category);
        QFETCH(int, index);
        QLabel *message = label(m_view.get(), "messageLabel");
        m_view->showError(true, 0, 1);
        const QString before = message->text();
        m_view->showError(false, category, index);
        QCOMPARE(message->text(), before);
        QVERIFY(message->isVisible());
        m_view->setLanguage(0); // rebuilds for the recorded error; must stay in bounds
        QCOMPARE(message->text(), before);
        QVERIFY(message->isVisible());
    }

    void setLanguageKeepsErrorVisibility()
    {
        QLabel *message = label(m_view.get(), "messageLabel");
        m_view->showError(false, 1, 2);
        m_view->setLanguage(3);
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(), QStringLiteral("(Error Code:S_0x0010)"));
        m_view->showError(true, 0, 0);
        m_view->setLanguage(1);
        QVERIFY(message->isHidden());
        QCOMPARE(message->text(), QStringLiteral("Error_Code_H_0x0001 (Error Code:H_0x0001)"));
    }

    void temperature_data()
    {
        QTest::addColumn<int>("celsius");
        QTest::addColumn<QString>("text");
        QTest::newRow("-4") << -4 << QString::fromUtf8("TEMP:-4°C / 25°F");
        QTest::newRow("37") << 37 << QString::fromUtf8("TEMP:37°C / 98°F");
        QTest::newRow("-1 truncates toward zero") << -1 << QString::fromUtf8("TEMP:-1°C / 31°F");
        QTest::newRow("-40") << -40 << QString::fromUtf8("TEMP:-40°C / -40°F");
        QTest::newRow("0") << 0 << QString::fromUtf8("TEMP:0°C / 32°F");
        QTest::newRow("INT_MAX") << INT_MAX << QString::fromUtf8("TEMP:2147483647°C / 3865470596°F");
        QTest::newRow("INT_MIN") << INT_MIN << QString::fromUtf8("TEMP:-2147483648°C / -3865470534°F");
    }
    void temperature()
    {
        QFETCH(int, celsius);
        QFETCH(QString, text);
        m_view->setTemperature(celsius);
        QCOMPARE(label(m_view.get(), "temperatureLabel")->text(), text);
    }

    void versionsAndAddress()
    {
        m_view->setSoftwareVersion(QStringLiteral("2.1.5"));
        m_view->setFirmwareVersion(QStringLiteral("1.0.3"));
        QCOMPARE(label(m_view.get(), "versionLabel")->text(), QStringLiteral("V 2.1.5 , F 1.0.3"));
        m_view->setIPAddress(QStringLiteral("host IP Address:10.0.0.2"));
        QCOMPARE(label(m_view.get(), "ipLabel")->text(), QStringLiteral("host IP Address:10.0.0.2"));
    }

    void setProfileChecksOne()
    {
        m_view->setProfile(3);
        QCOMPARE(m_view->currentProfile(), 3);
        for (int k = 0; k < 5; ++k)
            QCOMPARE(profileButton(m_view.get(), k)->isChecked(), k == 2);
        QCOMPARE(profileButton(m_view.get(), 2)->text(), QStringLiteral("PROFILE_3"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("setProfile ignored.*6"));
        m_view->setProfile(6);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("setProfile ignored.*0"));
        m_view->setProfile(0);
        QCOMPARE(m_view->currentProfile(), 3);
        QVERIFY(profileButton(m_view.get(), 2)->isChecked());
        m_view->setProfileLabel(4);
        QCOMPARE(label(m_view.get(), "profileLabel")->text(), QStringLiteral("PROFILE_4"));
        m_view->setLanguage(0);
        QCOMPARE(label(m_view.get(), "profileLabel")->text(), QStringLiteral("PROFILE_4"));
    }

    void boxLooks()
    {
        QAbstractButton *b = boxButton(m_view.get(), 2);
        m_view->setBoxPresent(2);
        QVERIFY(b->isChecked());
        QVERIFY(b->styleSheet().contains("font-size:16px; color:gray;")); // look unchanged
        m_view->setBoxEnabled(2, true);
        QVERIFY(b->isCheckable());
        QVERIFY(b->styleSheet().contains("font-size:16px; color:white;"));
        m_view->setBoxFault(2, true);
        QVERIFY(b->styleSheet().contains("btn_controllerBox_r.png"));
        QVERIFY(!b->styleSheet().contains("btn_controllerBox_h.png"));
        m_view->setBoxFault(2, false);
        QVERIFY(b->styleSheet().contains("btn_controllerBox_h.png"));
        QVERIFY(b->styleSheet().contains("font-size:16px; color:white;"));

        m_view->setBoxEnabled(2, false);
        QVERIFY(!b->isCheckable());
        QVERIFY(b->styleSheet().contains("font-size:14px; color:gray;"));
        m_view->setBoxFault(2, true);
        QVERIFY(b->styleSheet().contains("font-size:16px; color:gray;"));
        QVERIFY(b->styleSheet().contains("btn_controllerBox_r.png"));

        m_view->setBoxEnabled(7, true);
        m_view->setBoxChecked(7);
        QVERIFY(boxButton(m_view.get(), 7)->isChecked());
        QVERIFY(!b->isChecked());
    }

    void outOfRangeIndexesIgnored()
    {
        const QRegularExpression fan("ignored, fan out of range");
        const QRegularExpression box("ignored, box out of range");
        for (int i = 0; i < 8; ++i)
            QTest::ignoreMessage(QtWarningMsg, fan);
        m_view->setRPM(1200, 3);
        m_view->setBlink(true, -1);
        m_view->setBright(0.5f, 99);
        m_view->setPWM(true, INT_MIN);
        m_view->setRGB(true, 3);
        m_view->setFanSpeed(2, -3);
        m_view->setTurnOff(true, 3);
        m_view->setSelectColor(1, 2, 3, 1.0f, 3);
        for (int i = 0; i < 2; ++i)
            QTest::ignoreMessage(QtWarningMsg, fan);
        m_view->setFanMonitor(3, false);
        m_view->setFanErrorHidden(-1, false);
        for (int i = 0; i < 4; ++i)
            QTest::ignoreMessage(QtWarningMsg, box);
        m_view->setBoxPresent(16);
        m_view->setBoxChecked(-1);
        m_view->setBoxEnabled(INT_MAX, true);
        m_view->setBoxFault(16, true);
        QCOMPARE(m_spy->count(), 0);
    }

    void forwardsToFanView()
    {
        m_view->setRPM(1234, 1);
        m_view->setSelectColor(10, 20, 30, 0.5f, 2);
        QCOMPARE(m_view->fanView(2)->red(), 10);
        QCOMPARE(m_view->fanView(2)->blue(), 30);
        QCOMPARE(m_view->fanView(2)->brightness(), 0.5f);
        m_view->setPWM(false, 0);
        m_view->setFanSpeed(3, 0);
        QCOMPARE(m_view->fanView(0)->speedText(), QStringLiteral("60 %"));
        m_view->setFanErrorHidden(2, false);
        QVERIFY(!m_view->fanView(2)->isErrorCoverHidden());
        m_view->setFanMonitor(2, false);
        QVERIFY(!monitorSwitch(m_view.get(), 2)->isChecked());
        QVERIFY(!m_view->fanView(2)->isDisabledCoverHidden());
    }

    void dragOnlyInTitleStrip()
    {
        const QPoint start = m_view->pos();
        sendMouse(m_view.get(), QEvent::MouseButtonPress, QPoint(20, 20));
        sendMouse(m_view.get(), QEvent::MouseMove, QPoint(30, 25));
        QTRY_COMPARE(m_view->pos(), start + QPoint(10, 5));
        const QPoint moved = m_view->pos();
        sendMouse(m_view.get(), QEvent::MouseMove, QPoint(40, 35)); // below the strip
        sendMouse(m_view.get(), QEvent::MouseMove, QPoint(825, 10)); // right of it
        QTest::qWait(20);
        QCOMPARE(m_view->pos(), moved);
    }

    void closingOnlyHides()
    {
        QVERIFY(!m_view->close());
        QVERIFY(m_view->isHidden());
        m_view->show();
        click(child<QAbstractButton>(m_view.get(), "Close_Window"));
        QVERIFY(m_view->isHidden());
        m_view->show();
        QAbstractButton *minimise = child<QAbstractButton>(m_view.get(), "Min_Window", "minimise");
        click(minimise);
        QTRY_VERIFY(m_view->windowState() & Qt::WindowMinimized);
        QCOMPARE(m_spy->count(), 0);
    }

    void windowMessages()
    {
        QVERIFY(m_view->handleWindowMessage(0x0219));
        QVERIFY(m_view->isVisible());
        QVERIFY(!m_view->handleWindowMessage(0x0001));
        QVERIFY(m_view->isVisible());
        QVERIFY(m_view->handleWindowMessage(0x0010));
        QVERIFY(m_view->isHidden());
    }
};

QTEST_MAIN(TestMainView)
#include "tst_mainview.moc"
