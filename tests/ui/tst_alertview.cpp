// The stopped-fan warning: which box it names and how it is dismissed.
#include "ui/alertview.h"
#include "uitestenv.h"

#include <QPushButton>
#include <QtTest>

class TestAlertView : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;

private Q_SLOTS:
    void initTestCase() { home = makeUiTestHome(); }

    // OK, close() and WM_CLOSE all hide the window and emit "test" once; the
    // window lives on for the next stopped fan, named 1-based and fitting its label.
    void dismissals_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("box");
        QTest::newRow("OK button, box 0") << 0 << 0;
        QTest::newRow("close(), box 4") << 1 << 4;
        QTest::newRow("WM_CLOSE, box 15") << 2 << 15;
    }
    void dismissals()
    {
        QFETCH(int, how);
        QFETCH(int, box);
        AlertView alert;
        QSignalSpy spy(&alert, &AlertView::sendData);
        QVERIFY(alert.handleWindowMessage(0x0219)); // device change: handled, nothing else
        QVERIFY(!alert.handleWindowMessage(0x0001));
        QVERIFY(alert.isVisible() && spy.isEmpty());
        if (how == 0)
            QTest::mouseClick(alert.findChild<QPushButton *>(QStringLiteral("btn_fanAlertOK")), Qt::LeftButton);
        else if (how == 1)
            QVERIFY(!alert.close());
        else
            QVERIFY(alert.handleWindowMessage(0x0010));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("test"));
        QVERIFY(alert.isHidden());
        alert.setControllerNumber(box);
        alert.show();
        const QString text = QStringLiteral("Controller No. %1").arg(box + 1);
        QCOMPARE(alert.messageText(), text);
        QLabel *label = nullptr;
        for (QLabel *l : alert.findChildren<QLabel *>())
            label = l->text() == text ? l : label;
        QVERIFY(label && label->fontMetrics().horizontalAdvance(text) <= label->width());
    }
};

QTEST_MAIN(TestAlertView)
#include "tst_alertview.moc"
