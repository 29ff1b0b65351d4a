// The stopped-fan warning and the information window.
#include "ui/alertview.h"
#include "ui/infoview.h"
#include "ui/uiimages.h"
#include "uitestenv.h"

#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QtTest>

class TestAlertView : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;

    static QLabel *messageLabel(AlertView &alert)
    {
        for (QLabel *l : alert.findChildren<QLabel *>())
            if (l->geometry().topLeft() == QPoint(0, 155))
                return l;
        return nullptr;
    }
    static void sendMouse(QWidget *w, QEvent::Type type, const QPoint &pos)
    {
        QMouseEvent e(type, pos, w->mapToGlobal(pos), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }

private Q_SLOTS:
    void initTestCase() { home = makeUiTestHome(); }
    void cleanup() { UiImages::setRootForTesting(QString()); }

    void controllerNumber_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::newRow("box 0") << 0 << QStringLiteral("Controller No. 1");
        QTest::newRow("box 4") << 4 << QStringLiteral("Controller No. 5");
        QTest::newRow("box 15") << 15 << QStringLiteral("Controller No. 16");
    }
    void controllerNumber()
    {
        QFETCH(int, box);
        QFETCH(QString, text);
        AlertView alert;
        alert.setControllerNumber(box);
        QLabel *message = messageLabel(alert);
        QVERIFY(message);
        QCOMPARE(message->text(), text);
        QVERIFY(message->fontMetrics().horizontalAdvance(text) <= message->width());
    }

    void layoutFollowsPicture()
    {
        const QImage picture(imageDir() + QStringLiteral("/warn_background.png"));
        QVERIFY(!picture.isNull());
        AlertView alert;
        QVERIFY(alert.isVisible()); // the controller hides it right after construction
        QCOMPARE(alert.size(), picture.size());
        auto *ok = alert.findChild<QPushButton *>(QStringLiteral("btn_fanAlertOK"));
        QVERIFY(ok);
        QCOMPARE(ok->geometry(), QRect(175, 200, 80, 33));
        QCOMPARE(messageLabel(alert)->width(), picture.width());
        // The window takes the picture's outline.
        const QRegion mask = alert.mask();
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(picture.width() - 1, picture.height() - 1)));
        QVERIFY(mask.contains(QPoint(picture.width() / 2, picture.height() / 2)));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(alert.pos(), QPoint(screen.width() - picture.width() - 20, screen.height() - picture.height() - 50));
    }

    // OK, close() and WM_CLOSE all hide the window and emit "test" once; the
    // window lives on for the next stopped fan.
    void dismissals_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("OK button") << 0;
        QTest::newRow("close()") << 1;
        QTest::newRow("WM_CLOSE") << 2;
    }
    void dismissals()
    {
        QFETCH(int, how);
        AlertView alert;
        QSignalSpy spy(&alert, &AlertView::sendData);
        QVERIFY(alert.handleWindowMessage(0x0219)); // device change: handled, nothing else
        QVERIFY(!alert.handleWindowMessage(0x0001));
        QCOMPARE(spy.count(), 0);
        QVERIFY(alert.isVisible());
        if (how == 0)
            QTest::mouseClick(alert.findChild<QPushButton *>(QStringLiteral("btn_fanAlertOK")), Qt::LeftButton);
        else if (how == 1)
            QVERIFY(!alert.close());
        else
            QVERIFY(alert.handleWindowMessage(0x0010));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("test"));
        QVERIFY(alert.isHidden());
        alert.setControllerNumber(2);
        alert.show();
        QCOMPARE(alert.messageText(), QStringLiteral("Controller No. 3"));
        QVERIFY(alert.isVisible());
    }

    void dragOnlyInUpperPart()
    {
        AlertView alert;
        const QPoint start = alert.pos();
        sendMouse(&alert, QEvent::MouseButtonPress, QPoint(50, 50));
        sendMouse(&alert, QEvent::MouseMove, QPoint(60, 70));
        QCOMPARE(alert.pos(), start + QPoint(10, 20));
        sendMouse(&alert, QEvent::MouseMove, QPoint(60, 180));
        QCOMPARE(alert.pos(), start + QPoint(10, 20));
        sendMouse(&alert, QEvent::MouseMove, QPoint(50, 179));
        QCOMPARE(alert.pos(), start + QPoint(10, 149));
    }

    void missingPictureStaysUsable()
    {
        QTemporaryDir empty;
        UiImages::setRootForTesting(empty.path());
        AlertView alert;
        QVERIFY(alert.mask().isEmpty());
        QVERIFY(alert.width() >= 255 && alert.height() >= 233); // the OK button is inside
        alert.setControllerNumber(15);
        QVERIFY(messageLabel(alert)->fontMetrics().horizontalAdvance(alert.messageText())
                <= messageLabel(alert)->width());
    }

    void infoView()
    {
        InfoView info;
        QVERIFY(info.isHidden());
        QCOMPARE(info.windowTitle(), QStringLiteral("HWiNFO"));
        QCOMPARE(info.geometry(), QRect(100, 100, 500, 500));
        // Closing only hides and keeps the text; WM_CLOSE does the same.
        info.show();
        info.textEdit()->append(QStringLiteral("CPU: 41"));
        QVERIFY(!info.close());
        QVERIFY(info.isHidden());
        QCOMPARE(info.textEdit()->toPlainText(), QStringLiteral("CPU: 41"));
        info.show();
        QVERIFY(info.handleWindowMessage(0x0219));
        QVERIFY(info.isVisible());
        QVERIFY(info.handleWindowMessage(0x0010));
        QVERIFY(info.isHidden());
        QVERIFY(!info.handleWindowMessage(0x000F));
    }
};

QTEST_MAIN(TestAlertView)
#include "tst_alertview.moc"
