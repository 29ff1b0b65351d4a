#include "commands/periodictasks.h"

#include "core/controllerstate.h"
#include "core/viewsink.h"
#include "device/devicelink.h"
#include "core/hidtransport.h"
#include "storage/settingsstore.h"

#include <QLoggingCategory>

#include <cstdlib>

Q_LOGGING_CATEGORY(lcTasks, "zaldo.tasks")

namespace {
// Software error S_0x0001 of the panel's error area: settings not saved.
constexpr int kSaveErrorCategory = 1;
constexpr int kSaveErrorIndex = 0;

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
    r = qBound(0, r, 255);
    g = qBound(0, g, 255);
    b = qBound(0, b, 255);
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

PeriodicTasks::PeriodicTasks(ControllerState &state, DeviceLink &link, SettingsStore &store, ViewSink &views,
                             QObject *parent)
    : QObject(parent), m_state(state), m_link(link), m_store(store), m_views(views), m_random([] { return std::rand(); })
{
    for (QTimer *t : {&m_musicTimer, &m_rpmTimer, &m_randomColorTimers[0], &m_randomColorTimers[1],
                      &m_randomColorTimers[2]})
        t->setSingleShot(false);
    for (QTimer &t : m_randomColorTimers)
        t.setInterval(Interval::randomColorMs);

    connect(&m_musicTimer, &QTimer::timeout, this, &PeriodicTasks::controlRGBValue, Qt::DirectConnection);
    connect(&m_rpmTimer, &QTimer::timeout, this, &PeriodicTasks::updateSpeed, Qt::DirectConnection);
    connect(&m_randomColorTimers[0], &QTimer::timeout, this, &PeriodicTasks::sendBrightFan1, Qt::DirectConnection);
    connect(&m_randomColorTimers[1], &QTimer::timeout, this, &PeriodicTasks::sendBrightFan2, Qt::DirectConnection);
    connect(&m_randomColorTimers[2], &QTimer::timeout, this, &PeriodicTasks::sendBrightFan3, Qt::DirectConnection);
}

void PeriodicTasks::startRpmPoll()
{
    if (!m_rpmTimer.isActive())
        m_rpmTimer.start(Interval::rpmPollMs);
}

void PeriodicTasks::setFanSpeedByTemperature(int celsius, int box, int fan)
{
    m_link.setFanSpeedByTemperature(celsius, box, fan);
}

void PeriodicTasks::stopRpmPoll()
{
    if (m_rpmTimer.isActive())
        m_rpmTimer.stop();
}

void PeriodicTasks::startMusic()
{
    if (!m_musicTimer.isActive())
        m_musicTimer.start(Interval::musicMs);
}

void PeriodicTasks::stopMusic()
{
    if (m_musicTimer.isActive())
        m_musicTimer.stop();
}

void PeriodicTasks::startRandomColor(int fan)
{
    if (!isValidFan(fan)) {
        qCWarning(lcTasks) << "startRandomColor: fan out of range:" << fan;
        return;
    }
    QTimer &t = m_randomColorTimers[idx(fan)];
    if (!t.isActive())
        t.start();
}

void PeriodicTasks::stopRandomColor(int fan)
{
    if (!isValidFan(fan)) {
        qCWarning(lcTasks) << "stopRandomColor: fan out of range:" << fan;
        return;
    }
    QTimer &t = m_randomColorTimers[idx(fan)];
    if (t.isActive())
        t.stop();
}

bool PeriodicTasks::isRandomColorRunning(int fan) const
{
    return isValidFan(fan) && m_randomColorTimers[idx(fan)].isActive();
}

void PeriodicTasks::updateSpeed()
{
    for (int b = 0; b < kBoxCount; ++b) {
        // A box still busy with the last poll is not asked again: a slow box's
        // queue would only grow.
        if (!m_state.boxArray[idx(b)].isConnected || m_pollReadsWaiting[idx(b)] > 0)
            continue;
        for (int requested = 0; requested < kFanCount; ++requested) {
            ++m_pollReadsWaiting[idx(b)];
            if (!m_link.readFanStatus(b, requested, [this, b, requested](const FanStatusReply &reply) {
                    --m_pollReadsWaiting[idx(b)];
                    showFanStatus(b, requested, reply);
                }))
                --m_pollReadsWaiting[idx(b)];
        }
    }
}

void PeriodicTasks::showFanStatus(int b, int requested, const FanStatusReply &reply)
{
    ControllerBox &box = m_state.boxArray[idx(b)];
    if (reply.length <= 0 || !box.monitorFan[idx(requested)])
        return;
    const FanStatus status = DeviceLink::parseFanStatus(reply.data.data(), reply.length);
    if (!status.valid || !isValidFan(status.fan)) {
        qCDebug(lcTasks) << "updateSpeed: invalid fan status reply from box" << b << "fan" << requested;
        return;
    }
    const int f = status.fan;
    const int rpm = status.rpm;
    box.rpmFan[idx(f)] = rpm;

    m_views.placeAlert();
    if (rpm == 0) {
        if (!box.isAlertShownFan[idx(f)] && box.monitorFan[idx(f)]) {
            box.isAlertShownFan[idx(f)] = true;
            qCWarning(lcTasks) << "updateSpeed: fan stopped, box" << b + 1 << "fan" << f + 1;  // as the panel counts
            m_views.showAlert(b);
            m_views.setPanelEnabled(false);
            m_views.setBoxFault(b, true);
        }
    } else {
        box.isAlertShownFan[idx(f)] = false;
    }

    if (b == m_state.controllerBoxNumber) {
        m_views.setRPM(rpm, f);
        m_views.setFanMonitor(f, true);
        m_views.setFanErrorHidden(f, rpm != 0);
    }

    bool fault = false;
    for (int k = 0; k < kFanCount; ++k)
        fault = fault || (box.isAlertShownFan[idx(k)] && box.monitorFan[idx(k)]);
    m_views.setBoxFault(b, fault);
}

void PeriodicTasks::sendBrightFan(int fan)
{
    if (!isValidFan(fan))
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
        if (box.isConnected && box.isRandomColorFan[idx(fan)])
            m_link.setFanLedSteady(b, fan, red, green, blue, box.brightFan[idx(fan)]);
    }
}

void PeriodicTasks::controlRGBValue()
{
    m_state.musicLevel = smoothMusicLevel(m_state.musicLevel, m_state.volumePercent);
    const float level = static_cast<float>(m_state.musicLevel) / 100.0f;
    for (int b = 0; b < kBoxCount; ++b) {
        ControllerBox &box = m_state.boxArray[idx(b)];
        for (int f = 0; f < kFanCount; ++f) {
            int &r = box.RColorFan[idx(f)];
            int &g = box.GColorFan[idx(f)];
            int &bl = box.BColorFan[idx(f)];
            if (box.LEDModeFan[idx(f)] == LedMode::Cycle)
                stepColourWheel(r, g, bl);
            if (box.isConnected)
                m_link.setFanLedSteady(b, f, r, g, bl, level);
        }
    }
}

void PeriodicTasks::changeBox(int box)
{
    if (!isValidBox(box)) {
        qCWarning(lcTasks) << "changeBox: box number out of range:" << box;
        return;
    }
    stopRpmPoll();
    m_state.controllerBoxNumber = box;
    ControllerBox &selected = m_state.boxArray[idx(box)];
    if (!selected.isConnected)
        return;

    m_store.saveDeviceSettings();
    startRpmPoll();
    m_state.currentProfile = selected.profileValue;
    m_store.loadProfileIni(box, m_state.currentProfile);
    m_link.applyBoxSettings(box);
    m_views.setProfile(m_state.currentProfile);
    resetFanView();
}

void PeriodicTasks::setBox()
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
}

void PeriodicTasks::resetFanView()
{
    if (!isValidBox(m_state.controllerBoxNumber)) {
        qCWarning(lcTasks) << "resetFanView: selected box out of range:" << m_state.controllerBoxNumber;
        return;
    }
    const ControllerBox &box = m_state.selectedBox();
    m_views.setProfile(m_state.currentProfile);
    m_views.setProfileLabel(box.profileValue);
    qCDebug(lcTasks) << "resetFanView----boxArray[controllerBoxNumber].profileValue--->" << box.profileValue;

    for (int f = 0; f < kFanCount; ++f) {
        const size_t i = idx(f);
        m_views.setFanMonitor(f, box.monitorFan[i]);
        m_views.setSelectColor(box.RColorFan[i], box.GColorFan[i], box.BColorFan[i], box.brightFan[i], f);
        m_views.setFanSpeed(box.speedFan[i], f);
        m_views.setPWM(box.isPWMFan[i], f);
        switch (box.LEDModeFan[i]) {
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
        m_views.setTurnOff(box.isTurnOffLedFan[i], f);
        m_views.setBright(box.brightFan[i], f);
    }
}

void PeriodicTasks::checkUSBDevice()
{
    qCDebug(lcTasks) << Q_FUNC_INFO;
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

bool PeriodicTasks::saveCurrentProfile()
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

void PeriodicTasks::reportSave(bool saved)
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
