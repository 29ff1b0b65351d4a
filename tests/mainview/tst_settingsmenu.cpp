// Settings menu and password keypad of the main view, and setLanguage.
#include "mainviewfixture.h"
#include "ui/translationswitch.h"

#include <QPushButton>

#include <climits>

using namespace mvtest;

class TestSettingsMenu : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<Shown> m_shown;
    MainView *v = nullptr;
    QSignalSpy *spy = nullptr;

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
    // Keys as text: "0".."9" digits, "ok", "ret".
    void press(const QString &keys)
    {
        for (const QString &k : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            click(key(v, k == QLatin1String("ok") ? 10 : k == QLatin1String("ret") ? 11 : k.toInt()));
    }
    bool styled(QWidget *w, int px) const { return w->styleSheet().contains(QStringLiteral("font-size:%1px").arg(px)); }

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

    void switchEntries_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("onText");
        QTest::addColumn<QString>("offText");
        QTest::newRow("auto update") << 7 << "AutoUpdate" << "Auto Update On" << "Auto Update Off";
        QTest::newRow("password") << 8 << "Password" << "Password On" << "Password Off";
    }
    void switchEntries()
    {
        QFETCH(int, entry);
        QFETCH(QString, command);
        QFETCH(QString, onText);
        QFETCH(QString, offText);
        QAbstractButton *e = menuEntry(v, entry);
        entry == 7 ? v->setAutoUpdateSwitch(true) : v->setPasswordSwitch(true);
        QVERIFY(e->isChecked());
        QCOMPARE(e->text(), onText);
        choose(entry);
        QCOMPARE(e->text(), offText);
        choose(entry);
        QCOMPARE(e->text(), onText);
        QCOMPARE(lists(*spy), (Lists{{command, "0"}, {command, "1"}}));
        entry == 7 ? v->setAutoUpdateSwitch(false) : v->setPasswordSwitch(false);
        QCOMPARE(e->text(), offText);
        QVERIFY(!e->isChecked());
    }

    void keypadSequences_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("emitted"); // empty: nothing
        QTest::addColumn<QString>("shown");
        QTest::newRow("full default entry") << "ok" << "7391" << "7391";
        QTest::newRow("fourth digit after OK") << "ret 1 2 3 ok 4 ok" << "1234" << "1234";
        QTest::newRow("digits past the fourth") << "ret 9 8 7 6 5 4 ok" << "9876" << "9876";
        QTest::newRow("return mid-entry") << "ret 1 2 ret 0 0 0 8 ok" << "0008" << "0008";
        QTest::newRow("OK on empty") << "ret ok" << "" << "";
    }
    void keypadSequences()
    {
        QFETCH(QString, keys);
        QFETCH(QString, emitted);
        QFETCH(QString, shown);
        choose(9);
        QVERIFY(cover()->isVisible());
        QCOMPARE(spy->count(), 0);
        press(keys);
        QCOMPARE(cells(), shown);
        QCOMPARE(cover()->isVisible(), emitted.isEmpty());
        QCOMPARE(lists(*spy), (emitted.isEmpty() ? Lists{} : Lists{{QStringLiteral("changePassword"), emitted}}));
        const QString password = emitted.isEmpty() ? QStringLiteral("7391") : emitted;
        QCOMPARE(menuEntry(v, 9)->text(), QStringLiteral("Password:") + password);
        QCOMPARE(v->passwordText(), password);
        if (!emitted.isEmpty()) { // the next opening shows the new digits
            choose(9);
            QCOMPARE(cells(), emitted);
            press(QStringLiteral("ok"));
            QCOMPARE(spy->count(), 2);
        }
    }

    void keypadIgnoresStrangeSenders()
    {
        choose(9);
        v->keyboardTouch(); // no sender
        QPushButton stray;
        connect(&stray, &QPushButton::released, v, &MainView::keyboardTouch);
        for (const char *name : {"Keyboard12", "Keyboard99999999999"}) {
            stray.setObjectName(QLatin1String(name));
            Q_EMIT stray.released();
        }
        QCOMPARE(cells(), QStringLiteral("7391"));
        QCOMPARE(spy->count(), 0);
    }

    // Any other stored index unchecks the language entries only and keeps the
    // last fonts; a real language afterwards checks its entry again.
    void setLanguageOutsideTable_data()
    {
        QTest::addColumn<int>("index");
        for (int i : {-1, 7, INT_MIN})
            QTest::addRow("%d", i) << i;
    }
    void setLanguageOutsideTable()
    {
        QFETCH(int, index);
        v->setAutoUpdateSwitch(true);
        v->setPasswordSwitch(true);
        v->setLanguage(4);
        v->setLanguage(index);
        for (int k = 0; k < 9; ++k)
            QCOMPARE(menuEntry(v, k)->isChecked(), k >= 7);
        QVERIFY(styled(child(v, "btn_save"), 8));
        v->setLanguage(2);
        QVERIFY(menuEntry(v, 2)->isChecked());
    }

    // A missing or damaged file leaves the texts of the language in use.
    void failedLoadKeepsTexts()
    {
        TranslationSwitch translation;
        QVERIFY(translation.load(resourcePrefix() + QStringLiteral("Language/de.qm")));
        QFile damaged(m_home.filePath(QStringLiteral("fr.qm")));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("not a translation") > 0);
        damaged.close();
        for (const QString &file : {m_home.filePath(QStringLiteral("missing.qm")), damaged.fileName()}) {
            QVERIFY(!translation.load(file));
            v->setLanguage(4);
            QCOMPARE(child(v, "btn_save")->text(), QStringLiteral("SPEICHERN"));
        }
    }
};

QTEST_MAIN(TestSettingsMenu)
#include "tst_settingsmenu.moc"
