// The fan-curve editor as a person uses it (mouse and keys), and the fan's source after Apply or Cancel.
#define QTEST_QPA_MOUSE_HANDLING  // through the window: a drag keeps its button down
#include "app/curveediting.h"
#include "common/coreharness.h"
#include "ui/curvechart.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>

class TestCurveEditor : public QObject {
    Q_OBJECT
    std::unique_ptr<CoreHarness> h;
    std::unique_ptr<CurveEditing> editing;
    QPointer<CurveEditor> editor;
    CurveChart *chart = nullptr;

    QPoint at(const QStringList &a, int i) const { return chart->positionOf({a[i].toInt() * 10, a[i + 1].toInt()}).toPoint(); }
    QPoint point(const QString &i) const { return chart->positionOf(chart->points().at(i.toInt())).toPoint(); }
    // One step: "drag I C P", "dbl C P", "click I", "sensor N" or a key ("Shift+Up"); the words it took.
    int act(const QStringList &a, int i)
    {
        if (a[i] == "drag") {
            QTest::mousePress(chart, Qt::LeftButton, {}, point(a[i + 1]));
            QTest::mouseMove(chart, at(a, i + 2));
            QTest::mouseRelease(chart, Qt::LeftButton, {}, at(a, i + 2));
            return 4;
        }
        if (a[i] == "dbl")
            return QTest::mouseDClick(chart, Qt::LeftButton, {}, at(a, i + 1)), 3;
        if (a[i] == "click")
            return QTest::mouseClick(chart, Qt::LeftButton, {}, point(a[i + 1])), 2;
        if (a[i] == "sensor")
            return editor->findChild<QComboBox *>()->setCurrentIndex(a[i + 1].toInt()), 2;
        const int key = QKeySequence(a[i])[0];
        return QTest::keyClick(chart, Qt::Key(key & ~Qt::KeyboardModifierMask), Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask)), 1;
    }

private Q_SLOTS:
    void init()
    {
        h = std::make_unique<CoreHarness>(QList<int>{0});
        h->state.box(0).fan(1).source = SpeedSource::following(std::make_shared<const UserCurve>(
            *parseUserCurve("30:20,50:40,70:80;sensor=cpu;hysteresis=3").curve));
        h->state.sensors = {{"cpu", "CPU", "cpu", 45.3, "reading"}, {"nvme/Composite", "Composite", "hwmon", std::nullopt, "never read"},
                            {QString(201, 'x'), "Too long", "file", 20.0, "reading"}};  // no curve may follow that id
        editing = std::make_unique<CurveEditing>(h->state, h->link, *h->store, *h->selection);
        editing->open(0, 1);
        QVERIFY((editor = editing->editor()) && QTest::qWaitForWindowExposed(editor));
        QVERIFY(chart = editor->findChild<CurveChart *>());
    }
    void cleanup() { editing.reset(), h.reset(); }

    // One row per rule: what the person does, the button, the fan's curve after
    // (its points; "sensor=cpu;hysteresis=3" follows unless said).
    void edits_data()
    {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("after");
        QTest::newRow("drag") << "drag 1 60 50 Apply" << "30:20,60:50,70:80";
        QTest::newRow("not past a neighbour") << "drag 1 90 40 Apply" << "30:20,69:40,70:80";
        QTest::newRow("double-click adds") << "dbl 40 30 Apply" << "30:20,40:30,50:40,70:80";
        QTest::newRow("Delete removes") << "click 1 Del Apply" << "30:20,70:80";
        QTest::newRow("Delete keeps two") << "click 1 Del Del Apply" << "30:20,70:80";
        QTest::newRow("arrows move") << "click 1 Right Up Shift+Up Apply" << "30:20,51:46,70:80";
        QTest::newRow("] selects next") << "click 0 ] Left Apply" << "30:20,49:40,70:80";
        QTest::newRow("Insert midway") << "click 0 Ins Apply" << "30:20,40:30,50:40,70:80";
        QTest::newRow("sensor") << "sensor 1 Apply" << "30:20,50:40,70:80;sensor=nvme/Composite;hysteresis=3";
        QTest::newRow("Cancel") << "drag 1 60 50 Cancel" << "30:20,50:40,70:80";
        QTest::newRow("bad curve refused") << "sensor 2 Apply" << "30:20,50:40,70:80";
    }
    void edits()
    {
        QFETCH(QString, actions);
        QFETCH(QString, after);
        QStringList a = actions.split(' ');
        const bool apply = a.takeLast() == "Apply";
        for (int i = 0; i < a.size();)
            i += act(a, i);
        QTest::mouseClick(editor->findChild<QDialogButtonBox *>()->button(apply ? QDialogButtonBox::Apply : QDialogButtonBox::Cancel), Qt::LeftButton);
        QCOMPARE(serialiseUserCurve(*h->state.box(0).fan(1).source.userCurve),
                 after.contains(';') ? after : after + ";sensor=cpu;hysteresis=3");
        // Only a curve that breaks a rule keeps the editor open, saying why.
        const bool refused = QTest::currentDataTag() == QByteArray("bad curve refused");
        QCOMPARE(editor && editor->isVisible(), refused);
        QCOMPARE(editor && !editor->error().isEmpty(), refused);
    }

    // Each pass refreshes the readings, and the percent the fan is sent.
    void livePass()
    {
        h->state.sensors.replace(0, {"cpu", "CPU", "cpu", 51.7, "reading"});
        h->state.box(0).fan(1).sentPercent = 47;
        Q_EMIT h->state.events.passDone();
        auto *sensors = editor->findChild<QComboBox *>();
        QCOMPARE(sensors->itemText(0) + " / " + sensors->itemText(1), QString::fromUtf8("CPU — 51.7 °C / Composite — no reading"));
        QCOMPARE(std::make_pair(chart->liveTenths(), chart->sentPercent()), std::make_pair(std::optional<int>(517), 47));
    }
};

QTEST_MAIN(TestCurveEditor)
#include "tst_curveeditor.moc"
