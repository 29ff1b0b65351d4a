// Settings menu and password keypad of the main view, and setLanguage.
#include "mainviewfixture.h"

#include <QPushButton>

#include <climits>

using namespace mvtest;

class TestSettingsMenu : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    std::unique_ptr<MainView> m_view;
    std::unique_ptr<QSignalSpy> m_spy;

    QWidget *menu() const { return child<QWidget>(m_view.get(), "menuPanel"); }
    QWidget *cover() const { return child<QWidget>(m_view.get(), "keypadCover"); }
    QAbstractButton *settingsButton() const
    {
        return child<QAbstractButton>(m_view.get(), "Min_Window", "settings");
    }
    QString cells() const
    {
        QString s;
        for (int k = 0; k < 4; ++k)
            s += label(m_view.get(), QStringLiteral("digitCell%1").arg(k))->text();
        return s;
    }
    void openMenu()
    {
        if (menu()->isHidden())
            click(settingsButton());
        QVERIFY(menu()->isVisible());
    }
    void openKeypad()
    {
        openMenu();
        click(menuEntry(m_view.get(), 9));
        QVERIFY(cover()->isVisible());
        QVERIFY(menu()->isHidden());
    }
    // Keys as text: "0".."9" digits, "ok", "ret".
    void press(const QString &keys)
    {
        for (const QString &k : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int n = k == QLatin1String("ok") ? 10 : k == QLatin1String("ret") ? 11 : k.toInt();
            click(key(m_view.get(), n));
        }
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

    void menuLayout()
    {
        QVERIFY(menu()->isHidden());
        QCOMPARE(menu()->geometry(), QRect(796, 30, 131, 356));
        for (int k = 0; k < 10; ++k) {
            QAbstractButton *entry = menuEntry(m_view.get(), k);
            QVERIFY(entry);
            QCOMPARE(entry->geometry(), QRect(5, 5 + 35 * k, 120, 30));
            QCOMPARE(entry->isCheckable(), k != 9);
        }
        // Without a translation the keys show as written.
        QCOMPARE(menuEntry(m_view.get(), 0)->text(), QStringLiteral("en"));
        QCOMPARE(menuEntry(m_view.get(), 7)->text(), QStringLiteral("Auto Update On"));
        QCOMPARE(menuEntry(m_view.get(), 8)->text(), QStringLiteral("Password Off"));
        QCOMPARE(menuEntry(m_view.get(), 9)->text(), QStringLiteral("Password:7391"));
        QVERIFY(cover()->isHidden());
        QCOMPARE(cover()->geometry(), QRect(0, 0, 947, 587));
        QCOMPARE(label(m_view.get(), "keypadPanel")->geometry(), QRect(323, 99, 299, 388));
        QCOMPARE(key(m_view.get(), 1)->geometry().topLeft(), QPoint(42, 100));
        QCOMPARE(key(m_view.get(), 9)->geometry().topLeft(), QPoint(196, 234));
        QCOMPARE(key(m_view.get(), 0)->geometry().topLeft(), QPoint(119, 301));
        QCOMPARE(key(m_view.get(), 10)->geometry().topLeft(), QPoint(42, 301));
        QCOMPARE(key(m_view.get(), 11)->geometry().topLeft(), QPoint(196, 301));
        QCOMPARE(cells(), QStringLiteral("7391"));
    }

    void settingsButtonToggles()
    {
        click(settingsButton());
        QVERIFY(menu()->isVisible());
        click(settingsButton());
        QVERIFY(menu()->isHidden());
        QCOMPARE(m_spy->count(), 0);
    }

    void pressOnFreeAreaHidesMenu()
    {
        openMenu();
        sendMouse(m_view.get(), QEvent::MouseButtonPress, QPoint(500, 300));
        sendMouse(m_view.get(), QEvent::MouseButtonRelease, QPoint(500, 300));
        QVERIFY(menu()->isHidden());
    }

    void languageEntries_data()
    {
        QTest::addColumn<int>("k");
        for (int k = 0; k < 7; ++k)
            QTest::addRow("entry %d", k) << k;
    }
    void languageEntries()
    {
        QFETCH(int, k);
        openMenu();
        click(menuEntry(m_view.get(), k));
        QCOMPARE(lists(*m_spy), (QList<QStringList>{{QStringLiteral("changeLanguage"), QString::number(k)}}));
        QVERIFY(menu()->isHidden());
        for (int j = 0; j < 7; ++j)
            QCOMPARE(menuEntry(m_view.get(), j)->isChecked(), j == k);
    }

    void autoUpdateEntryFlips()
    {
        m_view->setAutoUpdateSwitch(true);
        QAbstractButton *entry = menuEntry(m_view.get(), 7);
        QVERIFY(entry->isChecked());
        openMenu();
        click(entry);
        QCOMPARE(entry->text(), QStringLiteral("Auto Update Off"));
        QVERIFY(menu()->isHidden());
        openMenu();
        click(entry);
        QCOMPARE(entry->text(), QStringLiteral("Auto Update On"));
        QCOMPARE(lists(*m_spy), (QList<QStringList>{list({"AutoUpdate", "0"}), list({"AutoUpdate", "1"})}));
        m_view->setAutoUpdateSwitch(false);
        QCOMPARE(entry->text(), QStringLiteral("Auto Update Off"));
        QVERIFY(!entry->isChecked());
    }

    void passwordEntryFlips()
    {
        m_view->setPasswordSwitch(true);
        QAbstractButton *entry = menuEntry(m_view.get(), 8);
        QCOMPARE(entry->text(), QStringLiteral("Password On"));
        openMenu();
        click(entry);
        QCOMPARE(entry->text(), QStringLiteral("Password Off"));
        QVERIFY(menu()->isHidden());
        openMenu();
        click(entry);
        QCOMPARE(entry->text(), QStringLiteral("Password On"));
        QCOMPARE(lists(*m_spy), (QList<QStringList>{list({"Password", "0"}), list({"Password", "1"})}));
    }

    void passwordTextLeavesCells()
    {
        m_view->setPasswordText(QStringLiteral("1234"));
        QCOMPARE(menuEntry(m_view.get(), 9)->text(), QStringLiteral("Password:1234"));
        QCOMPARE(m_view->passwordText(), QStringLiteral("1234"));
        QCOMPARE(cells(), QStringLiteral("7391"));
    }

    void keypadOpensWithoutEmitting()
    {
        openKeypad();
        QCOMPARE(m_spy->count(), 0);
        press(QStringLiteral("5")); // cells full: nothing
        QCOMPARE(cells(), QStringLiteral("7391"));
        QVERIFY(cover()->isVisible());
    }

    void keypadSequences_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("emitted"); // empty: nothing
        QTest::addColumn<QString>("shown");
        QTest::newRow("full default entry") << "ok" << "7391" << "7391";
        QTest::newRow("three digits and OK") << "ret 1 2 3 ok" << "" << "123";
        QTest::newRow("fourth digit and OK") << "ret 1 2 3 ok 4 ok" << "1234" << "1234";
        QTest::newRow("digits past the fourth") << "ret 9 8 7 6 5 4 ok" << "9876" << "9876";
        QTest::newRow("return mid-entry") << "ret 1 2 ret 0 0 0 8 ok" << "0008" << "0008";
        QTest::newRow("return only") << "ret" << "" << "";
        QTest::newRow("OK on empty") << "ret ok" << "" << "";
    }
    void keypadSequences()
    {
        QFETCH(QString, keys);
        QFETCH(QString, emitted);
        QFETCH(QString, shown);
        openKeypad();
        press(keys);
        QCOMPARE(cells(), shown);
        if (emitted.isEmpty()) {
            QCOMPARE(m_spy->count(), 0);
            QVERIFY(cover()->isVisible());
            QCOMPARE(menuEntry(m_view.get(), 9)->text(), QStringLiteral("Password:7391"));
        } else {
            QCOMPARE(lists(*m_spy), (QList<QStringList>{{QStringLiteral("changePassword"), emitted}}));
            QVERIFY(cover()->isHidden());
            QCOMPARE(menuEntry(m_view.get(), 9)->text(), QStringLiteral("Password:") + emitted);
            QCOMPARE(m_view->passwordText(), emitted);
        }
    }

    void keypadKeepsDigitsAfterChange()
    {
        openKeypad();
        press(QStringLiteral("ret 4 4 5 5 ok"));
        openKeypad();
        QCOMPARE(cells(), QStringLiteral("4455"));
        press(QStringLiteral("ok"));
        QCOMPARE(m_spy->count(), 2);
    }

    void keypadIgnoresStrangeSenders()
    {
        openKeypad();
        m_view->keyboardTouch(); // no sender
        QPushButton stray;
        stray.setObjectName(QStringLiteral("Keyboard12"));
        connect(&stray, &QPushButton::released, m_view.get(), &MainView::keyboardTouch);
        Q_EMIT stray.released();
        stray.setObjectName(QStringLiteral("Keyboard99999999999"));
        Q_EMIT stray.released();
        QCOMPARE(cells(), QStringLiteral("7391"));
        QCOMPARE(m_spy->count(), 0);
    }

    void setLanguageRows_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("labelPx");
        QTest::addColumn<int>("profilePx");
        QTest::addColumn<int>("savePx");
        QTest::newRow("en") << 0 << 12 << 10 << 14;
        QTest::newRow("tc") << 1 << 12 << 14 << 14;
        QTest::newRow("cn") << 2 << 12 << 14 << 14;
        QTest::newRow("de") << 3 << 12 << 10 << 10;
        QTest::newRow("fr") << 4 << 12 << 10 << 8;
        QTest::newRow("jp") << 5 << 10 << 8 << 14;
        QTest::newRow("th") << 6 << 12 << 11 << 14;
    }
    void setLanguageRows()
    {
        QFETCH(int, index);
        QFETCH(int, labelPx);
        QFETCH(int, profilePx);
        QFETCH(int, savePx);
        QVERIFY(label(m_view.get(), "fanHeader0")->styleSheet().contains("font-size:14px"));
        m_view->setLanguage(index);
        for (int k = 0; k < 7; ++k)
            QCOMPARE(menuEntry(m_view.get(), k)->isChecked(), k == index);
        const auto px = [](int n) { return QStringLiteral("font-size:%1px").arg(n); };
        QVERIFY(label(m_view.get(), "profileLabel")->styleSheet().contains(px(labelPx)));
        QVERIFY(profileButton(m_view.get(), 4)->styleSheet().contains(px(profilePx)));
        QVERIFY(child<QWidget>(m_view.get(), "btn_save")->styleSheet().contains(px(savePx)));
        for (int f = 0; f < 3; ++f)
            QVERIFY(label(m_view.get(), QStringLiteral("fanHeader%1").arg(f))->styleSheet().contains(px(12)));
        QCOMPARE(m_spy->count(), 0);
    }

    void setLanguageOutsideTable_data()
    {
        QTest::addColumn<int>("index");
        for (int i : {-1, 7, 9, 10, INT_MAX, INT_MIN})
            QTest::addRow("%d", i) << i;
    }
    void setLanguageOutsideTable()
    {
        QFETCH(int, index);
        m_view->setAutoUpdateSwitch(true);
        m_view->setPasswordSwitch(true);
        m_view->setLanguage(4);
        const QString saveStyle = child<QWidget>(m_view.get(), "btn_save")->styleSheet();
        const QString profileStyle = profileButton(m_view.get(), 0)->styleSheet();
        m_view->setLanguage(index);
        for (int k = 0; k < 7; ++k)
            QVERIFY(!menuEntry(m_view.get(), k)->isChecked());
        QVERIFY(menuEntry(m_view.get(), 7)->isChecked());
        QVERIFY(menuEntry(m_view.get(), 8)->isChecked());
        QCOMPARE(child<QWidget>(m_view.get(), "btn_save")->styleSheet(), saveStyle);
        QCOMPARE(profileButton(m_view.get(), 0)->styleSheet(), profileStyle);
        QCOMPARE(child<QAbstractButton>(m_view.get(), "btn_save")->text(), QStringLiteral("SAVE"));
        // A real language afterwards checks its entry again.
        m_view->setLanguage(2);
        QVERIFY(menuEntry(m_view.get(), 2)->isChecked());
        openMenu();
        click(menuEntry(m_view.get(), 5));
        QCOMPARE(m_spy->last().at(0).toStringList(), list({"changeLanguage", "5"}));
    }
};

QTEST_MAIN(TestSettingsMenu)
#include "tst_settingsmenu.moc"
