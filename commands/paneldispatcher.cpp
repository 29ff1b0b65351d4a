#include "commands/paneldispatcher.h"

#include "core/controllerstate.h"
#include "commands/periodictasks.h"
#include "core/viewsink.h"
#include "core/panelcommands.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QLoggingCategory>

#include <cmath>

Q_LOGGING_CATEGORY(lcPanel, "zaldo.commands")

using PanelCommand::intArg;

namespace {

// Views never send short lists; anything shorter is dropped rather than read past.
bool hasElements(const QStringList &list, int count)
{
    if (list.size() >= count)
        return true;
    qCWarning(lcPanel) << "receiveMainData: list too short for" << list.first() << "needs" << count << "elements:"
                       << list;
    return false;
}

// Brightness factor from text: a non-number reads as 0, and the factor is kept
// to 0..1 so the colour scaling stays in range.
float brightnessArg(const QStringList &list, int i)
{
    bool ok = false;
    float value = list.at(i).toFloat(&ok);
    if (!ok || std::isnan(value)) {
        qCDebug(lcPanel) << "changeSliderLight: brightness is not a number:" << list.at(i);
        return 0.0f;
    }
    if (value < 0.0f || value > 1.0f) {
        qCDebug(lcPanel) << "changeSliderLight: brightness outside 0..1 clamped:" << value;
        value = value < 0.0f ? 0.0f : 1.0f;
    }
    return value;
}
} // namespace

PanelDispatcher::PanelDispatcher(ControllerState &state, DeviceLink &link, SettingsStore &store,
                                 PeriodicTasks &tasks, ViewSink &views, QObject *parent)
    : QObject(parent), m_state(state), m_link(link), m_store(store), m_tasks(tasks), m_views(views)
{
}

void PanelDispatcher::receiveMainData(const QStringList &list)
{
    qCDebug(lcPanel) << "USB---dataStr:" << list;
    if (list.isEmpty()) {
        qCWarning(lcPanel) << "receiveMainData: empty list";
        return;
    }
    const QString &name = list.first();
    namespace C = PanelCommand;

    if (name == C::showInfo) {
        qCDebug(lcPanel) << "showInfo";
        if (m_infoReadout)
            m_infoReadout();
    } else if (name == C::saveProfile) {
        m_tasks.saveCurrentProfile();
    } else if (name == C::selectProfile) {
        selectProfile(list);
    } else if (name == C::changeControllerBox) {
        if (!hasElements(list, 2))
            return;
        const int box = intArg(list, 1);
        if (!isValidBox(box)) {
            qCWarning(lcPanel) << "changeControllerBox: box index out of range:" << box;
            return;
        }
        m_tasks.changeBox(box);
    } else if (name == C::pushPWM) {
        pushPWM(list);
    } else if (name == C::palette) {
        palette(list);
    } else if (name == C::blink) {
        blink(list);
    } else if (name == C::rgb) {
        rgb(list);
    } else if (name == C::copy) {
        copyLight(list);
    } else if (name == C::pushTurnOff) {
        pushTurnOff(list);
    } else if (name == C::changeSliderLight) {
        changeSliderLight(list);
    } else if (name == C::changeSliderFanSpeed) {
        changeSliderFanSpeed(list);
    } else if (name == C::changeLanguage) {
        changeLanguage(list);
    } else if (name == C::autoUpdate) {
        qCDebug(lcPanel) << "AutoUpdate";
        if (!hasElements(list, 2))
            return;
        m_state.isStartAutoUpdate = intArg(list, 1) != 0;
        m_store.saveDeviceSettings();
    } else if (name == C::password) {
        qCDebug(lcPanel) << "Password";
        if (!hasElements(list, 2))
            return;
        m_state.isOpenPassword = intArg(list, 1) != 0;
        m_store.saveDeviceSettings();
    } else if (name == C::changePassword) {
        if (!hasElements(list, 2))
            return;
        m_state.passwordStr = list.at(1);
        m_store.saveDeviceSettings();
    } else if (name == C::closeFanControl) {
        closeFanControl(list);
    } else {
        qCDebug(lcPanel) << "receiveMainData: not a panel command:" << name;
    }
}

bool PanelDispatcher::selectedFan(const QStringList &list, int minSize, int *fan, ControllerBox **box)
{
    if (!hasElements(list, minSize))
        return false;
    if (!isValidBox(m_state.controllerBoxNumber)) {
        qCWarning(lcPanel) << "receiveMainData: selected box out of range:" << m_state.controllerBoxNumber;
        return false;
    }
    *fan = intArg(list, 1);
    if (!isValidFan(*fan)) {
        qCWarning(lcPanel) << "receiveMainData: fan index out of range for" << list.first() << ":" << list.at(1);
        return false;
    }
    *box = &m_state.selectedBox();
    return true;
}

void PanelDispatcher::sendLightByMode(int fan)
{
    const int b = m_state.controllerBoxNumber;
    switch (m_state.selectedBox().LEDModeFan[idx(fan)]) {
    case 0:
        m_link.sendStoredSteady(b, fan);
        break;
    case 1:
        m_link.setFanLedCycle(b, fan);
        break;
    case 2:
        m_link.sendStoredFlash(b, fan);
        break;
    default:
        break;
    }
}

void PanelDispatcher::selectProfile(const QStringList &list)
{
    if (!hasElements(list, 2))
        return;
    const int index = intArg(list, 1);
    if (!isValidProfile(index + 1)) {
        qCWarning(lcPanel) << "selectProfile: profile index out of range:" << index;
        return;
    }
    if (!isValidBox(m_state.controllerBoxNumber)) {
        qCWarning(lcPanel) << "selectProfile: selected box out of range:" << m_state.controllerBoxNumber;
        return;
    }
    m_state.currentProfile = index + 1;
    m_store.loadProfileIni(m_state.controllerBoxNumber, m_state.currentProfile);
    m_link.applyBoxSettings(m_state.controllerBoxNumber);
    m_tasks.resetFanView();
}

void PanelDispatcher::pushPWM(const QStringList &list)
{
    int f = 0;
    ControllerBox *box = nullptr;
    if (!selectedFan(list, 3, &f, &box))
        return;
    box->isPWMFan[idx(f)] = intArg(list, 2) != 0;
    if (!box->isPWMFan[idx(f)])
        m_link.setFanSpeedLevel(m_state.controllerBoxNumber, f, box->speedFan[idx(f)]);
}

void PanelDispatcher::palette(const QStringList &list)
{
    int f = 0;
    ControllerBox *box = nullptr;
    if (!selectedFan(list, 5, &f, &box))
        return;
    const size_t i = idx(f);
    box->RColorFan[i] = intArg(list, 2);
    box->GColorFan[i] = intArg(list, 3);
    box->BColorFan[i] = intArg(list, 4);
    // A new colour ends the colour cycle; flashing keeps flashing.
    if (box->LEDModeFan[i] == 1)
        box->LEDModeFan[i] = 0;
    const int b = m_state.controllerBoxNumber;
    if (box->LEDModeFan[i] == 2)
        m_link.sendStoredFlash(b, f);
    else
        m_link.sendStoredSteady(b, f);
    box->isTurnOffLedFan[i] = false;
}

void PanelDispatcher::blink(const QStringList &list)
{
    setLightMode(list, 2);
}

void PanelDispatcher::rgb(const QStringList &list)
{
    setLightMode(list, 1);
}

// "Blink" and "RGB": element 2 equal to 1 switches the mode on, anything else
// back to the steady colour; either way the LEDs are on afterwards.
void PanelDispatcher::setLightMode(const QStringList &list, int onMode)
{
    int f = 0;
    ControllerBox *box = nullptr;
    if (!selectedFan(list, 3, &f, &box))
        return;
    box->LEDModeFan[idx(f)] = intArg(list, 2) == 1 ? onMode : 0;
    sendLightByMode(f);
    box->isTurnOffLedFan[idx(f)] = false;
}

void PanelDispatcher::copyLight(const QStringList &list)
{
    int f = 0;
    ControllerBox *box = nullptr;
    if (!selectedFan(list, 2, &f, &box))
        return;
    copyLighting(*box, 0, f);
    m_link.sendEffectiveLighting(m_state.controllerBoxNumber, f);
    m_tasks.resetFanView();
}

void PanelDispatcher::pushTurnOff(const QStringList &list)
{
    int f = 0;
    ControllerBox *box = nullptr;
    if (!selectedFan(list, 3, &f, &box))
        return;
    const int flag = intArg(list, 2);
    box->isTurnOffLedFan[idx(f)] = flag != 0;
    if (flag == 1)
        m_link.setFanLedSteady(m_state.controllerBoxNumber, f, 0, 0, 0, 1.0f);
    else
        sendLightByMode(f);
}

void PanelDispatcher::changeSliderLight(const QStringList &list)
{
    int f = 0;
    ControllerBox *box = nullptr;
    if (!selectedFan(list, 3, &f, &box))
        return;
    const size_t i = idx(f);
    box->brightFan[i] = brightnessArg(list, 2);
    if (box->isTurnOffLedFan[i])
        return;
    const int b = m_state.controllerBoxNumber;
    switch (box->LEDModeFan[i]) {
    case 0:
    case 1:
        m_link.sendStoredSteady(b, f);
        break;
    case 2:
        m_link.sendStoredFlash(b, f);
        break;
    default:
        break;
    }
}

void PanelDispatcher::changeSliderFanSpeed(const QStringList &list)
{
    int f = 0;
    ControllerBox *box = nullptr;
    if (!selectedFan(list, 3, &f, &box))
        return;
    const int level = intArg(list, 2);
    if (level < 0 || level > 5) {
        // Levels run 0..5; anything else would report 0 % and stop the fan.
        qCWarning(lcPanel) << "changeSliderFanSpeed: speed level outside 0..5 refused:" << list.at(2);
        return;
    }
    box->speedFan[idx(f)] = level;
    box->speedModeFan[idx(f)] = speedModeForLevel(level);
    if (!box->isPWMFan[idx(f)])
        m_link.setFanSpeedLevel(m_state.controllerBoxNumber, f, level);
}

void PanelDispatcher::changeLanguage(const QStringList &list)
{
    if (!hasElements(list, 2))
        return;
    const int index = intArg(list, 1);
    // A failed load keeps the texts on screen; the choice is stored all the same.
    const bool loaded = m_languageLoader ? m_languageLoader(index) : false;
    if (!loaded)
        qCWarning(lcPanel) << "changeLanguage: no translation loaded for index" << index << "- current texts kept";
    m_state.languageIndex = index;
    m_store.saveDeviceSettings();
    m_views.setLanguage(index);
}

void PanelDispatcher::closeFanControl(const QStringList &list)
{
    int f = 0;
    ControllerBox *box = nullptr;
    if (!selectedFan(list, 3, &f, &box))
        return;
    box->monitorFan[idx(f)] = intArg(list, 2) != 0;
    m_store.saveDeviceSettings();
}
