#include "commands/fanoperations.h"

#include "commands/boxselection.h"
#include "core/controllerstate.h"
#include "core/viewsink.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QLoggingCategory>

// Re-applying a box follows every phone command; its line keeps their category.
Q_LOGGING_CATEGORY(lcReapply, "zaldo.companion.commands")

using Caller = FanOperations::Caller;

FanOperations::FanOperations(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes)
    : m_state(state), m_link(link), m_store(store), m_boxes(boxes)
{
}

void FanOperations::setColour(Caller caller, int box, int fan, int red, int green, int blue)
{
    ControllerBox &b = m_state.boxArray[idx(box)];
    const size_t f = idx(fan);
    b.RColorFan[f] = red;
    b.GColorFan[f] = green;
    b.BColorFan[f] = blue;
    if (caller == Caller::Phone) {
        // The phone keeps a colour cycle cycling.
        b.isTurnOffLedFan[f] = false;
        reapplyBox(box);
        return;
    }
    // A new colour ends the colour cycle; flashing keeps flashing.
    if (b.LEDModeFan[f] == LedMode::Cycle)
        b.LEDModeFan[f] = LedMode::Steady;
    // The remote control leaves switched-off LEDs dark; the panel switches them on.
    if (caller != Caller::Remote || !b.isTurnOffLedFan[f]) {
        b.isTurnOffLedFan[f] = false;
        if (b.LEDModeFan[f] == LedMode::Flash)
            m_link.sendStoredFlash(box, fan);
        else
            m_link.sendStoredSteady(box, fan);
    }
    follow(caller, box);
}

void FanOperations::setBrightness(Caller caller, int box, int fan, float bright)
{
    ControllerBox &b = m_state.boxArray[idx(box)];
    const size_t f = idx(fan);
    const LedMode mode = b.LEDModeFan[f];
    // The remote control ignores the brightness of dark or cycling LEDs; the
    // others store it, and the panel sends a cycling fan its colour steady.
    const bool ignored = caller == Caller::Remote && (b.isTurnOffLedFan[f] || mode == LedMode::Cycle);
    if (!ignored)
        b.brightFan[f] = bright;
    if (!ignored && caller != Caller::Phone && !b.isTurnOffLedFan[f]) {
        if (mode == LedMode::Flash)
            m_link.sendStoredFlash(box, fan);
        else if (mode == LedMode::Steady || mode == LedMode::Cycle)
            m_link.sendStoredSteady(box, fan);
    }
    follow(caller, box);
}

void FanOperations::setSpeedLevel(Caller caller, int box, int fan, int level)
{
    ControllerBox &b = m_state.boxArray[idx(box)];
    b.speedFan[idx(fan)] = level;
    b.speedModeFan[idx(fan)] = speedModeForLevel(level);
    if (caller != Caller::Phone && sendsFixedSpeed(b, fan))
        m_link.setFanSpeedLevel(box, fan, level);
    follow(caller, box);
}

void FanOperations::setTemperatureMode(Caller caller, int box, int fan, bool on)
{
    ControllerBox &b = m_state.boxArray[idx(box)];
    b.isPWMFan[idx(fan)] = on;
    if (caller != Caller::Phone && !on)
        m_link.setFanSpeedLevel(box, fan, b.speedFan[idx(fan)]);
    follow(caller, box);
}

void FanOperations::setFixedSpeed(Caller caller, int box, int fan, int level)
{
    m_state.boxArray[idx(box)].isPWMFan[idx(fan)] = false;
    setSpeedLevel(caller, box, fan, level);
}

void FanOperations::setLightingMode(Caller caller, int box, int fan, LedMode mode)
{
    ControllerBox &b = m_state.boxArray[idx(box)];
    const size_t f = idx(fan);
    b.LEDModeFan[f] = mode;
    if (caller == Caller::Phone) {
        // The phone starts a cycle from red and leaves the off switch alone.
        if (mode == LedMode::Cycle) {
            b.RColorFan[f] = 255;
            b.GColorFan[f] = 0;
            b.BColorFan[f] = 0;
        }
        reapplyBox(box);
        return;
    }
    b.isTurnOffLedFan[f] = false;
    m_link.sendEffectiveLighting(box, fan);
    follow(caller, box);
}

void FanOperations::setLedsOff(Caller caller, int box, int fan, int off)
{
    ControllerBox &b = m_state.boxArray[idx(box)];
    b.isTurnOffLedFan[idx(fan)] = off == 1;
    if (caller != Caller::Phone)
        m_link.sendEffectiveLighting(box, fan);
    b.isTurnOffLedFan[idx(fan)] = off != 0;
    follow(caller, box);
}

void FanOperations::copyLighting(int box, int fan)
{
    ::copyLighting(m_state.boxArray[idx(box)], 0, fan);
    m_link.sendEffectiveLighting(box, fan);
    m_boxes.resetFanView();
}

void FanOperations::setMonitor(Caller caller, int box, int fan, bool on)
{
    m_state.boxArray[idx(box)].monitorFan[idx(fan)] = on;
    // The panel's own switch already shows it.
    if (caller != Caller::Panel && box == m_state.controllerBoxNumber)
        m_boxes.views().setFanMonitor(fan, on);
    m_store.saveDeviceSettings();
}

void FanOperations::loadProfile(int profile)
{
    const int box = m_state.controllerBoxNumber;
    m_state.currentProfile = profile;
    m_store.loadProfileIni(box, profile);
    m_link.applyBoxSettings(box);
    m_boxes.resetFanView();
}

void FanOperations::reapplyBox(int box)
{
    m_link.applyBoxSettings(box);
    if (box == m_state.controllerBoxNumber) {
        qCDebug(lcReapply) << "j == controllerBoxNumber, j = " << box;
        m_boxes.resetFanView();
    }
}

void FanOperations::follow(Caller caller, int box)
{
    if (caller == Caller::Phone)
        reapplyBox(box);
    else if (caller != Caller::Panel && box == m_state.controllerBoxNumber)
        m_boxes.resetFanView();
}
