#include "commands/boxselection.h"

#include "commands/fantimers.h"
#include "core/controllerstate.h"
#include "core/hidtransport.h"
#include "core/valuerules.h"
#include "core/viewsink.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcTasks)

namespace {
// Software error S_0x0001 of the panel's error area: settings not saved.
constexpr int kSaveErrorCategory = 1;
constexpr int kSaveErrorIndex = 0;
} // namespace

BoxSelection::BoxSelection(ControllerState &state, DeviceLink &link, SettingsStore &store, ViewSink &views,
                           FanTimers &timers)
    : m_state(state), m_link(link), m_store(store), m_views(views), m_timers(timers)
{
    QObject::connect(&state.events, &ModelEvents::fanChanged, &m_following, [this](int box, int fan) {
        if (m_ownChanges == 0 && isShown(box) && isValidFan(box, fan))
            showFan(m_state.box(box).fan(fan), fan);
    });
    QObject::connect(&state.events, &ModelEvents::boxChanged, &m_following, [this](int box) {
        if (m_ownChanges == 0 && isShown(box))
            resetFanView();
    });
    // What the box was sent is shown whoever sent it, the panel too.
    QObject::connect(&state.events, &ModelEvents::percentSent, &m_following, [this](int box, int fan, int percent) {
        if (isShown(box))
            m_views.setSentPercent(percent, fan);
    });
}

bool BoxSelection::isShown(int box) const
{
    return box == m_state.controllerBoxNumber;
}

void BoxSelection::changeBox(int box)
{
    if (!isValidBox(box)) {
        qCWarning(lcTasks) << "changeBox: box number out of range:" << box;
        return;
    }
    m_timers.stopRpmPoll();
    m_state.controllerBoxNumber = box;
    ControllerBox &selected = m_state.boxArray[idx(box)];
    if (!selected.isConnected) {
        m_state.events.selectionChanged(box);
        return;
    }

    m_store.saveDeviceSettings();
    m_timers.startRpmPoll();
    m_state.currentProfile = selected.profileValue;
    m_store.loadProfileIni(box, m_state.currentProfile);
    m_link.applyBoxSettings(box);
    m_views.setProfile(m_state.currentProfile);
    resetFanView();
    m_state.events.selectionChanged(box);
}

void BoxSelection::setBox()
{
    for (int n = 0; n < kBoxCount; ++n) {
        const ControllerBox &box = m_state.boxArray[idx(n)];
        if (box.isConnected) {
            m_views.setBoxPresent(n);
            m_state.currentProfile = box.profileValue;
            m_state.controllerBoxNumber = n;
            break;
        }
    }
    qCDebug(lcTasks) << "setBox()---controllerBoxNumber:" << m_state.controllerBoxNumber;

    for (int n = 0; n < kBoxCount; ++n) {
        const ControllerBox &box = m_state.boxArray[idx(n)];
        m_views.setBoxEnabled(n, box.isConnected);
        m_store.loadProfileIni(n, box.profileValue);
        if (box.isConnected)
            m_link.applyBoxSettings(n);
    }
    resetFanView();
    checkUSBDevice();
    m_state.events.selectionChanged(m_state.controllerBoxNumber);
}

void BoxSelection::resetFanView()
{
    if (!isValidBox(m_state.controllerBoxNumber)) {
        qCWarning(lcTasks) << "resetFanView: selected box out of range:" << m_state.controllerBoxNumber;
        return;
    }
    const ControllerBox &box = m_state.selectedBox();
    m_views.setProfile(m_state.currentProfile);
    m_views.setProfileLabel(box.profileValue);
    qCDebug(lcTasks) << "resetFanView----boxArray[controllerBoxNumber].profileValue--->" << box.profileValue;

    for (int f = 0; f < box.fanCount(); ++f)
        showFan(box.fan(f), f);
}

void BoxSelection::showFan(const Fan &fan, int f)
{
    m_views.setFanMonitor(f, fan.alarmOn);
    m_views.setSelectColor(fan.colour.red, fan.colour.green, fan.colour.blue, fan.brightness, f);
    m_views.setFanSpeed(fan.speedLevel, f);
    m_views.setSentPercent(fan.sentPercent, f);
    m_views.setPWM(fan.source.followsCurve(), f);
    switch (fan.lighting) {
    case LedMode::Steady:
        m_views.setRGB(false, f);
        m_views.setBlink(false, f);
        break;
    case LedMode::Cycle:
        m_views.setRGB(true, f);
        break;
    case LedMode::Flash:
        m_views.setBlink(true, f);
        break;
    default:
        break;
    }
    m_views.setTurnOff(fan.ledsOff, f);
    m_views.setBright(fan.brightness, f);
}

void BoxSelection::checkUSBDevice()
{
    // The signature this line has always printed; log readers match it.
    qCDebug(lcTasks) << "void PeriodicTasks::checkUSBDevice()";
    ScanUSB scan(m_link.transport());

    bool found = false;
    for (int n = 0; n < kBoxCount && !found; ++n)
        found = scan.countDevices(kControllerVendorId, productIdForBox(n)) > 0;
    m_views.showError(found, 0, 0);

    for (int n = 0; n < kBoxCount; ++n) {
        if (scan.countDevices(kControllerVendorId, productIdForBox(n)) > 1) {
            qCDebug(lcTasks) << "checkUSBDevice: two devices answer as box" << n;
            m_views.showError(false, 0, 1, n);
            break;
        }
    }
    // Enumeration lists a box whose node this user may not open; say so
    // rather than show it as absent.
    const int locked = m_link.firstUnopenableBox();
    if (locked >= 0)
        m_views.showError(false, 0, 2, locked);
}

bool BoxSelection::saveCurrentProfile()
{
    const int profile = m_state.currentProfile;
    if (!isValidProfile(profile)) {
        qCWarning(lcTasks) << "saveProfile: current profile out of range:" << profile;
        return false;
    }
    if (!isValidBox(m_state.controllerBoxNumber)) {
        qCWarning(lcTasks) << "saveProfile: selected box out of range:" << m_state.controllerBoxNumber;
        return false;
    }
    m_views.setProfile(profile);
    m_views.setProfileLabel(profile);
    m_state.selectedBox().profileValue = profile;
    const bool profileSaved = m_store.saveProfileSettings(profile);
    const bool deviceSaved = m_store.saveDeviceSettings();
    reportSave(profileSaved && deviceSaved);
    // Reloading from a file that kept its old content would undo what the
    // boxes hold now.
    if (!profileSaved)
        return false;

    for (int i = 0; i < kBoxCount; ++i) {
        if (m_state.boxArray[idx(i)].profileValue != profile)
            continue;
        m_store.loadProfileIni(i, profile);
        qCDebug(lcTasks) << "SSSSAVE:" << i;
        m_link.saveToController(i);
    }
    return deviceSaved;
}

void BoxSelection::reportSave(bool saved)
{
    if (!saved) {
        qCWarning(lcTasks) << "saveProfile: settings not saved, profile" << m_state.currentProfile
                           << "and the boxes keep what they hold";
        m_views.showError(false, kSaveErrorCategory, kSaveErrorIndex);
    } else if (m_saveErrorShown) {
        // The error area is shared with the box errors: show theirs again.
        checkUSBDevice();
    }
    m_saveErrorShown = !saved;
}
