// Renders the fan views in their states and the alert window to PNG files
// under the build tree, in every interface language, and checks that no text
// is cut off.
#include "ui/alertview.h"
#include "ui/zaldorgbfanview.h"
#include "uitestenv.h"

#include <QBitmap>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTranslator>
#include <QtTest>

namespace {
const QStringList kCodes{"en", "tc", "cn", "de", "fr", "jp", "th"};

// Advance of the widest line; height of the ink of one line or of the stacked lines.
QSize inkSize(const QFont &font, const QString &text)
{
    const QFontMetrics fm(font);
    int width = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        width = qMax(width, fm.horizontalAdvance(line));
    if (!text.contains(QLatin1Char('\n')))
        return QSize(width, fm.tightBoundingRect(text).height());
    return QSize(width, fm.size(0, text).height());
}

// A stand-in for the main window: its backdrop and three fan views at their places.
struct Panel {
    QWidget host;
    ZaldoRGBFanView *views[3];
    Panel()
    {
        host.resize(947, 587);
        QPalette pal = host.palette();
        pal.setBrush(QPalette::Window, QBrush(QPixmap(imageDir() + QStringLiteral("/background.png"))));
        host.setPalette(pal);
        host.setAutoFillBackground(true);
        for (int n = 0; n < 3; ++n) {
            auto *header = new QLabel(&host);
            header->setGeometry(144 + 312 * n, 127, 100, 20);
            header->setStyleSheet(QStringLiteral("font-family: Arial; font-size:12px; color: white;"));
            header->setText(QStringLiteral("FAN%1").arg(n + 1));
            auto *monitor = new QLabel(&host);
            monitor->setGeometry(121 + 312 * n, 127, 20, 20);
            monitor->setPixmap(QPixmap(imageDir() + QStringLiteral("/btn_openFan.png")));
            views[n] = new ZaldoRGBFanView(&host);
            views[n]->setGeometry(9 + 312 * n, 154, 302, 390);
            views[n]->setFanNumber(n);
        }
    }
};

// What resetFanView pushes for one fan.
void reset(ZaldoRGBFanView *v, QColor c, float bright, int level, bool pwm, int mode, bool off, int rpm)
{
    v->setSelectColor(c.red(), c.green(), c.blue(), bright);
    v->setFanSpeed(level);
    v->setPWM(pwm);
    if (mode == 0) {
        v->setRGB(false);
        v->setBlink(false);
    } else if (mode == 1) {
        v->setRGB(true);
    } else {
        v->setBlink(true);
    }
    v->setTurnOff(off);
    v->setBright(bright);
    v->setRPM(rpm);
}
} // namespace

class TestRenderViews : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home;
    QString outDir;

    void save(QWidget *w, const QString &name)
    {
        QVERIFY(w->grab().save(outDir + QLatin1Char('/') + name));
    }

    // Every text of the fan view fits its widget in this language.
    void checkNoClippedText(ZaldoRGBFanView *view, const QString &code)
    {
        for (QLabel *l : view->findChildren<QLabel *>()) {
            if (l->text().isEmpty() || !l->isVisibleTo(view))
                continue;
            const QSize need = inkSize(l->font(), l->text());
            QVERIFY2(need.width() <= l->width() && need.height() <= l->height(),
                     qPrintable(QStringLiteral("%1: label '%2' needs %3x%4 in %5x%6")
                                    .arg(code, l->text())
                                    .arg(need.width())
                                    .arg(need.height())
                                    .arg(l->width())
                                    .arg(l->height())));
        }
        for (QPushButton *b : view->findChildren<QPushButton *>()) {
            if (b->text().isEmpty())
                continue;
            const QSize need = inkSize(b->font(), b->text());
            QVERIFY2(need.width() <= b->width() - 4 && need.height() <= b->height() - 4,
                     qPrintable(QStringLiteral("%1: button '%2' needs %3x%4")
                                    .arg(code, b->text())
                                    .arg(need.width())
                                    .arg(need.height())));
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        home = makeUiTestHome();
        outDir = QStringLiteral(ZALDO_SCREENSHOT_DIR);
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

        Panel a;
        for (ZaldoRGBFanView *v : a.views)
            v->setLanguage(language);
        reset(a.views[0], QColor(255, 0, 0), 1.0f, 5, true, 0, false, 1830);     // steady red
        reset(a.views[1], QColor(0, 160, 234), 1.0f, 2, false, 1, false, 1240);  // colour cycle
        reset(a.views[2], QColor(120, 40, 255), 0.71f, 0, true, 2, false, 820); // flash
        a.host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&a.host));
        save(&a.host, QStringLiteral("fanviews_%1.png").arg(code));
        for (ZaldoRGBFanView *v : a.views)
            checkNoClippedText(v, code);

        Panel b;
        for (ZaldoRGBFanView *v : b.views)
            v->setLanguage(language);
        reset(b.views[0], QColor(172, 205, 4), 1.0f, 3, false, 0, true, 1510);    // LEDs off
        reset(b.views[1], QColor(248, 147, 31), 1.0f, 4, false, 0, false, 0);     // stopped
        b.views[1]->setErrorCoverHidden(false);
        reset(b.views[2], QColor(255, 255, 255), 0.4f, 1, true, 0, false, 960);   // monitoring off
        b.views[2]->setDisabledCoverHidden(false);
        b.host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b.host));
        save(&b.host, QStringLiteral("fanviews_covers_%1.png").arg(code));

        QCoreApplication::removeTranslator(&translator);
    }

    void alert()
    {
        AlertView alert;
        alert.setControllerNumber(4);
        QVERIFY(QTest::qWaitForWindowExposed(&alert));
        // The window is shaped by its mask: show it on a desktop-like backdrop.
        QImage shot(alert.size() + QSize(40, 40), QImage::Format_ARGB32);
        shot.fill(QColor(0x4A, 0x55, 0x66));
        QPainter p(&shot);
        p.setClipRegion(alert.mask().translated(20, 20));
        p.drawPixmap(20, 20, alert.grab());
        p.end();
        QVERIFY(shot.save(outDir + QStringLiteral("/alert.png")));
    }
};

QTEST_MAIN(TestRenderViews)
#include "tst_render_views.moc"
