// Renders the panel, its settings menu and the curve editor in English to PNG
// for the package's screenshots (scripts/package.sh --screenshots); checks nothing.
#include "ui/curveeditor.h"
#include "ui/uitestenv.h"

#include <QDir>
#include <QTranslator>

class TestMainViewRender : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void panel()
    {
        isolate(m_home);
        const QString dir = QStringLiteral(ZALDO_RENDER_DIR);
        QVERIFY(QDir().mkpath(dir));
        // As people see it: English texts come from their translation (line breaks included).
        QTranslator english;
        if (english.load(qEnvironmentVariable("ZALDO_BIN_DIR") + QStringLiteral("/Language/en.qm")))
            QCoreApplication::installTranslator(&english);
        Shown shown;
        MainView &v = shown.view;
        v.setLanguage(0);
        v.setTemperature(45);
        for (int b = 0; b < MainView::kBoxes; ++b)
            v.setBoxEnabled(b, b < 3);
        v.setBoxPresent(0);
        for (int f = 0; f < MainView::kFanViews; ++f)
            v.setSelectColor(255, 40 * f, 0, 1.0f, f), v.setRPM(1500 + 100 * f, f);
        QVERIFY(shown.exposed && v.grab().save(dir + QStringLiteral("/panel_en.png")));
        click(child(&v, "Min_Window", "settings"));
        QVERIFY(v.grab().save(dir + QStringLiteral("/panel_en_menu.png")));
    }
    void curveEditor()
    {
        CurveEditor editor(*parseUserCurve("30:15,45:30,60:55,75:85,85:100;sensor=k10temp/Tctl;hysteresis=3;step-up=10;step-down=5;min=15").curve);
        editor.setTarget(0, 1);
        editor.setSensors({{"cpu", "CPU", "cpu", 52.4, "reading"}, {"k10temp/Tctl", "Tctl", "hwmon", 54.1, "reading"}});
        editor.setSentPercent(46);
        editor.resize(600, 640);  // offscreen would cap it at two thirds of its 800 x 600 screen
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor) && editor.grab().save(ZALDO_RENDER_DIR "/curve_editor_en.png"));
    }
};

QTEST_MAIN(TestMainViewRender)
#include "tst_mainviewrender.moc"
