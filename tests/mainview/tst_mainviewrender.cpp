// Renders the panel in each of the seven languages to PNG (for a look by eye)
// and checks that none of the main view's own texts is wider or taller than its
// widget.
#include "mainviewfixture.h"

#include "ui/zaldorgbfanview.h"

#include <QDir>
#include <QFontMetrics>
#include <QPixmap>
#include <QTranslator>

using namespace mvtest;

namespace {

QString renderDir()
{
    return QStringLiteral(ZALDO_RENDER_DIR);
}

bool insideAny(const QWidget *w, const QList<const QWidget *> &roots)
{
    for (const QWidget *r : roots) {
        if (r == w || r->isAncestorOf(w))
            return true;
    }
    return false;
}

// Texts of root's labels and buttons that do not fit their widget.
QStringList overflowing(const QWidget *root, const QList<const QWidget *> &skip)
{
    QStringList out;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (insideAny(w, skip) || !w->isVisibleTo(const_cast<QWidget *>(root)))
            continue;
        QString text;
        QRect room;
        if (auto *l = qobject_cast<QLabel *>(w)) {
            if (l->wordWrap())
                continue;
            text = l->text();
            room = l->contentsRect();
        } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
            text = b->text();
            room = b->rect().adjusted(1, 1, -1, -1);
        }
        if (text.isEmpty())
            continue;
        w->ensurePolished();
        const QFontMetrics fm(w->font());
        const QStringList lines = text.split(QLatin1Char('\n'));
        int width = 0;
        for (const QString &line : lines)
            width = qMax(width, fm.horizontalAdvance(line));
        const int height = fm.height() + fm.lineSpacing() * (lines.size() - 1);
        if (width > room.width() || height > room.height()) {
            out << QStringLiteral("%1 \"%2\": %3x%4 in %5x%6")
                       .arg(w->objectName(), text)
                       .arg(width)
                       .arg(height)
                       .arg(room.width())
                       .arg(room.height());
        }
    }
    return out;
}

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
        view.setFanSpeed(f == 0 ? 5 : f == 1 ? 0 : 3, f);
        view.setPWM(f == 1, f);
        view.setRPM(1500 + 100 * f, f);
    }
    view.setBlink(true, 1);
    view.setRGB(true, 2);
}

} // namespace

class TestMainViewRender : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        isolate(m_home);
        QVERIFY(QDir().mkpath(renderDir()));
    }

    void languages_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("name");
        QTest::newRow("en") << 0 << "en" << "SAVE" << "English";
        QTest::newRow("tc") << 1 << "tc" << QString::fromUtf8("儲存") << QString::fromUtf8("正體中文");
        QTest::newRow("cn") << 2 << "cn" << QString::fromUtf8("储存") << QString::fromUtf8("简体中文");
        QTest::newRow("de") << 3 << "de" << "SPEICHERN" << "Deutsch";
        QTest::newRow("fr") << 4 << "fr" << "ENREGISTRER" << QString::fromUtf8("Français");
        QTest::newRow("jp") << 5 << "jp" << QString::fromUtf8("保存") << QString::fromUtf8("日本語");
        QTest::newRow("th") << 6 << "th" << QString::fromUtf8("บันทึก") << QString::fromUtf8("ไทย");
    }
    void languages()
    {
        QFETCH(int, index);
        QFETCH(QString, code);
        QFETCH(QString, save);
        QFETCH(QString, name);

        QTranslator translator;
        const QString qm = resourcePrefix() + QStringLiteral("Language/") + code + QStringLiteral(".qm");
        QVERIFY2(translator.load(qm), qPrintable(qm));
        QCoreApplication::installTranslator(&translator);

        MainView view(resourcePrefix());
        view.setLanguage(index);
        fillWithSampleState(view);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QCOMPARE(child<QAbstractButton>(&view, "btn_save")->text(), save);
        QCOMPARE(menuEntry(&view, index)->text(), name);
        // Every language lists every other one under its own name.
        QCOMPARE(menuEntry(&view, 0)->text(), QStringLiteral("English"));
        QCOMPARE(menuEntry(&view, 6)->text(), QString::fromUtf8("ไทย"));

        QList<const QWidget *> fanViews;
        for (int f = 0; f < MainView::kFans; ++f)
            fanViews << view.fanView(f);
        const QStringList panelOverflow = overflowing(&view, fanViews);
        // The fan views' texts are reported, not judged, here.
        for (const QWidget *fan : fanViews) {
            for (const QString &o : overflowing(fan, {}))
                qInfo("%s fan view text does not fit: %s", qPrintable(code), qPrintable(o));
        }
        QVERIFY(view.grab().save(renderDir() + QStringLiteral("/panel_%1.png").arg(code)));

        click(child<QAbstractButton>(&view, "Min_Window", "settings"));
        QVERIFY(child<QWidget>(&view, "menuPanel")->isVisible());
        const QStringList menuOverflow = overflowing(child<QWidget>(&view, "menuPanel"), {});
        QVERIFY(view.grab().save(renderDir() + QStringLiteral("/panel_%1_menu.png").arg(code)));

        click(menuEntry(&view, 9));
        QVERIFY(view.grab().save(renderDir() + QStringLiteral("/panel_%1_keypad.png").arg(code)));
        // The message lies above everything, the keypad included.
        view.showError(false, 0, 0);
        QVERIFY(view.grab().save(renderDir() + QStringLiteral("/panel_%1_error.png").arg(code)));

        QCoreApplication::removeTranslator(&translator);
        QVERIFY2(panelOverflow.isEmpty(), qPrintable(panelOverflow.join(QStringLiteral("; "))));
        QVERIFY2(menuOverflow.isEmpty(), qPrintable(menuOverflow.join(QStringLiteral("; "))));
    }
};

QTEST_MAIN(TestMainViewRender)
#include "tst_mainviewrender.moc"
