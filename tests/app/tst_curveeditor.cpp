// The fan-curve editor as a person uses it: the mouse and keys on the chart,
// Apply or Cancel, and the fan's source in the state afterwards.
#define QTEST_QPA_MOUSE_HANDLING  // through the window: a drag keeps its button down
#include "app/curveediting.h"
#include "common/coreharness.h"
#include "ui/curvechart.h"
#include "ui/curveeditor.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>

class TestCurveEditor : public QObject {
    Q_OBJECT
    std::unique_ptr<CoreHarness> h;
    std::unique_ptr<CurveEditing> editing;
    QPointer<CurveEditor> editor;
    CurveChart *chart = nullptr;

    QString fanCurve() const
    {
        const auto &curve = h->state.box(0).fan(1).source.userCurve;
        return curve ? serialiseUserCurve(*curve) : QStringLiteral("built-in");
    }
    QPoint at(int celsius, int percent) const { return chart->positionOf({celsius * 10, percent}).toPoint(); }
    QPoint point(int i) const { return chart->positionOf(chart->points().at(i)).toPoint(); }
    void act(const QStringList &a, int &i)
    {
        const QString &w = a.at(i++);
        if (w == "drag") {
            const QPoint from = point(a.at(i++).toInt()), to = at(a.at(i).toInt(), a.at(i + 1).toInt());
            i += 2;
            QTest::mousePress(chart, Qt::LeftButton, {}, from);
            QTest::mouseMove(chart, (from + to) / 2);
            QTest::mouseMove(chart, to);
            QTest::mouseRelease(chart, Qt::LeftButton, {}, to);
        } else if (w == "dbl") {
            QTest::mouseDClick(chart, Qt::LeftButton, {}, at(a.at(i).toInt(), a.at(i + 1).toInt()));
            i += 2;
        } else if (w == "click") {
            QTest::mouseClick(chart, Qt::LeftButton, {}, point(a.at(i++).toInt()));
        } else if (w == "sensor") {
            editor->findChild<QComboBox *>()->setCurrentIndex(a.at(i++).toInt());
        } else {
            static const QMap<QString, int> keys{{"Delete", Qt::Key_Delete}, {"Right", Qt::Key_Right},
                {"Left", Qt::Key_Left}, {"Up", Qt::Key_Up}, {"]", Qt::Key_BracketRight}, {"Insert", Qt::Key_Insert}};
            const bool shift = w.startsWith("S-");
            QTest::keyClick(chart, Qt::Key(keys.value(w.mid(shift ? 2 : 0))), shift ? Qt::ShiftModifier : Qt::NoModifier);
        }
    }

private Q_SLOTS:
    void init()
    {
        h = std::make_unique<CoreHarness>(QList<int>{0});
        h->state.box(0).fan(1).source = SpeedSource::following(std::make_shared<const UserCurve>(
            *parseUserCurve("30:20,50:40,70:80;sensor=cpu;hysteresis=3").curve));
        h->state.sensors = {{"cpu", "CPU", "cpu", 45.3, "reading"},
                            {"nvme/Composite", "Composite", "hwmon", std::nullopt, "never read"},
                            {QString(201, 'x'), "Too long", "file", 20.0, "reading"}};
        editing = std::make_unique<CurveEditing>(h->state, h->link, *h->store, *h->selection);
        editing->open(0, 1);
        editor = editing->editor();
        QVERIFY(editor && QTest::qWaitForWindowExposed(editor));
        chart = editor->findChild<CurveChart *>();
        QVERIFY(chart);
    }
    void cleanup()
    {
        editing.reset();
        h.reset();
    }

    // One row per rule: what the person does, the button, the fan's curve after.
    void edits_data()
    {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("after");
        const QString same = "30:20,50:40,70:80;sensor=cpu;hysteresis=3";
        QTest::newRow("drag") << "drag 1 60 50" << "Apply" << "30:20,60:50,70:80;sensor=cpu;hysteresis=3";
        QTest::newRow("not past a neighbour") << "drag 1 90 40" << "Apply" << "30:20,69:40,70:80;sensor=cpu;hysteresis=3";
        QTest::newRow("double-click adds") << "dbl 40 30" << "Apply" << "30:20,40:30,50:40,70:80;sensor=cpu;hysteresis=3";
        QTest::newRow("Delete removes") << "click 1 Delete" << "Apply" << "30:20,70:80;sensor=cpu;hysteresis=3";
        QTest::newRow("Delete keeps two") << "click 1 Delete Delete" << "Apply" << "30:20,70:80;sensor=cpu;hysteresis=3";
        QTest::newRow("arrows move") << "click 1 Right Up S-Up" << "Apply" << "30:20,51:46,70:80;sensor=cpu;hysteresis=3";
        QTest::newRow("] selects next") << "click 0 ] Left" << "Apply" << "30:20,49:40,70:80;sensor=cpu;hysteresis=3";
        QTest::newRow("Insert midway") << "click 0 Insert" << "Apply" << "30:20,40:30,50:40,70:80;sensor=cpu;hysteresis=3";
        QTest::newRow("sensor") << "sensor 1" << "Apply" << "30:20,50:40,70:80;sensor=nvme/Composite;hysteresis=3";
        QTest::newRow("Cancel") << "drag 1 60 50" << "Cancel" << same;
        QTest::newRow("bad curve refused") << "sensor 2" << "Apply" << same;
    }
    void edits()
    {
        QFETCH(QString, actions);
        QFETCH(QString, button);
        QFETCH(QString, after);
        const QStringList a = actions.split(' ');
        for (int i = 0; i < a.size();)
            act(a, i);
        auto *buttons = editor->findChild<QDialogButtonBox *>();
        QTest::mouseClick(buttons->button(button == "Apply" ? QDialogButtonBox::Apply : QDialogButtonBox::Cancel),
                          Qt::LeftButton);
        QCOMPARE(fanCurve(), after);
        // Only a curve that breaks a rule keeps the editor open, saying why.
        const bool refused = QTest::currentDataTag() == QByteArray("bad curve refused");
        QCOMPARE(bool(editor) && editor->isVisible(), refused);
        QCOMPARE(refused, editor && !editor->error().isEmpty());
    }

    // Each pass refreshes the readings, and the percent the fan is sent.
    void livePass()
    {
        h->state.sensors.replace(0, {"cpu", "CPU", "cpu", 51.7, "reading"});
        h->state.box(0).fan(1).sentPercent = 47;
        Q_EMIT h->state.events.passDone();
        QCOMPARE(editor->findChild<QComboBox *>()->itemText(0), QString::fromUtf8("CPU — 51.7 °C"));
        QCOMPARE(editor->findChild<QComboBox *>()->itemText(1), QString::fromUtf8("Composite — no reading"));
        QCOMPARE(chart->liveTenths(), std::optional<int>(517));
        QCOMPARE(chart->sentPercent(), 47);
    }
};

QTEST_MAIN(TestCurveEditor)
#include "tst_curveeditor.moc"
