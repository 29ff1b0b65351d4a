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
// The information window when there is no reading at all.
const char kNoSensorsText[] = "No sensors found";
const char kNoSensorsHint[] = "Hint: load the kernel's sensor drivers (sensors-detect, from the lm-sensors package, "
                              "finds them), then start the program again.";

// A kind of reading in the information window: its debug label, its unit and
// the most decimals a value shows.
struct InfoKind {
    const char *logLabel;
    const char *unit;
    int decimals;
    double (*read)(SensorTable &t, int s, int r, char *label);
};
const InfoKind kInfoKinds[] = {
    {"HWi32_GetTemperature:", "°C", 1,
     [](SensorTable &t, int s, int r, char *l) { return t.getTemperature(s, r, l, kSensorTextSize); }},
    {"HWi32_GetVoltage:", "V", 3,
     [](SensorTable &t, int s, int r, char *l) { return t.getVoltage(s, r, l, kSensorTextSize); }},
    {"HWi32_GetFan:", "RPM", 0,
     [](SensorTable &t, int s, int r, char *l) { return double(t.getFan(s, r, l, kSensorTextSize)); }},
    {"HWi32_GetCurrent:", "A", 3,
     [](SensorTable &t, int s, int r, char *l) { return t.getCurrent(s, r, l, kSensorTextSize); }},
    {"HWi32_GetPower:", "W", 2,
     [](SensorTable &t, int s, int r, char *l) { return t.getPower(s, r, l, kSensorTextSize); }},
    {"HWi32_GetClock:", "MHz", 0,
     [](SensorTable &t, int s, int r, char *l) { return t.getClock(s, r, l, kSensorTextSize); }},
    {"HWi32_GetUsage:", "%", 1,
     [](SensorTable &t, int s, int r, char *l) { return t.getUsage(s, r, l, kSensorTextSize); }},
};

// At most `decimals`, trailing zeros dropped down to one: 52.0, 1.352, 1200.
QString valueText(double v, int decimals)
{
    QString text = QString::number(v, 'f', decimals);
    while (decimals > 1 && text.endsWith(QLatin1Char('0')) && text.at(text.size() - 2) != QLatin1Char('.'))
        text.chop(1);
    return text;
}

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
      m_timerOwner(timerOwner), m_curves(sensors, views)
{
    // A fan switched onto a curve of its own gets the fast pace at once.
    connect(&m_state.events, &ModelEvents::fanChanged, this, &CpuTemperature::followPace);
    connect(&m_state.events, &ModelEvents::boxChanged, this, &CpuTemperature::followPace);
    // A sensor of the user's defined: shown (and followed) at once, the pace kept.
    connect(&m_state.events, &ModelEvents::sensorsDefined, this, [this] {
        if (m_timer)
            m_timer->start();
        updateCPUTemp();
    });
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
    followPace();
    connect(m_timer, &QTimer::timeout, this, &CpuTemperature::updateCPUTemp, Qt::DirectConnection);
    m_timer->start();
    qCDebug(lcMonitor) << "setupUpdateCPUTempTimer start";
}

int CpuTemperature::boundedSensorCount(SensorTable &sensors)
{
    const int n = sensors.sensorCount();
    if (n < 0 || n > kMaxSensors) {
        qCWarning(lcMonitor) << "implausible sensor count:" << n;
        return n < 0 ? 0 : kMaxSensors;
    }
    return n;
}

bool CpuTemperature::isCpuTemperature(double t, const char *label)
{
    // A reading at or below zero would only stop the fans.
    return isReading(t) && t > 0.0 && isCpuLabel(label);
}

void CpuMaximum::offer(double celsius, const char *label)
{
    if (celsius > m_best && CpuTemperature::isCpuTemperature(celsius, label))
        m_best = celsius;
}

void CpuTemperature::updateCPUTemp()
{
    if (!isRunning()) {
        qCDebug(lcMonitor) << "updateCPUTemp: sensor library not running";
        return;
    }
    // One push per pass, with its maximum: pushing the running maximum after
    // each reading sent 0 % whenever another sensor came before the CPU.
    m_curves.readSensors(m_state);
    if (const std::optional<double> cpu = m_curves.registry().cpuMaximum()) {
        m_cpuMissing = false;
        m_state.cpuTemp = *cpu >= double(INT_MAX) ? INT_MAX : int(*cpu);
        m_views.setTemperature(m_state.cpuTemp);
        m_state.events.temperatureChanged(m_state.cpuTemp);
    } else if (!m_cpuMissing) {
        m_cpuMissing = true;
        qCWarning(lcMonitor) << kNoCpuText;
    }
    m_curves.driveFans(m_state, m_fans);
    m_fans.startRpmPoll();
    followPace();
    m_state.events.passDone();
}

void CpuTemperature::followPace()
{
    const int interval = CurveDrive::anyUserCurve(m_state) ? Interval::userCurveMs : Interval::cpuTemperatureMs;
    if (m_timer && m_timer->interval() != interval)
        m_timer->setInterval(interval);
}

bool CpuTemperature::readOut(const QString &chip, int s, int *lines)
{
    bool cpu = false;
    const int linesBefore = *lines;
    char label[kSensorTextSize] = {};
    for (const InfoKind &kind : kInfoKinds) {
        for (int r = 0; r < kReadingsPerSensor; ++r) {
            const double v = kind.read(m_sensors, s, r, label);
            terminate(label);
            if (!isReading(v))
                continue;
            qCDebug(lcMonitor).noquote() << QLatin1String(kind.logLabel) + QString::fromLocal8Bit(label)
                                                + QLatin1String(" = ") + QString::number(v, 'g', 6);
            if (&kind == &kInfoKinds[0]) {
                cpu = isCpuTemperature(v, label) || cpu;
                m_sensors.sourceTemperatureLabel(s, r, label, kSensorTextSize);
                terminate(label);
            }
            if (*lines == linesBefore && linesBefore > 0)
                m_views.appendInfo(QString()); // a blank line between chips
            m_views.appendInfo(chip + QLatin1Char(' ') + QString::fromLocal8Bit(label) + QLatin1Char(' ')
                               + valueText(v, kind.decimals) + QLatin1Char(' ') + QString::fromUtf8(kind.unit));
            ++*lines;
        }
    }
    logOtherReadings(s);
    return cpu;
}

void CpuTemperature::logOtherReadings(int s)
{
    char label[kSensorTextSize] = {};
    char text[kSensorTextSize] = {};
    for (int r = 0; r < kReadingsPerSensor; ++r) {
        const double other = m_sensors.otherReading(s, r, label, kSensorTextSize, text, kSensorTextSize);
        terminate(label);
        terminate(text);
        if (other != kNoReading && (std::strcmp(text, "Yes/No") == 0 || other != 0.0))
            qCDebug(lcMonitor).noquote()
                << QString::fromLocal8Bit(label) + QLatin1String(" = ") + QString::fromLocal8Bit(text);
    }
}

void CpuTemperature::setInfoMessage()
{
    if (!isRunning())
        qCDebug(lcMonitor) << "setInfoMessage: sensor library not running";
    char name[kSensorTextSize] = {};
    bool cpuSeen = false;
    int lines = 0;
    const int count = isRunning() ? boundedSensorCount(m_sensors) : 0;
    for (int s = 0; s < count; ++s) {
        m_sensors.prepareSensor(s);
        m_sensors.sensorName(s, name, kSensorTextSize);
        terminate(name);
        qCDebug(lcMonitor).noquote() << QString::fromLocal8Bit(name);
        cpuSeen = readOut(QString::fromLocal8Bit(name), s, &lines) || cpuSeen;
    }
    if (lines == 0) {
        m_views.appendInfo(QLatin1String(kNoSensorsText));
        m_views.appendInfo(QLatin1String(kNoSensorsHint));
    } else if (!cpuSeen) {
        m_views.appendInfo(QLatin1String(kNoCpuText));
    }
}
