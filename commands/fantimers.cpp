#include "commands/fantimers.h"

#include "core/boxmodel.h"
#include "core/controllerstate.h"
#include "core/viewsink.h"
#include "device/devicelink.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <cstdlib>

Q_LOGGING_CATEGORY(lcTasks, "zaldo.tasks")

namespace {
// One step along the colour wheel red, yellow, green, blue, magenta, red.
// Only the first matching rule applies. A colour off the wheel may still be
// moved by a rule (blue would pass 255 from (0,100,255)), so every component
// is kept to 0..255 afterwards.
void stepColourWheel(int &r, int &g, int &b)
{
    if (r == 255 && g < 255 && b == 0) {
        ++g;
    } else if (r > 0 && g == 255 && b == 0) {
        --r;
    } else if (r == 0 && g > 0) {
        --g;
        ++b;
    } else if (r < 255 && g == 0 && b == 255) {
        ++r;
    } else if (r == 255 && g == 0 && b > 0) {
        --b;
    }
    r = clampColour(r);
    g = clampColour(g);
    b = clampColour(b);
}

// Moves the smoothed music level half-way toward the target; from 0 or from
// 100 and above it jumps straight there.
int smoothMusicLevel(int cur, int target)
{
    if (cur < target && cur > 0)
        return static_cast<int>(cur + (target - cur) * 0.5);
    if (cur > target && cur < 100)
        return static_cast<int>(cur - (cur - target) * 0.5);
    return target;
}
} // namespace


FanTimers::FanTimers(ControllerState &state, DeviceLink &link, ViewSink &views, QObject *parent)
    : QObject(parent), m_state(state), m_link(link), m_views(views), m_random([] { return std::rand(); })
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    m_clock = [started] { return started->elapsed(); };
    for (QTimer *t : {&m_musicTimer, &m_rpmTimer})
        t->setSingleShot(false);
    for (int f = 0; f < maxFanPorts(); ++f) {
        m_randomColorTimers.push_back(std::make_unique<QTimer>());
        m_randomColorTimers.back()->setSingleShot(false);
        m_randomColorTimers.back()->setInterval(Interval::randomColorMs);
    }

    connect(&m_musicTimer, &QTimer::timeout, this, &FanTimers::musicStep, Qt::DirectConnection);
    connect(&m_rpmTimer, &QTimer::timeout, this, &FanTimers::pollRpm, Qt::DirectConnection);
    for (int f = 0; f < static_cast<int>(m_randomColorTimers.size()); ++f)
        connect(m_randomColorTimers[idx(f)].get(), &QTimer::timeout, this, [this, f] { sendRandomColour(f); },
                Qt::DirectConnection);
}

void FanTimers::startRpmPoll()
{
    if (!m_rpmTimer.isActive())
        m_rpmTimer.start(Interval::rpmPollMs);
}

void FanTimers::setFanPercent(int box, int fan, int percent)
{
    // A kick holds the fan at full speed; the curve's percent waits for its end.
    const auto kick = m_kicks.find({box, fan});
    if (kick != m_kicks.end())
        kick->second = percent;
    else
        m_link.setFanSpeedPercent(box, fan, percent);
}

int FanTimers::ownPercent(int box, int fan) const
{
    const Fan &f = m_state.box(box).fan(fan);
    const auto kick = m_kicks.find({box, fan});
    if (!f.source.followsCurve())
        return speedLevelToPercent(f.speedLevel);
    if (kick != m_kicks.end())
        return kick->second;
    // Nothing sent yet: the box runs at a speed of its own, which turns.
    return f.sentPercent >= 0 ? f.sentPercent : speedLevelToPercent(f.speedLevel);
}

void FanTimers::stopRpmPoll()
{
    if (m_rpmTimer.isActive())
        m_rpmTimer.stop();
}

void FanTimers::startMusic()
{
    if (!m_musicTimer.isActive())
        m_musicTimer.start(Interval::musicMs);
}

void FanTimers::stopMusic()
{
    if (m_musicTimer.isActive())
        m_musicTimer.stop();
}

void FanTimers::startRandomColor(int fan)
{
    if (!hasRandomColorTimer(fan)) {
        qCWarning(lcTasks) << "startRandomColor: fan out of range:" << fan;
        return;
    }
    QTimer &t = *m_randomColorTimers[idx(fan)];
    if (!t.isActive())
        t.start(Interval::randomColorMs);
}

void FanTimers::stopRandomColor(int fan)
{
    if (!hasRandomColorTimer(fan)) {
        qCWarning(lcTasks) << "stopRandomColor: fan out of range:" << fan;
        return;
    }
    QTimer &t = *m_randomColorTimers[idx(fan)];
    if (t.isActive())
        t.stop();
}

bool FanTimers::isRandomColorRunning(int fan) const
{
    return hasRandomColorTimer(fan) && m_randomColorTimers[idx(fan)]->isActive();
}

void FanTimers::pollRpm()
{
    for (int b = 0; b < kBoxCount; ++b) {
        // A box still busy with the last poll is not asked again: a slow box's
        // queue would only grow.
        if (!m_state.boxArray[idx(b)].isConnected || m_pollReadsWaiting[idx(b)] > 0)
            continue;
        for (int requested = 0; requested < m_state.box(b).fanCount(); ++requested) {
            ++m_pollReadsWaiting[idx(b)];
            if (!m_link.readFanStatus(b, requested, [this, b, requested](const FanStatusReply &reply) {
                    --m_pollReadsWaiting[idx(b)];
                    showFanStatus(b, requested, reply);
                }))
                --m_pollReadsWaiting[idx(b)];
        }
    }
}

void FanTimers::showFanStatus(int b, int requested, const FanStatusReply &reply)
{
    ControllerBox &box = m_state.boxArray[idx(b)];
    if (!box.fan(requested).alarmOn) {
        // Not watched: forgotten, and a kick under way gives the fan its speed back.
        watch(b, requested, 0, false);
        return;
    }
    if (reply.length <= 0)
        return;
    const FanStatus status = DeviceLink::parseFanStatus(reply.data.data(), reply.length);
    if (!status.valid || !isValidFan(b, status.fan)) {
        qCDebug(lcTasks) << "updateSpeed: invalid fan status reply from box" << b << "fan" << requested;
        return;
    }
    const int f = status.fan;
    const int rpm = status.rpm;
    Fan &fan = box.fan(f);
    fan.rpm = rpm;

    m_views.placeAlert();
    watch(b, f, rpm, true);

    if (b == m_state.controllerBoxNumber) {
        m_views.setRPM(rpm, f);
        m_views.setFanMonitor(f, true);
        m_views.setFanErrorHidden(f, !fan.alertShown);
    }

    bool fault = false;
    for (const Fan &k : box.fans)
        fault = fault || (k.alertShown && k.alarmOn);
    m_views.setBoxFault(b, fault);
    m_state.events.rpmRead(b, f, rpm);
}

void FanTimers::watch(int b, int f, int rpm, bool monitored)
{
    const Fan &fan = m_state.box(b).fan(f);
    const FanSample sample{b, f, m_clock(), ownPercent(b, f), rpm, monitored, fan.kickOn, fan.minRpm};
    for (const StallEvent &e : m_watch.observe(sample))
        act(e);
}

void FanTimers::act(const StallEvent &e)
{
    Fan &fan = m_state.box(e.box).fan(e.fan);
    switch (e.kind) {
    case StallEvent::Kind::Kick:
        qCWarning(lcTasks) << "updateSpeed: fan not turning, full speed for a moment, box" << e.box + 1 << "fan"
                           << e.fan + 1;
        m_kicks[{e.box, e.fan}] = ownPercent(e.box, e.fan);
        m_link.setFanSpeedPercent(e.box, e.fan, e.percent);
        return;
    case StallEvent::Kind::KickEnd: {
        const int own = ownPercent(e.box, e.fan);
        m_kicks.erase({e.box, e.fan});
        m_link.setFanSpeedPercent(e.box, e.fan, own);
        return;
    }
    case StallEvent::Kind::Stopped:
    case StallEvent::Kind::BelowMinimum:
        raiseAlert(e.box, e.fan, e.kind == StallEvent::Kind::BelowMinimum);
        break;
    case StallEvent::Kind::Recovered:
        qCInfo(lcTasks) << "updateSpeed: fan running again, box" << e.box + 1 << "fan" << e.fan + 1;
        fan.alertShown = false;
        break;
    }
    emit alert(e);
}

void FanTimers::raiseAlert(int b, int f, bool belowMinimum)
{
    Fan &fan = m_state.box(b).fan(f);
    fan.alertShown = true;
    if (belowMinimum)
        qCWarning(lcTasks) << "updateSpeed: fan below its minimum of" << fan.minRpm << "RPM, box" << b + 1 << "fan" << f + 1;
    else
        qCWarning(lcTasks) << "updateSpeed: fan stopped, box" << b + 1 << "fan" << f + 1;  // as the panel counts
    m_views.showAlert(b, f);
    m_views.setPanelEnabled(false);
    m_views.setBoxFault(b, true);
    m_state.events.fanStopped(b, f);
}

void FanTimers::sendRandomColour(int fan)
{
    if (!hasRandomColorTimer(fan))
        return;
    // The numbers are drawn for every box so that the sequence does not depend
    // on which boxes are attached.
    auto draw = [this] {
        const int v = m_random() % 255;
        return v < 0 ? v + 255 : v;
    };
    for (int b = 0; b < kBoxCount; ++b) {
        const int red = draw();
        const int green = draw();
        const int blue = draw();
        const ControllerBox &box = m_state.boxArray[idx(b)];
        if (box.isConnected && fan < box.fanCount() && box.fan(fan).randomColour)
            m_link.setFanLedSteady(b, fan, red, green, blue, box.fan(fan).brightness);
    }
}

void FanTimers::musicStep()
{
    m_state.musicLevel = smoothMusicLevel(m_state.musicLevel, m_state.volumePercent);
    const float level = static_cast<float>(m_state.musicLevel) / 100.0f;
    for (int b = 0; b < kBoxCount; ++b) {
        ControllerBox &box = m_state.boxArray[idx(b)];
        for (int f = 0; f < box.fanCount(); ++f) {
            Colour &c = box.fan(f).colour;
            int &r = c.red;
            int &g = c.green;
            int &bl = c.blue;
            if (box.fan(f).lighting == LedMode::Cycle)
                stepColourWheel(r, g, bl);
            if (box.isConnected)
                m_link.setFanLedSteady(b, f, r, g, bl, level);
        }
    }
}
