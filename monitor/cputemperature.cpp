#include "monitor/cputemperature.h"

#include "core/controllerstate.h"
#include "core/fandrive.h"
#include "core/viewsink.h"
#include "monitor/monitorlog.h"
#include "monitor/sensortable.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {

// A source reporting more sensors than this is broken; the pass would never end.
constexpr int kMaxSensors = 256;

// The source may not terminate what it writes; never read past the buffer.
void terminate(char *buf) { buf[kSensorTextSize - 1] = '\0'; }

bool isReading(double v) { return v != 0.0 && v != kNoReading && !std::isnan(v); }

// Logged once when the passes stop finding a CPU reading, and the last line of
// the information window's read-out while there is none.
const char kNoCpuText[] = "No CPU temperature found: fans that follow it keep their last speed";

} // namespace

const char *const CpuTemperature::kCpuLabels[] = {
    "Core MAX", "Core #0", "Core #1", "Core #2", "Core #3", "Core #4", "Core #5", "Core #6", "Core #7",
    "CPU", "CPU Package", "CPU 0", "CPU 1", "CPU 2", "CPU 3", "CPU 4", "CPU 5", "CPU 6", "CPU 7",
    "Temperature 1", "Temperature 2", "Temperature 3", "Temperature 4", "Temperature 5",
    "Temperature 6", "Temperature 7", "Temperature 8",
};
static_assert(sizeof(CpuTemperature::kCpuLabels) / sizeof(CpuTemperature::kCpuLabels[0])
                  == CpuTemperature::kCpuLabelCount,
              "CPU label table");

bool CpuTemperature::isCpuLabel(const char *label)
{
    for (const char *cpu : kCpuLabels) {
        if (std::strcmp(cpu, label) == 0)
            return true;
    }
    return false;
}

CpuTemperature::CpuTemperature(ControllerState &state, FanDrive &fans, ViewSink &views,
                               SensorTable &sensors, QObject *timerOwner, QObject *parent)
    : QObject(parent), m_state(state), m_fans(fans), m_views(views), m_sensors(sensors),
      m_timerOwner(timerOwner)
{
}

bool CpuTemperature::initSensorLibrary()
{
    if (m_libraryState != LibraryState::NotLoaded)
        return isRunning();
    if (!m_sensors.load()) {
        qCDebug(lcMonitor) << "CANNOT LOAD DLL";
        m_libraryState = LibraryState::Failed;
        return false;
    }
    const int result = m_sensors.initialise(0);
    if (result != 0) {
        qCDebug(lcMonitor) << "INIT FAILED:" << result;
        m_libraryState = LibraryState::Failed;
        return false;
    }
    qCDebug(lcMonitor) << "INIT OK";
    m_libraryState = LibraryState::Running;
    setupUpdateCPUTempTimer();
    return true;
}

void CpuTemperature::setupUpdateCPUTempTimer()
{
    if (m_timer)
        return;
    m_timer = new QTimer(m_timerOwner ? m_timerOwner.data() : this);
    m_timer->setInterval(Interval::cpuTemperatureMs);
    connect(m_timer, &QTimer::timeout, this, &CpuTemperature::updateCPUTemp, Qt::DirectConnection);
    m_timer->start();
    qCDebug(lcMonitor) << "setupUpdateCPUTempTimer start";
}

int CpuTemperature::boundedSensorCount()
{
    const int n = m_sensors.sensorCount();
    if (n < 0 || n > kMaxSensors) {
        qCWarning(lcMonitor) << "implausible sensor count:" << n;
        return n < 0 ? 0 : kMaxSensors;
    }
    return n;
}

void CpuTemperature::pushTemperature()
{
    m_views.setTemperature(m_state.cpuTemp);
    for (int box = 0; box < kBoxCount; ++box) {
        const ControllerBox &b = m_state.boxArray[size_t(box)];
        if (!b.isConnected)
            continue;
        for (int fan = 0; fan < kFanCount; ++fan) {
            if (b.isPWMFan[size_t(fan)])
                m_fans.setFanSpeedByTemperature(m_state.cpuTemp, box, fan);
        }
    }
}

bool CpuTemperature::isCpuTemperature(double t, const char *label)
{
    // A reading at or below zero would only stop the fans.
    return isReading(t) && t > 0.0 && isCpuLabel(label);
}

bool CpuTemperature::passMaximum(int *celsius)
{
    double best = 0.0;
    char buf[kSensorTextSize] = {};
    const int count = boundedSensorCount();
    for (int s = 0; s < count; ++s) {
        m_sensors.prepareSensor(s);
        m_sensors.sensorName(s, buf, kSensorTextSize);
        for (int r = 0; r < kReadingsPerSensor; ++r) {
            const double t = m_sensors.getTemperature(s, r, buf, kSensorTextSize);
            terminate(buf);
            if (t > best && isCpuTemperature(t, buf))
                best = t;
        }
    }
    *celsius = best >= double(INT_MAX) ? INT_MAX : int(best);
    return best > 0.0;
}

void CpuTemperature::updateCPUTemp()
{
    if (!isRunning()) {
        qCDebug(lcMonitor) << "updateCPUTemp: sensor library not running";
        return;
    }
    // One push per pass, with its maximum: pushing the running maximum after
    // each reading sent 0 % whenever another sensor came before the CPU.
    // Without a CPU reading nothing goes out; the fans keep their last speed.
    int celsius = 0;
    if (passMaximum(&celsius)) {
        m_cpuMissing = false;
        m_state.cpuTemp = celsius;
        pushTemperature();
    } else if (!m_cpuMissing) {
        m_cpuMissing = true;
        qCWarning(lcMonitor) << kNoCpuText;
    }
    m_fans.startRpmPoll();
}

void CpuTemperature::appendInfoLine(const char *prefix, char *label, double v)
{
    terminate(label);
    if (!isReading(v))
        return;
    const QString line = QLatin1String(prefix) + QString::fromLocal8Bit(label) + QLatin1String(" = ")
        + QString::number(v, 'g', 6);
    qCDebug(lcMonitor).noquote() << line;
    m_views.appendInfo(line);
}

bool CpuTemperature::readOut(int s, int r)
{
    char label[kSensorTextSize] = {};
    char text[kSensorTextSize] = {};
    const double t = m_sensors.getTemperature(s, r, label, kSensorTextSize);
    appendInfoLine("HWi32_GetTemperature:", label, t);
    const bool cpu = isCpuTemperature(t, label);
    appendInfoLine("HWi32_GetVoltage:", label, m_sensors.getVoltage(s, r, label, kSensorTextSize));
    appendInfoLine("HWi32_GetFan:", label, double(m_sensors.getFan(s, r, label, kSensorTextSize)));
    appendInfoLine("HWi32_GetCurrent:", label, m_sensors.getCurrent(s, r, label, kSensorTextSize));
    appendInfoLine("HWi32_GetPower:", label, m_sensors.getPower(s, r, label, kSensorTextSize));
    appendInfoLine("HWi32_GetClock:", label, m_sensors.getClock(s, r, label, kSensorTextSize));
    appendInfoLine("HWi32_GetUsage:", label, m_sensors.getUsage(s, r, label, kSensorTextSize));

    const double other = m_sensors.otherReading(s, r, label, kSensorTextSize, text, kSensorTextSize);
    terminate(label);
    terminate(text);
    if (other != kNoReading && (std::strcmp(text, "Yes/No") == 0 || other != 0.0))
        qCDebug(lcMonitor).noquote()
            << QString::fromLocal8Bit(label) + QLatin1String(" = ") + QString::fromLocal8Bit(text);
    return cpu;
}

void CpuTemperature::setInfoMessage()
{
    if (!isRunning()) {
        qCDebug(lcMonitor) << "setInfoMessage: sensor library not running";
        return;
    }
    char name[kSensorTextSize] = {};
    bool cpuSeen = false;
    const int count = boundedSensorCount();
    for (int s = 0; s < count; ++s) {
        m_sensors.prepareSensor(s);
        m_sensors.sensorName(s, name, kSensorTextSize);
        terminate(name);
        qCDebug(lcMonitor).noquote() << QString::fromLocal8Bit(name);
        for (int r = 0; r < kReadingsPerSensor; ++r)
            cpuSeen = readOut(s, r) || cpuSeen;
    }
    if (!cpuSeen)
        m_views.appendInfo(QLatin1String(kNoCpuText));
}
