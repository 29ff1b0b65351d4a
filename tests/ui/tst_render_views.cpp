// Renders the fan views in their states to PNG files under the build tree, in
// every interface language, and checks that no text of a fan view is cut off.
#include "ui/zaldorgbfanview.h"
#include "uitestenv.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QScopeGuard>
#include <QTranslator>
#include <QtTest>

namespace {
const QStringList kCodes{"en", "tc", "cn", "de", "fr", "jp", "th"};

// Advance of the widest line; ink height of one line, or of the stacked lines.
QSize inkSize(const QFont &font, const QString &text)
{
    const QFontMetrics fm(font);
    int width = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        width = qMax(width, fm.horizontalAdvance(line));
    return {width, text.contains(QLatin1Char('\n')) ? fm.size(0, text).height() : fm.tightBoundingRect(text).height()};
}

// What resetFanView pushes for one fan; mode 0 steady, 1 colour cycle, 2 flash.
struct FanState {
    QRgb colour;
    float bright;
    int level, pwm, mode, off, rpm;
};

// A stand-in for the main window: its backdrop and three fan views at their places.
struct Panel {
    QWidget host;
    ZaldoRGBFanView *views[3];
    Panel(int language, const FanState (&states)[3])
    {
        host.resize(947, 587);
        QPalette pal = host.palette();
        pal.setBrush(QPalette::Window, QBrush(QPixmap(imageDir() + QStringLiteral("/background.png"))));
        host.setPalette(pal);
        host.setAutoFillBackground(true);
        for (int n = 0; n < 3; ++n) {
            ZaldoRGBFanView *v = views[n] = new ZaldoRGBFanView(&host);
            const FanState &s = states[n];
            v->setGeometry(9 + 312 * n, 154, 302, 390);
            v->setFanNumber(n);
            v->setLanguage(language);
            v->setSelectColor(qRed(s.colour), qGreen(s.colour), qBlue(s.colour), s.bright);
            v->setFanSpeed(s.level);
            v->setPWM(s.pwm);
            v->setRGB(s.mode == 1);
            v->setBlink(s.mode == 2);
            v->setTurnOff(s.off);
            v->setBright(s.bright);
            v->setRPM(s.rpm);
        }
        host.show();
    }
};
} // namespace

class TestRenderViews : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;
    const QString outDir = QStringLiteral(ZALDO_SCREENSHOT_DIR);

private Q_SLOTS:
    void initTestCase()
    {
        home = makeUiTestHome();
        QVERIFY(QDir().mkpath(outDir));
    }

    void fanViews_data()
    {
        QTest::addColumn<int>("language");
        for (int i = 0; i < kCodes.size(); ++i)
            QTest::newRow(qPrintable(kCodes.at(i))) << i;
    }
    void fanViews()
    {
        QFETCH(int, language);
        const QString code = kCodes.at(language);
        QTranslator translator;
        QVERIFY(translator.load(languageDir() + QLatin1Char('/') + code + QStringLiteral(".qm")));
        QCoreApplication::installTranslator(&translator);
        const auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
        // Steady red, colour cycle, flash.
        Panel a(language, {{0xff0000, 1.0f, 5, 1, 0, 0, 1830}, {0x00a0ea, 1.0f, 2, 0, 1, 0, 1240},
                           {0x7828ff, 0.71f, 0, 1, 2, 0, 820}});
        QVERIFY(QTest::qWaitForWindowExposed(&a.host));
        QVERIFY(a.host.grab().save(outDir + QStringLiteral("/fanviews_%1.png").arg(code)));

        for (QWidget *w : a.host.findChildren<QWidget *>()) {
            auto *l = qobject_cast<QLabel *>(w);
            auto *b = qobject_cast<QPushButton *>(w);
            const QString text = l ? l->text() : b ? b->text() : QString();
            if (text.isEmpty() || !w->isVisibleTo(&a.host))
                continue;
            const QSize need = inkSize(w->font(), text);
            const int margin = b ? 4 : 0;
            QVERIFY2(need.width() <= w->width() - margin && need.height() <= w->height() - margin,
                     qPrintable(QStringLiteral("%1: '%2' does not fit").arg(code, text)));
        }
    }
};

QTEST_MAIN(TestRenderViews)
#include "tst_render_views.moc"
