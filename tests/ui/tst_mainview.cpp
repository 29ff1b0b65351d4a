// Main view: box strip, profiles, monitor switches, errors, temperature,
// window handling, the settings menu, the password keypad and setLanguage.
#include "ui/uitestenv.h"

#include "ui/windowplacement.h"
#include "ui/zaldorgbfanview.h"

#include <QPushButton>
#include <QRegularExpression>

#include <climits>

class TestMainView : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<Shown> m_shown;
    MainView *v = nullptr;
    QSignalSpy *spy = nullptr;

    QString text(const char *name) const { return label(v, name)->text(); }
    QWidget *menu() const { return child<QWidget>(v, "menuPanel"); }
    QWidget *cover() const { return child<QWidget>(v, "keypadCover"); }
    QAbstractButton *settingsButton() const { return child(v, "Min_Window", "settings"); }
    QString cells() const
    {
        QString s;
        for (int k = 0; k < 4; ++k)
            s += label(v, QStringLiteral("digitCell%1").arg(k))->text();
        return s;
    }
    void choose(int entry)
    {
        if (menu()->isHidden())
            click(settingsButton());
        QVERIFY(menu()->isVisible());
        click(menuEntry(v, entry));
        QVERIFY(menu()->isHidden());
    }
    // Keys as text: "0".."9" digits, "ok", "ret"; typed: "t0".."t9", "esc", "enter";
    // a click on the keypad's panel ("in") or beside it ("out").
    void press(const QString &keys)
    {
        static const QHash<QString, int> typed{{"esc", Qt::Key_Escape}, {"enter", Qt::Key_Return}};
        static const QHash<QString, QPoint> at{{"in", {333, 109}}, {"out", {20, 300}}};
        for (const QString &k : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (k.startsWith('t') || typed.contains(k))
                QTest::keyClick(v, Qt::Key(typed.value(k, Qt::Key_0 + k.mid(1).toInt())));
            else if (at.contains(k))
                QTest::mouseClick(v->windowHandle(), Qt::LeftButton, Qt::NoModifier, at.value(k));
            else
                click(key(v, k == QLatin1String("ok") ? 10 : k == QLatin1String("ret") ? 11 : k.toInt()));
        }
    }

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

    void monitorSwitchOffAndOn()
    {
        click(monitorSwitch(v, 1));
        QCOMPARE(lists(*spy), (Lists{{"closeFanControl", "1", "0"}}));
        QVERIFY(!v->fanView(1)->isDisabledCoverHidden() && v->fanView(0)->isDisabledCoverHidden());
        click(monitorSwitch(v, 1));
        QCOMPARE(lists(*spy).last(), (QStringList{"closeFanControl", "1", "1"}));
        QVERIFY(v->fanView(1)->isDisabledCoverHidden());
    }

    // setLanguage rebuilds the shown error text and keeps its visibility.
    void errorAndTemperatureTexts()
    {
        QLabel *message = label(v, "messageLabel");
        for (auto [category, index, text] : {std::tuple{0, 2, "Error_Code_H_0x0003 (Error Code:H_0x0003)"},
                                             {1, 2, "(Error Code:S_0x0010)"}}) {
            v->showError(false, category, index);
            v->setLanguage(3);
            QVERIFY(message->text() == text && message->isVisible());
            v->showError(true, category, index);
            v->setLanguage(1);
            QVERIFY(message->text() == text && message->isHidden());
        }
        for (auto [celsius, text] : {std::pair{-1, "TEMP:-1°C / 31°F"}, {INT_MAX, "TEMP:2147483647°C / 3865470596°F"}}) {
            v->setTemperature(celsius);
            QCOMPARE(this->text("temperatureLabel"), QString::fromUtf8(text));
        }
    }

    void switchEntries()
    {
        for (auto [entry, command, on, off] : {std::tuple{7, "AutoUpdate", "Auto Update On", "Auto Update Off"},
                                               {8, "Password", "Password On", "Password Off"}}) {
            QAbstractButton *e = menuEntry(v, entry);
            entry == 7 ? v->setAutoUpdateSwitch(true) : v->setPasswordSwitch(true);
            QVERIFY(e->isChecked() && e->text() == on);
            spy->clear();
            choose(entry);
            QCOMPARE(e->text(), QString(off));
            choose(entry);
            QCOMPARE(e->text(), QString(on));
            QCOMPARE(lists(*spy), (Lists{{command, "0"}, {command, "1"}}));
            entry == 7 ? v->setAutoUpdateSwitch(false) : v->setPasswordSwitch(false);
            QVERIFY(e->text() == off && !e->isChecked());
        }
    }

    void keypadSequences_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("emitted"); // empty: nothing
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("open");
        QTest::newRow("full default entry") << "ok" << "7391" << "7391" << false;
        QTest::newRow("fourth digit after OK") << "ret 1 2 3 ok 4 ok" << "1234" << "1234" << false;
        QTest::newRow("OK on empty") << "ret ok" << "" << "" << true;
        QTest::newRow("typed digits, Enter") << "ret t1 t2 t3 t4 t5 enter" << "1234" << "1234" << false;
        QTest::newRow("Escape: no change") << "ret t5 2 esc" << "" << "7391" << false;
        QTest::newRow("click beside: no change") << "ret 5 out" << "" << "7391" << false;
        QTest::newRow("click on the keypad") << "ret 5 in" << "" << "5" << true;
    }
    void keypadSequences()
    {
        QFETCH(QString, keys);
        QFETCH(QString, emitted);
        QFETCH(QString, shown);
        QFETCH(bool, open);
        choose(9);
        QVERIFY(cover()->isVisible());
        QCOMPARE(spy->count(), 0);
        press(keys);
        QCOMPARE(cells(), shown);
        QCOMPARE(cover()->isVisible(), open);
        QCOMPARE(lists(*spy), (emitted.isEmpty() ? Lists{} : Lists{{QStringLiteral("changePassword"), emitted}}));
        const QString password = emitted.isEmpty() ? QStringLiteral("7391") : emitted;
        QCOMPARE(menuEntry(v, 9)->text(), QStringLiteral("Password:") + password);
        QCOMPARE(v->passwordText(), password);
        if (!open) { // the next opening shows what the cells were left with
            choose(9);
            QCOMPARE(cells(), shown);
            press(QStringLiteral("ok"));
            QCOMPARE(spy->count(), emitted.isEmpty() ? 1 : 2);
        }
    }

    // A window's place on a screen's available area: its own where it fits,
    // else moved just enough; centred on an axis where it is larger.
    void placement()
    {
        const QRect panel(400, 400, 947, 587);
        const QList<std::tuple<QRect, QRect, QPoint>> rows{
            {panel, {0, 0, 1600, 1000}, {400, 400}}, {panel, {0, 0, 1366, 728}, {400, 141}},
            {panel, {64, 27, 1302, 741}, {400, 181}}, {panel, {0, 0, 1280, 1024}, {333, 400}},
            {panel, {0, 0, 800, 560}, {-73, -13}}, {{-50, 900, 428, 248}, {0, 0, 1366, 768}, {0, 520}},
            {{100, 100, 100, 100}, {1920, 0, 1024, 768}, {1920, 100}}};
        for (const auto &[wanted, available, expected] : rows)
            QCOMPARE(placeWithin(wanted, available), expected);
        QCOMPARE(v->pos(), QPoint(-73, 13));  // the offscreen screen: 800 x 600
    }

};

QTEST_MAIN(TestMainView)
#include "tst_mainview.moc"
