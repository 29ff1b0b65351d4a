// User curves: points, the text they are kept in, the follower and the fail
// safe; the built-in curve against the report protocol's.
#include "core/curvefollower.h"
#include "core/speedsource.h"
#include "core/usersensor.h"

#include <QtTest>

namespace {
UserCurve curve(const QString &text)
{
    const CurveParse p = parseUserCurve(text);
    if (!p.curve)
        qWarning() << p.error;
    return p.curve.value_or(UserCurve());
}
} // namespace

class TestCurves : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void percentBetweenAndBeyondPoints()
    {
        const UserCurve c = curve("30:20,50:40,70:80,85:100");
        const QList<QPair<int, int>> rows{{-500, 20}, {300, 20}, {305, 21}, {400, 30}, {500, 40},
                                          {600, 60}, {845, 99}, {850, 100}, {1500, 100}};
        for (const auto &[tenths, percent] : rows)
            QVERIFY2(c.percentAt(tenths) == percent, qPrintable(QString::number(tenths)));
        QCOMPARE(c.highestPercent(), 100);
    }

    void parserNamesTheBadPart()
    {
        const QList<QPair<QString, QString>> rows{
            {" ", "empty curve"}, {"30:20", "too few points: 1"},
            {QString("1:1,").repeated(16) + "90:9", "too many points: 17"},
            {"30:20,x:40", "point \"x:40\": bad number \"x\""}, {"30:20,30.25:40", "bad number \"30.25\""},
            {"30:20,50", "point \"50\": not temperature:percent"}, {"30:20,,50:4", "point \"\": not"},
            {"30:20,20:40", "point \"20:40\": temperatures must rise"}, {"30:20,30:40", "must rise"},
            {"30:20,151:40", "point \"151:40\": temperature out of range"},
            {"30:20,50:101", "point \"50:101\": percent out of range"}, {"30:-1,50:1", "bad number \"-1\""},
            {"30:2\n0,5:1", "bad number \"2?0\""}, {"1:1," + QString(50, 'x'), "point \"" + QString(40, 'x') + "...\""},
            {"30:20,50:40;foo=1", "option \"foo=1\": unknown"}, {"30:20,50:40;min", "option \"min\": not key=value"},
            {"30:20,50:40;hysteresis=50.1", "option \"hysteresis=50.1\": out of range"},
            {"30:20,50:40;step-up=x", "option \"step-up=x\": bad number"}, {"30:20,50:40;step-down=101", "out of range"},
            {"30:20,50:40;sensor=", "option \"sensor=\": empty sensor"}, {"30:20,50:40;min=5;min=6", "given twice"}};
        for (const auto &[text, error] : rows) {
            const CurveParse p = parseUserCurve(text);
            QVERIFY2(!p.curve && p.error.contains(error) && !p.error.contains('\n'), qPrintable(text + " -> " + p.error));
        }
    }

    void serialiseRoundTrips()
    {
        const QList<QPair<QString, QString>> rows{
            {"30:20,50:40,70:80,85:100", "30:20,50:40,70:80,85:100;sensor=cpu"},
            {" -5.5:0 , 40:50 ; sensor = nvme#2/Composite;hysteresis=2.5;step-up=10;step-down=5;min=20",
             "-5.5:0,40:50;sensor=nvme#2/Composite;hysteresis=2.5;step-up=10;step-down=5;min=20"},
            {"-0.5:0,0:100;min=0", "-0.5:0,0:100;sensor=cpu"}};
        for (const auto &[text, canonical] : rows) {
            const UserCurve c = curve(text);
            QCOMPARE(serialiseUserCurve(c), canonical);
            QCOMPARE(curve(canonical), c);
        }
    }

    // A sensor of the user's: its text read back as kept, or one line naming the bad part.
    void userSensorText()
    {
        const QList<QPair<QString, QString>> rows{{"file: /run/cool ant ", "file:/run/cool ant"}, {"average:a,b", "average:a,b"},
            {" max : k10temp/Tctl, nvme#2/Composite", "max:k10temp/Tctl,nvme#2/Composite"}, {"file: ", "error: file sensor: empty path"},
            {"weighted:k10temp/Tctl*2,nvme/Composite*0.35,cpu", "weighted:k10temp/Tctl*2,nvme/Composite*0.35,cpu*1"},
            {"frob:/x", "error: \"frob\" is not file, max, average or weighted"}, {"/run/x", "error: \"/run/x\" is not"},
            {"file:/a\tb", "path has a control character"}, {"weighted:a*1e9", "weight not"}, {"weighted:a*x", "error: part \"a*x\": weight"},
            {"max:a,,b", "error: part \"\": empty id"}, {"max:" + QString("a,").repeated(16) + "b", "mix: 1..16 parts"},
            {"max:a*2", "error: part \"a*2\": a weight goes with weighted only"}, {"weighted:a*0", "part \"a*0\": weight not within 0..1000"}};
        for (const auto &[text, expected] : rows) {
            const UserSensorParse p = parseUserSensor("s", text);
            const QString shown = p.def ? serialiseUserSensor(*p.def) : "error: " + p.error;
            QVERIFY2(shown.contains(expected) && !shown.contains('\n') && (!p.def || parseUserSensor("s", shown).def == p.def), qPrintable(shown));
        }
    }

    // A scripted sequence per row: readings ("_" none, "/" a restart), the
    // percent sent each pass ("-" nothing) and what is reported (n never read,
    // l lost, r back).
    void followerSequences()
    {
        const QList<std::tuple<QString, QString, QString, QString>> rows{
            {"30:20,50:40,70:80;hysteresis=3", "50 60 58 57 56.9 60 55 62", "40 60 60 54 54 60 50 64", "........"},
            {"30:0,70:100;step-up=10;step-down=5", "30 70 70 70 30 30 / 70", "0 10 20 30 25 20 100", "......."},
            {"30:0,70:100;min=25", "30 50 20", "25 50 25", "..."},
            {"30:20,50:40,70:80;hysteresis=3", "_ _ 40 _ _ _ _ 40 _", "- - 30 - - 80 80 30 -", "n....l.r."},
            {"30:100,50:0;step-down=10;min=5", "_ 30 _ _ _ 50", "- 100 - - 100 90", "n...lr"}};
        for (const auto &[text, inputs, outputs, events] : rows) {
            SensorFailSafe watch;
            CurveFollower follower(curve(text));
            QStringList sent;
            QString reported;
            for (const QString &in : inputs.split(' ')) {
                if (in == "/") {
                    follower.restart();
                    continue;
                }
                const auto v = watch.pass(in == "_" ? std::nullopt : std::optional<double>(in.toDouble()));
                const std::optional<int> percent = follower.next(v);
                sent << (percent ? QString::number(*percent) : "-");
                reported += QString(".nlr").at(int(v.event));
            }
            QCOMPARE(sent.join(' '), outputs);
            QCOMPARE(reported, events);
        }
    }

    void builtinCurveBehindTheFailSafe()
    {
        const QList<std::tuple<SensorFailSafe::State, double, int>> rows{
            {SensorFailSafe::State::Reading, 47.9, 50}, {SensorFailSafe::State::Lost, 0, 70},
            {SensorFailSafe::State::Holding, 0, -1}, {SensorFailSafe::State::NeverRead, 0, -1}};
        for (const auto &[state, celsius, percent] : rows)
            QCOMPARE(builtinCurveNext({state, celsius, SensorFailSafe::Event::None}, 70).value_or(-1), percent);
    }

    void sourceNamesItsSensor()
    {
        const auto user = std::make_shared<const UserCurve>(curve("30:20,50:40;sensor=nvme/Composite"));
        const QList<std::tuple<SpeedSource, QString, bool>> rows{
            {SpeedSource::fixed(), "", false}, {SpeedSource::following(), "cpu", false},
            {SpeedSource::following(user), "nvme/Composite", true}};
        for (const auto &[source, sensor, user] : rows)
            QVERIFY(sensorOf(source) == sensor && source.followsUserCurve() == user);
    }
};

QTEST_GUILESS_MAIN(TestCurves)
#include "test_curves.moc"
