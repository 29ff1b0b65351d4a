#include "app/brenvarrgbfancontroller.h"
#include "core/controllerstate.h"
#include "commands/periodictasks.h"
#include "device/boxemulator.h"
#include "ui/alertview.h"
#include "ui/mainview.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

// The whole controller as start-up builds it, against emulated boxes 0 and 2.
class TestController : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<BoxEmulator> emu;
    std::unique_ptr<ControllerState> state;
    std::unique_ptr<BrenvarRGBFanController> controller;

    QString autostartEntry() const
    {
        return dir->path() + "/config/autostart/Brenvar RGB Fan Controller.desktop";
    }
    void build(const QList<QPair<int, int>> &stalled = {})
    {
        emu = std::make_unique<BoxEmulator>();
        emu->setBoxes({0, 2});
        emu->setStalledFans(stalled);
        state = std::make_unique<ControllerState>();
        ControllerSetup setup;
        setup.transport = emu.get();
        setup.dataDirectory = dir->path() + "/config/Bv/RGBZaldo";
        setup.companionEnabled = false;
        setup.updateUrl = QStringLiteral("http://127.0.0.1:9");
        controller = std::make_unique<BrenvarRGBFanController>(*state, setup);
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", (dir->path() + "/config").toLocal8Bit());
        qputenv("ZALDO_HWMON_ROOT", (dir->path() + "/no-hwmon").toLocal8Bit());
    }
    void cleanup()
    {
        controller.reset();
        state.reset();
        emu.reset();
    }

    void startUpSelectsFirstBoxAndShowsPanel()
    {
        build();
        QCOMPARE(state->controllerBoxNumber, 0);
        QCOMPARE(state->checkControllerStr, QString("1010000000000000"));
        QVERIFY(controller->mainView()->isVisible());
        QVERIFY(controller->alertView()->isHidden());
        QVERIFY(controller->tasks().rpmTimer().isActive());
        QVERIFY(QFile::exists(dir->path() + "/config/Bv/RGBZaldo/Device.ini"));
        QVERIFY(QFile::exists(autostartEntry()));  // the stored switch is on by default
    }

    void stoppedFanRaisesAlertAndOkReenablesPanel()
    {
        build({{2, 1}});
        controller->tasks().updateSpeed();
        QVERIFY(controller->alertView()->isVisible());
        QVERIFY(!controller->mainView()->isEnabled());
        QVERIFY(state->boxArray[2].isAlertShownFan[1]);
        const auto labels = controller->alertView()->findChildren<QLabel *>();
        bool found = false;
        for (QLabel *l : labels)
            found |= l->text() == QLatin1String("Controller No. 3");
        QVERIFY(found);

        auto *ok = controller->alertView()->findChild<QPushButton *>("btn_fanAlertOK");
        QVERIFY(ok);
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(controller->alertView()->isHidden());
        QVERIFY(controller->mainView()->isEnabled());

        // Raised once until the fan runs again.
        controller->tasks().updateSpeed();
        QVERIFY(controller->alertView()->isHidden());
    }

    void resumeReappliesEveryConnectedBox()
    {
        build();
        emu->clearSentReports();
        controller->reapplyAfterResume();
        const QStringList lines = emu->traceLines();
        for (int box : {0, 2})
            for (int port = 1; port <= 3; ++port)
                QVERIFY2(lines.contains(QStringLiteral("%1 32 52 %2 00 ff 00 00 00").arg(box).arg(port, 2, 10, QChar('0'))),
                         qPrintable(lines.join('\n')));
        QVERIFY(!lines.join('\n').contains(QRegularExpression("^1 ", QRegularExpression::MultilineOption)));
    }

    void panelCommandsReachTheBox()
    {
        build();
        emu->clearSentReports();
        Q_EMIT controller->mainView()->sendData({"Palette", "1", "0", "0", "255"});
        QCOMPARE(state->boxArray[0].BColorFan[1], 255);
        QVERIFY(emu->traceLines().contains("0 32 52 02 00 00 00 ff 00"));
    }
};

QTEST_MAIN(TestController)
#include "test_controller.moc"
