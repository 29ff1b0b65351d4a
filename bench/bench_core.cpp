// Cost of the program's own work for the recurring device traffic and the
// phone commands, against boxes that answer instantly from memory.
//
// ZALDO_BENCH_LOG=1 keeps the debug log categories on (output dropped), as the
// program runs by default, to show what formatting the log lines costs.

#include "instanttransport.h"

#include "core/boxmodel.h"
#include "core/controllerstate.h"
#include "commands/boxselection.h"
#include "core/viewsink.h"
#include "commands/appcommandhandler.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"
#include "monitor/cputemperature.h"
#include "monitor/hwmonsensortable.h"
#include "storage/settingsstore.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <memory>

namespace {

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

struct Core {
    QTemporaryDir dir;
    ControllerState state;
    InstantTransport transport;
    DeviceLink link{state, transport};
    SettingsStore store{state, dir.path()};
    NullViewSink views;
    FanTimers timers{state, link, views};
    BoxSelection boxes{state, link, store, views, timers};
    AppCommandHandler handler{state, link, store, boxes, [](const QString &) {}};

    Core()
    {
        link.connectAllBoxes();
        int n = 0;
        timers.setRandomSource([n]() mutable { return n += 7919; });
    }
};

const QString kAllBoxes = QStringLiteral("1111111111111111");

void BM_Exchange(benchmark::State &st)
{
    Core core;
    int red = 0;
    for (auto _ : st)
        core.link.setFanLedSteady(0, 1, ++red & 0xFF, 20, 30, 0.5f);
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_Exchange);

// The same exchange against the box emulator, for comparison: the difference
// is the emulator's firmware model and its report record, not our code.
void BM_ExchangeEmulator(benchmark::State &st)
{
    ControllerState state;
    BoxEmulator emu;
    emu.setBoxes({0});
    DeviceLink link(state, emu);
    link.connectAllBoxes();
    int red = 0;
    for (auto _ : st) {
        link.setFanLedSteady(0, 1, ++red & 0xFF, 20, 30, 0.5f);
        if ((red & 0xFFFF) == 0)
            emu.clearSentReports();
    }
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_ExchangeEmulator);

void BM_ReadFanStatusAndParse(benchmark::State &st)
{
    Core core;
    for (auto _ : st) {
        core.link.readFanStatus(3, 2, [](const FanStatusReply &r) {
            benchmark::DoNotOptimize(DeviceLink::parseFanStatus(r.data.data(), r.length));
        });
    }
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_ReadFanStatusAndParse);

void BM_MusicTick16Boxes(benchmark::State &st)
{
    Core core;
    for (Fan &f : core.state.boxArray[4].fans)
        f.lighting = LedMode::Cycle;  // one box steps the colour wheel
    int v = 0;
    for (auto _ : st) {
        core.state.volumePercent = (v += 37) % 100;
        core.timers.musicStep();
    }
    st.SetItemsProcessed(st.iterations() * 48);
}
BENCHMARK(BM_MusicTick16Boxes)->Unit(benchmark::kMicrosecond);

void BM_RandomColourTick16Boxes(benchmark::State &st)
{
    Core core;
    for (ControllerBox &b : core.state.boxArray)
        b.fans[0].randomColour = true;
    for (auto _ : st)
        core.timers.sendRandomColour(0);
    st.SetItemsProcessed(st.iterations() * 16);
}
BENCHMARK(BM_RandomColourTick16Boxes)->Unit(benchmark::kMicrosecond);

void BM_RpmPoll16Boxes(benchmark::State &st)
{
    Core core;
    for (auto _ : st)
        core.timers.pollRpm();
    st.SetItemsProcessed(st.iterations() * 48);
}
BENCHMARK(BM_RpmPoll16Boxes)->Unit(benchmark::kMicrosecond);

void BM_SaveProfile16Boxes(benchmark::State &st)
{
    Core core;
    core.state.currentProfile = 2;
    for (ControllerBox &b : core.state.boxArray)
        b.profileValue = 2;
    for (auto _ : st)
        core.boxes.saveCurrentProfile();
}
BENCHMARK(BM_SaveProfile16Boxes)->Unit(benchmark::kMicrosecond);

void writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text + '\n');
}

// A hardware-monitor tree of 32 chips of 8 temperatures each, read from files
// as on a real machine; a chip name that repeats gets "#N" ids.
void writeSensorTree(const QString &root)
{
    for (int c = 0; c < 32; ++c) {
        const QDir chip(root + QStringLiteral("/hwmon%1").arg(c));
        chip.mkpath(QStringLiteral("."));
        writeFile(chip.filePath(QStringLiteral("name")), c == 0 ? "k10temp" : "nct6798");
        for (int t = 1; t <= 8; ++t) {
            const QString channel = chip.filePath(QStringLiteral("temp%1").arg(t));
            writeFile(channel + QStringLiteral("_input"), QByteArray::number(30000 + 4000 * t + 100 * c));
            writeFile(channel + QStringLiteral("_label"), c == 0 && t == 1 ? "Tctl" : "SYSTIN" + QByteArray::number(t));
        }
    }
}

// One temperature pass over 256 temperatures with all 48 fans on curves of the
// user's, each over a sensor of its own: the readings, the fail safes, the
// followers and the 48 percents sent.
void BM_CurvePass256Sensors48Fans(benchmark::State &st)
{
    Core core;
    QTemporaryDir tree;
    writeSensorTree(tree.path());
    HwmonSensorTable table(tree.path());
    CpuTemperature pass(core.state, core.timers, core.views, table, nullptr);
    pass.initSensorLibrary();
    pass.updateCPUTemp();  // the sensors as listed
    const QVector<SensorStatus> sensors = core.state.sensors;
    int n = 0;
    for (ControllerBox &b : core.state.boxArray) {
        for (Fan &f : b.fans) {
            auto curve = parseUserCurve(QStringLiteral("30:20,45:35,55:60,70:100;hysteresis=2;step-up=10;step-down=5"));
            curve.curve->sensor = sensors.at(++n % sensors.size()).id;
            f.source = SpeedSource::following(std::make_shared<const UserCurve>(*curve.curve));
        }
    }
    for (auto _ : st)
        pass.updateCPUTemp();
    st.counters["sensors"] = double(sensors.size());
    st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_CurvePass256Sensors48Fans)->Unit(benchmark::kMicrosecond);

// One phone command of each form, all sixteen boxes addressed where the form
// takes box flags, all three fans where it takes a mask.
void BM_AppCommand(benchmark::State &st, const QString &command, const QString &undo)
{
    Core core;
    for (auto _ : st) {
        core.handler.socketHelperReceiveData(command);
        if (!undo.isEmpty())
            core.handler.socketHelperReceiveData(undo);
    }
    core.timers.stopMusic();
    for (int f = 0; f < maxFanPorts(); ++f)
        core.timers.stopRandomColor(f);
}
BENCHMARK_CAPTURE(BM_AppCommand, presence, QStringLiteral("000"), QString());
BENCHMARK_CAPTURE(BM_AppCommand, random_colour_on_off, QStringLiteral("017x") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, colour_wheel, QStringLiteral("027x") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, performance, QStringLiteral("037x") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, flash_toggle, QStringLiteral("057x") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, leds_off_toggle, QStringLiteral("077x") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, steady, QStringLiteral("087x") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, music_three_records, QStringLiteral("06x45x6x50x6x70"), QString());
BENCHMARK_CAPTURE(BM_AppCommand, music_end, QStringLiteral("06x@@"), QString());
BENCHMARK_CAPTURE(BM_AppCommand, brightness, QStringLiteral("207x50x") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, speed_level, QStringLiteral("307xx3x") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, colour, QStringLiteral("32x52xx7x00xFFx80x00xx") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, profile_apply, QStringLiteral("426x3x") + kAllBoxes, QString());
BENCHMARK_CAPTURE(BM_AppCommand, profile_save, QStringLiteral("427x2x"), QString());
BENCHMARK_CAPTURE(BM_AppCommand, no_match, QStringLiteral("999"), QString());

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIntValue("ZALDO_BENCH_LOG") == 0)
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
    qInstallMessageHandler(dropMessage);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
