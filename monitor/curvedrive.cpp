#include "monitor/curvedrive.h"

#include "core/controllerstate.h"
#include "core/fandrive.h"
#include "core/viewsink.h"
#include "monitor/monitorlog.h"

#include <QSet>

namespace {

using State = SensorFailSafe::State;

QString stateName(State state)
{
    static const char *const names[] = {"reading", "holding", "lost", "never read"};
    return QLatin1String(names[int(state)]);
}

// The sensors the fans of connected boxes follow.
QSet<QString> followedSensors(const ControllerState &state)
{
    QSet<QString> ids;
    for (const ControllerBox &b : state.boxArray) {
        for (const Fan &f : b.fans) {
            if (b.isConnected && f.source.followsCurve())
                ids.insert(sensorOf(f.source));
        }
    }
    return ids;
}

} // namespace

bool CurveDrive::anyUserCurve(const ControllerState &state)
{
    for (const ControllerBox &b : state.boxArray) {
        for (const Fan &f : b.fans) {
            if (f.source.followsUserCurve())
                return true;
        }
    }
    return false;
}

const SensorFailSafe::Verdict &CurveDrive::verdictOf(const QString &id, std::optional<double> reading)
{
    return *m_verdicts.insert(id, m_safes[id].pass(reading));
}

void CurveDrive::followDefinitions(const QVector<UserSensorDef> &defs)
{
    if (defs == m_defined)
        return;
    for (const UserSensorDef &old : m_defined) {
        if (!defs.contains(old))
            m_registry.remove(old.id);
    }
    for (const UserSensorDef &def : defs) {
        if (m_defined.contains(def))
            continue;
        const QString refused = m_registry.add(def);
        if (!refused.isEmpty())
            qCWarning(lcMonitor).noquote() << QStringLiteral("Sensor \"%1\" not added: %2").arg(def.id, refused);
    }
    m_defined = defs;
}

void CurveDrive::readSensors(ControllerState &state)
{
    followDefinitions(state.userSensors);
    m_registry.refresh();
    m_verdicts.clear();
    const QSet<QString> followed = followedSensors(state);
    state.sensors.clear();
    for (const SensorInfo &s : m_registry.list()) {
        const State now = verdictOf(s.id, s.reading).state;
        state.sensors.append({s.id, s.label, SensorRegistry::sourceName(s.source), s.reading, stateName(now)});
        if (followed.contains(s.id))
            announce(s.id, now);
    }
    // An id no sensor has (yet): never read, so nothing is sent.
    for (const QString &id : followed) {
        if (!m_verdicts.contains(id))
            announce(id, verdictOf(id, std::nullopt).state);
    }
}

void CurveDrive::announce(const QString &id, State state)
{
    // The pass's own "No CPU temperature found" says it for the CPU.
    if (state == State::Holding || (state == State::NeverRead && id == kCpuSensorId))
        return;
    if (m_told.value(id, State::Reading) == state)
        return;
    m_told.insert(id, state);
    QString told;
    if (state == State::Lost)
        told = QStringLiteral("Sensor \"%1\" lost: fans that follow it run at their curve's highest point").arg(id);
    else if (state == State::NeverRead)
        told = QStringLiteral("Sensor \"%1\" has given no reading since start: fans that follow it are sent nothing").arg(id);
    else
        told = QStringLiteral("Sensor \"%1\" reads again: fans that follow it are back on their curves").arg(id);
    qCWarning(lcMonitor).noquote() << told;
    m_views.appendInfo(told);
}

std::optional<int> CurveDrive::nextPercent(const ControllerState &state, int box, int fan)
{
    const Fan &f = state.box(box).fan(fan);
    const SensorFailSafe::Verdict verdict = m_verdicts.value(sensorOf(f.source));
    if (!f.source.userCurve) {
        qCDebug(lcMonitor) << "Fan:" << fan << ", sliderSpeed:" << BuiltinCurve::capPercent(f.speedLevel);
        // Whole degrees of the unrounded maximum, as the curve has always stepped.
        SensorFailSafe::Verdict whole = verdict;
        whole.celsius = state.cpuTemp;
        return builtinCurveNext(whole, BuiltinCurve::capPercent(f.speedLevel));
    }
    auto it = m_followers.find({box, fan});
    if (it == m_followers.end() || it->second.curve() != *f.source.userCurve)
        it = m_followers.insert_or_assign({box, fan}, CurveFollower(*f.source.userCurve)).first;
    return it->second.next(verdict);
}

void CurveDrive::driveFans(const ControllerState &state, FanDrive &fans)
{
    for (int box = 0; box < kBoxCount; ++box) {
        const ControllerBox &b = state.box(box);
        for (int fan = 0; fan < b.fanCount(); ++fan) {
            const SpeedSource &source = b.fan(fan).source;
            if (!b.isConnected || !source.followsUserCurve())
                m_followers.erase({box, fan});
            if (!b.isConnected || !source.followsCurve())
                continue;
            if (const std::optional<int> percent = nextPercent(state, box, fan))
                fans.setFanPercent(box, fan, *percent);
        }
    }
}
