#include "commands/paneldispatcher.h"

#include "core/controllerstate.h"
#include "commands/boxselection.h"
#include "core/viewsink.h"
#include "core/panelcommands.h"
#include "storage/settingsstore.h"

#include <QLoggingCategory>

#include <cmath>

Q_LOGGING_CATEGORY(lcPanel, "zaldo.commands")

using PanelCommand::intArg;

namespace {
const EntryRules kPanel = EntryRules::panel();
} // namespace

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
    const float value = list.at(i).toFloat(&ok);
    if (!ok || std::isnan(value)) {
        qCDebug(lcPanel) << "changeSliderLight: brightness is not a number:" << list.at(i);
        return 0.0f;
    }
    if (clampBrightness(value) != value)
        qCDebug(lcPanel) << "changeSliderLight: brightness outside 0..1 clamped:" << value;
    return clampBrightness(value);
}
} // namespace

PanelDispatcher::PanelDispatcher(ControllerState &state, DeviceLink &link, SettingsStore &store,
                                 BoxSelection &boxes, ViewSink &views, QObject *parent)
    : QObject(parent), m_state(state), m_store(store), m_boxes(boxes), m_views(views),
      m_ops(state, link, store, boxes)
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
        m_boxes.saveCurrentProfile();
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
        m_boxes.changeBox(box);
    } else if (name == C::pushPWM) {
        pushPWM(list);
    } else if (name == C::palette) {
        palette(list);
    } else if (name == C::blink) {
        setLightMode(list, LedMode::Flash);
    } else if (name == C::rgb) {
        setLightMode(list, LedMode::Cycle);
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
        if (!parsePinText(list.at(1), &m_state.passwordStr)) {
            qCWarning(lcPanel) << "changePassword: PIN is not a number 0..9999, refused:" << list.at(1);
            return;
        }
        m_store.saveDeviceSettings();
    } else if (name == C::closeFanControl) {
        closeFanControl(list);
    } else {
        qCDebug(lcPanel) << "receiveMainData: not a panel command:" << name;
    }
}

int PanelDispatcher::selectedFan(const QStringList &list, int minSize)
{
    if (!hasElements(list, minSize))
        return -1;
    if (!isValidBox(m_state.controllerBoxNumber)) {
        qCWarning(lcPanel) << "receiveMainData: selected box out of range:" << m_state.controllerBoxNumber;
        return -1;
    }
    const int fan = intArg(list, 1);
    if (!isValidFan(m_state.controllerBoxNumber, fan)) {
        qCWarning(lcPanel) << "receiveMainData: fan index out of range for" << list.first() << ":" << list.at(1);
        return -1;
    }
    return fan;
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
    m_ops.loadProfile(index + 1);
}

void PanelDispatcher::pushPWM(const QStringList &list)
{
    if (const int f = selectedFan(list, 3); f >= 0) {
        const BoxSelection::OwnChange own(m_boxes);
        m_ops.setTemperatureMode(kPanel, m_state.controllerBoxNumber, f, intArg(list, 2) != 0);
    }
}

void PanelDispatcher::palette(const QStringList &list)
{
    const int f = selectedFan(list, 5);
    if (f < 0)
        return;
    const int red = intArg(list, 2);
    const int green = intArg(list, 3);
    const int blue = intArg(list, 4);
    if (!isValidColour(red) || !isValidColour(green) || !isValidColour(blue)) {
        qCWarning(lcPanel) << "Palette: colour outside 0..255 refused:" << list.mid(2);
        return;
    }
    const BoxSelection::OwnChange own(m_boxes);
    m_ops.setColour(kPanel, m_state.controllerBoxNumber, f, red, green, blue);
}

// "Blink" and "RGB": element 2 equal to 1 switches the mode on, anything else
// back to the steady colour.
void PanelDispatcher::setLightMode(const QStringList &list, LedMode onMode)
{
    if (const int f = selectedFan(list, 3); f >= 0) {
        const BoxSelection::OwnChange own(m_boxes);
        m_ops.setLightingMode(kPanel, m_state.controllerBoxNumber, f, intArg(list, 2) == 1 ? onMode : LedMode::Steady);
    }
}

void PanelDispatcher::copyLight(const QStringList &list)
{
    if (const int f = selectedFan(list, 2); f >= 0)
        m_ops.copyLighting(m_state.controllerBoxNumber, f);
}

void PanelDispatcher::pushTurnOff(const QStringList &list)
{
    if (const int f = selectedFan(list, 3); f >= 0) {
        const BoxSelection::OwnChange own(m_boxes);
        m_ops.setLedsOff(kPanel, m_state.controllerBoxNumber, f, intArg(list, 2));
    }
}

void PanelDispatcher::changeSliderLight(const QStringList &list)
{
    if (const int f = selectedFan(list, 3); f >= 0) {
        const BoxSelection::OwnChange own(m_boxes);
        m_ops.setBrightness(kPanel, m_state.controllerBoxNumber, f, brightnessArg(list, 2));
    }
}

void PanelDispatcher::changeSliderFanSpeed(const QStringList &list)
{
    const int f = selectedFan(list, 3);
    if (f < 0)
        return;
    const int level = intArg(list, 2);
    if (!isValidSpeedLevel(level)) {
        qCWarning(lcPanel) << "changeSliderFanSpeed: speed level outside 0..5 refused:" << list.at(2);
        return;
    }
    const BoxSelection::OwnChange own(m_boxes);
    m_ops.setSpeedLevel(kPanel, m_state.controllerBoxNumber, f, level);
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
    if (const int f = selectedFan(list, 3); f >= 0) {
        const BoxSelection::OwnChange own(m_boxes);
        m_ops.setMonitor(m_state.controllerBoxNumber, f, intArg(list, 2) != 0);
    }
}
