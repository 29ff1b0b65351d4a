// Main view: box strip, profiles, monitor switches, Info, errors, temperature
// and window handling.
#include "mainviewfixture.h"

#include "ui/infoview.h"
#include "ui/zaldorgbfanview.h"

#include <QRegularExpression>
#include <QTextEdit>

#include <climits>

using namespace mvtest;

class TestMainView : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<Shown> m_shown;
    MainView *v = nullptr;
    QSignalSpy *spy = nullptr;

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
        for (int n : {4, 0, 0}) {
            spy->clear();
            click(profileButton(v, n));
            QCOMPARE(lists(*spy), (Lists{{"selectProfile", QString::number(n)}}));
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

    void showError_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text"); // empty: outside the table, the text stays
        QTest::newRow("H 2") << 0 << 2 << "Error_Code_H_0x0003 (Error Code:H_0x0003)";
        QTest::newRow("S 1") << 1 << 1 << "Error_Code_S_0x0002 (Error Code:S_0x0002)";
        QTest::newRow("S 2 has no text") << 1 << 2 << "(Error Code:S_0x0010)";
        QTest::newRow("category 2") << 2 << 0 << "";
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
        QTest::newRow("-1 truncates toward zero") << -1 << QString::fromUtf8("TEMP:-1°C / 31°F");
        QTest::newRow("INT_MAX") << INT_MAX << QString::fromUtf8("TEMP:2147483647°C / 3865470596°F");
    }
    void temperature()
    {
        QFETCH(int, celsius);
        QFETCH(QString, text);
        v->setTemperature(celsius);
        QCOMPARE(this->text("temperatureLabel"), text);
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

    void closingOnlyHides()
    {
        QVERIFY(v->handleWindowMessage(0x0219));
        QVERIFY(!v->handleWindowMessage(0x0001));
        QVERIFY(v->isVisible());
        QVERIFY(v->handleWindowMessage(0x0010));
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
