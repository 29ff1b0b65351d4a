// Renders the panel in each of the seven languages to PNG (for a look by eye)
// and checks that none of the main view's own texts is wider or taller than its
// widget.
#include "mainviewfixture.h"

#include "ui/zaldorgbfanview.h"

#include <QDir>
#include <QFontMetrics>
#include <QScopeGuard>
#include <QTranslator>

using namespace mvtest;

namespace {

// How w's text does not fit w (wrapped where the label wraps), or empty.
QString overflow(QWidget *w)
{
    auto *l = qobject_cast<QLabel *>(w);
    auto *b = qobject_cast<QAbstractButton *>(w);
    const QString text = l ? l->text() : b ? b->text() : QString();
    if (text.isEmpty())
        return {};
    const QRect room = l ? l->contentsRect() : b->rect().adjusted(1, 1, -1, -1);
    w->ensurePolished();
    const QFontMetrics fm(w->font());
    QSize need = fm.boundingRect(room, Qt::TextWordWrap, text).size();
    if (!l || !l->wordWrap()) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        int width = 0;
        for (const QString &line : lines)
            width = qMax(width, fm.horizontalAdvance(line));
        need = QSize(width, fm.height() + fm.lineSpacing() * (lines.size() - 1));
    }
    if (need.width() <= room.width() && need.height() <= room.height())
        return {};
    return QStringLiteral("%1 \"%2\": %3x%4 in %5x%6").arg(w->objectName(), text).arg(need.width()).arg(need.height())
        .arg(room.width()).arg(room.height());
}

// Texts of root's labels and buttons, outside the fan views, that do not fit their widget.
QStringList overflowing(const QWidget *root)
{
    QStringList out;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        bool inFanView = false;
        for (QWidget *p = w; p && !inFanView; p = p->parentWidget())
            inFanView = qobject_cast<ZaldoRGBFanView *>(p);
        const QString o = w->isVisibleTo(root) && !inFanView ? overflow(w) : QString();
        if (!o.isEmpty())
            out << o;
    }
    return out;
}

// Three boxes (one faulty), profile 4, fan 2 unmonitored, one fan in each lighting mode.
void fillWithSampleState(MainView &view)
{
    view.setFirmwareVersion(QStringLiteral("1.0.0"));
    view.setSoftwareVersion(QStringLiteral("2.1.5"));
    view.setIPAddress(QStringLiteral("ZALDO-DESKTOP IP Address:192.168.100.200"));
    view.setTemperature(-40);
    for (int b = 0; b < MainView::kBoxes; ++b)
        view.setBoxEnabled(b, b < 3);
    view.setBoxFault(2, true);
    view.setBoxPresent(0);
    view.setProfile(3);
    view.setProfileLabel(3);
    view.setFanMonitor(2, false);
    for (int f = 0; f < MainView::kFans; ++f) {
        view.setSelectColor(255, 40 * f, 0, 1.0f, f);
        view.setFanSpeed(5 - 2 * f, f);
        view.setPWM(f == 1, f);
        view.setRPM(1500 + 100 * f, f);
    }
    view.setBlink(true, 1);
    view.setRGB(true, 2);
}

} // namespace

class TestMainViewRender : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    const QString m_dir = QStringLiteral(ZALDO_RENDER_DIR);

private Q_SLOTS:
    void initTestCase()
    {
        isolate(m_home);
        QVERIFY(QDir().mkpath(m_dir));
    }

    void languages_data()
    {
        QTest::addColumn<int>("index");
        const char *codes[] = {"en", "tc", "cn", "de", "fr", "jp", "th"};
        for (int i = 0; i < 7; ++i)
            QTest::newRow(codes[i]) << i;
    }
    void languages()
    {
        QFETCH(int, index);
        const QString code = QString::fromLatin1(QTest::currentDataTag());
        QTranslator translator;
        QVERIFY(translator.load(resourcePrefix() + QStringLiteral("Language/") + code + QStringLiteral(".qm")));
        QCoreApplication::installTranslator(&translator);
        const auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });

        MainView view(resourcePrefix());
        view.setLanguage(index);
        fillWithSampleState(view);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QString shot = m_dir + QStringLiteral("/panel_%1%2.png");
        const QStringList panelOverflow = overflowing(&view);
        QVERIFY(view.grab().save(shot.arg(code, QString())));
        click(child(&view, "Min_Window", "settings"));
        const QStringList menuOverflow = overflowing(child<QWidget>(&view, "menuPanel"));
        QVERIFY(view.grab().save(shot.arg(code, QStringLiteral("_menu"))));
        click(menuEntry(&view, 9));
        // The message lies above everything, the keypad included; the box
        // errors name box 3 (1-based) and fit their area in every language.
        auto *message = child<QLabel>(&view, "messageLabel");
        for (int error : {1, 2}) {
            view.showError(false, 0, error, 2);
            QVERIFY2(message->text().contains(QLatin1Char('3')) && !message->text().contains(QLatin1String("%1"))
                         && message->text().endsWith(QStringLiteral(" (Error Code:H_0x000%1)").arg(error + 1)),
                     qPrintable(message->text()));
            QCOMPARE(overflow(message), QString());
        }
        QVERIFY(view.grab().save(shot.arg(code, QStringLiteral("_error"))));
        if (code == QLatin1String("en"))
            QCOMPARE(message->text(), QStringLiteral("Box 3 found, no permission: install the udev rule, see README "
                                                     "(Error Code:H_0x0003)"));
        QVERIFY2(panelOverflow.isEmpty(), qPrintable(panelOverflow.join(QStringLiteral("; "))));
        QVERIFY2(menuOverflow.isEmpty(), qPrintable(menuOverflow.join(QStringLiteral("; "))));
    }
};

QTEST_MAIN(TestMainViewRender)
#include "tst_mainviewrender.moc"
