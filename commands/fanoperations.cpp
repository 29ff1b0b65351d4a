#include "commands/fanoperations.h"

#include "commands/boxselection.h"
#include "core/controllerstate.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QLoggingCategory>

#include <algorithm>

// Re-applying a box follows every phone command; its line keeps their category.
Q_LOGGING_CATEGORY(lcReapply, "zaldo.companion.commands")

FanOperations::FanOperations(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes)
    : m_state(state), m_link(link), m_store(store), m_boxes(boxes)
{
}

void FanOperations::setColour(const EntryRules &rules, int box, int fan, int red, int green, int blue)
{
    Fan &f = m_state.box(box).fan(fan);
    f.colour = Colour{red, green, blue};
    if (rules.colourKeepsCycle) {
        f.ledsOff = false;
    } else {
        // A new colour ends the colour cycle; flashing keeps flashing.
        if (f.lighting == LedMode::Cycle)
            f.lighting = LedMode::Steady;
        if (!rules.colourLeavesDarkLedsDark || !f.ledsOff)
            f.ledsOff = false;
    }
    if (!rules.resendsWholeBox && !f.ledsOff) {
        if (f.lighting == LedMode::Flash)
            m_link.sendStoredFlash(box, fan);
        else
            m_link.sendStoredSteady(box, fan);
    }
    settle(rules, box, fan);
}

void FanOperations::setBrightness(const EntryRules &rules, int box, int fan, float bright)
{
    Fan &f = m_state.box(box).fan(fan);
    const LedMode mode = f.lighting;
    // The remote control ignores the brightness of dark or cycling LEDs; the
    // others store it, and the panel sends a cycling fan its colour steady.
    if (rules.brightnessSkipsDarkOrCycling && (f.ledsOff || mode == LedMode::Cycle)) {
        settle(rules, box, fan);
        return;
    }
    f.brightness = bright;
    if (!rules.resendsWholeBox && !f.ledsOff) {
        if (mode == LedMode::Flash)
            m_link.sendStoredFlash(box, fan);
        else if (mode == LedMode::Steady || mode == LedMode::Cycle)
            m_link.sendStoredSteady(box, fan);
    }
    settle(rules, box, fan);
}

void FanOperations::setSpeedLevel(const EntryRules &rules, int box, int fan, int level)
{
    Fan &f = m_state.box(box).fan(fan);
    f.speedLevel = level;
    f.speedMode = speedModeForLevel(level);
    if (!rules.resendsWholeBox && !f.source.followsCurve())
        m_link.setFanSpeedLevel(box, fan, level);
    settle(rules, box, fan);
}

void FanOperations::setTemperatureMode(const EntryRules &rules, int box, int fan, bool on)
{
    Fan &f = m_state.box(box).fan(fan);
    // The fan's own curve is kept across a fixed spell, so switching back returns to it.
    f.source.kind = on ? SpeedSource::Kind::Curve : SpeedSource::Kind::Fixed;
    if (!rules.resendsWholeBox && !on)
        m_link.setFanSpeedLevel(box, fan, f.speedLevel);
    settle(rules, box, fan);
}

void FanOperations::setUserCurve(const EntryRules &rules, int box, int fan, std::shared_ptr<const UserCurve> curve)
{
    m_state.box(box).fan(fan).source = SpeedSource::following(std::move(curve));
    settle(rules, box, fan);
}

void FanOperations::setFixedSpeed(const EntryRules &rules, int box, int fan, int level)
{
    m_state.box(box).fan(fan).source.kind = SpeedSource::Kind::Fixed;
    setSpeedLevel(rules, box, fan, level);
}

void FanOperations::setLightingMode(const EntryRules &rules, int box, int fan, LedMode mode)
{
    Fan &f = m_state.box(box).fan(fan);
    f.lighting = mode;
    if (rules.cycleStartsFromRed) {
        if (mode == LedMode::Cycle)
            f.colour = Colour{255, 0, 0};
    } else {
        f.ledsOff = false;
    }
    if (!rules.resendsWholeBox)
        m_link.sendEffectiveLighting(box, fan);
    settle(rules, box, fan);
}

void FanOperations::setLedsOff(const EntryRules &rules, int box, int fan, int off)
{
    Fan &f = m_state.box(box).fan(fan);
    f.ledsOff = off == 1;
    if (!rules.resendsWholeBox)
        m_link.sendEffectiveLighting(box, fan);
    f.ledsOff = off != 0;
    settle(rules, box, fan);
}

void FanOperations::setSteadyColour(const EntryRules &rules, int box, int fan, const Colour &colour)
{
    Fan &f = m_state.box(box).fan(fan);
    f.colour = colour;
    f.lighting = LedMode::Steady;
    f.ledsOff = false;  // a frame lights a switched-off fan
    if (!rules.resendsWholeBox)
        m_link.sendStoredSteady(box, fan);
    settle(rules, box, fan);
}

void FanOperations::copyLighting(int box, int fan)
{
    ControllerBox &b = m_state.box(box);
    ::copyLighting(b.fan(0), b.fan(fan));
    m_link.sendEffectiveLighting(box, fan);
    m_state.events.fanChanged(box, fan);
}

void FanOperations::setMonitor(int box, int fan, bool on)
{
    m_state.box(box).fan(fan).alarmOn = on;
    m_store.saveDeviceSettings();  // the switch is kept at once, not with the profile
    m_state.events.fanChanged(box, fan);
}

void FanOperations::setKick(const EntryRules &rules, int box, int fan, bool on)
{
    m_state.box(box).fan(fan).kickOn = on;
    settle(rules, box, fan);
}

void FanOperations::setMinRpm(const EntryRules &rules, int box, int fan, int rpm)
{
    m_state.box(box).fan(fan).minRpm = std::max(0, rpm);
    settle(rules, box, fan);
}

void FanOperations::loadProfile(int profile)
{
    const int box = m_state.controllerBoxNumber;
    m_state.currentProfile = profile;
    m_store.loadProfileIni(box, profile);
    m_link.applyBoxSettings(box);
    m_state.events.profileChanged(profile);
    m_state.events.boxChanged(box);
}

void FanOperations::reapplyBox(int box)
{
    m_link.applyBoxSettings(box);
    if (box == m_state.controllerBoxNumber)
        qCDebug(lcReapply) << "j == controllerBoxNumber, j = " << box;
    m_state.events.boxChanged(box);
}

void FanOperations::settle(const EntryRules &rules, int box, int fan)
{
    if (rules.resendsWholeBox)
        reapplyBox(box);
    else
        m_state.events.fanChanged(box, fan);
}
