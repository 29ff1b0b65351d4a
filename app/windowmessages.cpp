#include "app/windowmessages.h"

#include "core/controllerstate.h"
#include "commands/boxselection.h"
#include "core/viewsink.h"
#include "device/devicelink.h"
#include "core/hidtransport.h"
#include "storage/settingsstore.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMessages, "zaldo.messages")

WindowMessages::WindowMessages(ControllerState &state, DeviceLink &link, SettingsStore &store,
                               BoxSelection &boxes, ViewSink &views, Hooks hooks)
    : m_state(state), m_link(link), m_store(store), m_boxes(boxes), m_views(views), m_hooks(std::move(hooks)),
      m_ops(state, link, store, boxes)
{
}

void WindowMessages::deviceArrivalCheck()
{
    qCDebug(lcMessages) << "Recv Event";
    qCDebug(lcMessages) << "Recv Event =======================================================";
    m_boxes.timers().stopRpmPoll();

    QString fresh;
    for (int n = 0; n < kBoxCount; ++n) {
        // Opening a device this program already holds still succeeds on hidraw.
        auto device = m_link.transport().open(kControllerVendorId, productIdForBox(n));
        fresh += device ? QLatin1Char('1') : QLatin1Char('0');
    }
    m_state.freshScanMap = fresh;
    qCDebug(lcMessages) << "checkControllerStr_Old:" << m_state.freshScanMap;
    qCDebug(lcMessages) << "checkControllerStr:" << m_state.checkControllerStr;
    // A box that could not be opened is tried again at every change (its
    // rule may just have been installed, or it may be gone).
    if (m_state.freshScanMap != m_state.checkControllerStr || m_link.firstUnopenableBox() >= 0)
        reconnectAll();
    // Nothing else may come to restart the poll (no sensors, nobody at the
    // panel), and without it a stopped fan raises no alarm.
    m_boxes.timers().startRpmPoll();
}

void WindowMessages::reconnectAll()
{
    m_link.connectAllBoxes();
    m_boxes.setBox();
}

bool WindowMessages::saveCurrentProfile()
{
    return m_boxes.saveCurrentProfile();
}

bool WindowMessages::knows(quint32 message)
{
    return message == kDeviceChange || message == kClose
           || (message >= RemoteMsg::showPanel && message <= RemoteMsg::performance)
           || (message >= RemoteMsg::silent && message <= RemoteMsg::saveProfile);
}

bool WindowMessages::handle(quint32 message, qint64 wParam, qint64 lParam)
{
    qCDebug(lcMessages) << "Recv Event msgType:" << Qt::hex << Qt::showbase << message;
    const bool flag = wParam != 0;

    switch (message) {
    case kDeviceChange:
        deviceArrivalCheck();
        return true;
    case kClose:
        if (m_hooks.hideController)
            m_hooks.hideController();
        return true;
    case RemoteMsg::showPanel:
        qCDebug(lcMessages) << "isShow:" << wParam;
        if (flag)
            qCDebug(lcMessages) << "isShow===================true";
        if (m_hooks.showPanelAndTray)
            m_hooks.showPanelAndTray(flag);
        return true;
    case RemoteMsg::autoUpdate:
        qCDebug(lcMessages) << "isShow1:" << wParam;
        m_state.isStartAutoUpdate = flag;
        m_views.setAutoUpdateSwitch(flag);
        m_store.saveDeviceSettings();
        return true;
    case RemoteMsg::passwordSwitch:
        qCDebug(lcMessages) << "isShow1:" << wParam;
        m_state.isOpenPassword = flag;
        m_views.setPasswordSwitch(flag);
        m_store.saveDeviceSettings();
        return true;
    case RemoteMsg::passwordDigits: {
        qCDebug(lcMessages) << "isShow1:" << wParam;
        if (!isValidPin(wParam)) {
            qCWarning(lcMessages) << "0x8104: PIN out of range, ignored:" << wParam;
            return true;
        }
        m_state.isOpenPassword = wParam != 0;
        m_state.passwordStr = (wParam < 1000 ? QStringLiteral("0") : QString()) + QString::number(wParam);
        m_views.setPasswordText(m_state.passwordStr);
        m_store.saveDeviceSettings();
        return true;
    }
    case RemoteMsg::close:
        qCDebug(lcMessages) << "isShow1:" << wParam;
        if (flag && m_hooks.closeController)
            m_hooks.closeController();
        return true;
    case RemoteMsg::selectBox:
        qCDebug(lcMessages) << "isShow1:" << wParam;
        if (!isValidBox(wParam)) {
            qCWarning(lcMessages) << "0x8106: box number out of range, ignored:" << wParam;
            return true;
        }
        m_boxes.changeBox(static_cast<int>(wParam));
        m_views.setBoxChecked(static_cast<int>(wParam));
        return true;
    case RemoteMsg::loadProfile: {
        qCDebug(lcMessages) << "isShow1:" << wParam;
        if (wParam < 0 || wParam > 4) {
            qCWarning(lcMessages) << "0x8107: profile index out of range, ignored:" << wParam;
            return true;
        }
        m_ops.loadProfile(static_cast<int>(wParam) + 1);
        return true;
    }
    case RemoteMsg::saveProfile:
        // The sender learns from the answer whether the save reached the disk.
        return saveCurrentProfile();
    default:
        break;
    }

    // The per-fan messages; the numbers skip 0x810A..0x810F.
    if ((message >= RemoteMsg::monitorFan && message <= RemoteMsg::performance)
        || (message >= RemoteMsg::silent && message <= RemoteMsg::colour)) {
        qCDebug(lcMessages).nospace() << Qt::hex << Qt::showbase << message << "---> isShow1:" << Qt::dec
                                      << wParam << ", isShow2:" << lParam;
        if (!isValidFan(m_state.controllerBoxNumber, lParam)) {
            qCWarning(lcMessages) << "fan number out of range, message ignored:" << lParam;
            return true;
        }
        return handleFanMessage(message, wParam, static_cast<int>(lParam));
    }
    return false;
}

bool WindowMessages::handleFanMessage(quint32 message, qint64 wParam, int fan)
{
    const int b = m_state.controllerBoxNumber;
    const bool flag = wParam != 0;
    const EntryRules remote = EntryRules::remote();

    switch (message) {
    case RemoteMsg::monitorFan:
        m_ops.setMonitor(b, fan, flag);
        return true;
    case RemoteMsg::performance:
        m_ops.setSpeedLevel(remote, b, fan, 5);
        return true;
    case RemoteMsg::silent:
        m_ops.setSpeedLevel(remote, b, fan, 0);
        return true;
    case RemoteMsg::temperatureMode:
        m_ops.setTemperatureMode(remote, b, fan, flag);
        return true;
    case RemoteMsg::speedLevel:
        if (!isValidSpeedLevel(wParam)) {
            qCWarning(lcMessages) << "0x8112: level out of range, ignored:" << wParam;
            return true;
        }
        m_ops.setSpeedLevel(remote, b, fan, static_cast<int>(wParam));
        return true;
    case RemoteMsg::colourCycle:
        m_ops.setLightingMode(remote, b, fan, flag ? LedMode::Cycle : LedMode::Steady);
        return true;
    case RemoteMsg::flashing:
        m_ops.setLightingMode(remote, b, fan, flag ? LedMode::Flash : LedMode::Steady);
        return true;
    case RemoteMsg::ledsOff:
        m_ops.setLedsOff(remote, b, fan, flag ? 1 : 0);
        return true;
    case RemoteMsg::copyLighting:
        m_ops.copyLighting(b, fan);
        return true;
    case RemoteMsg::brightness:
        if (!isValidBrightnessPercent(wParam)) {
            qCWarning(lcMessages) << "0x8117: brightness out of range, ignored:" << wParam;
            return true;
        }
        m_ops.setBrightness(remote, b, fan, static_cast<float>(wParam) / 100.0f);
        return true;
    case RemoteMsg::colour:
        m_ops.setColour(remote, b, fan, static_cast<int>(wParam & 0xFF), static_cast<int>((wParam >> 8) & 0xFF),
                        static_cast<int>((wParam >> 16) & 0xFF));
        return true;
    default:
        return false;
    }
}
