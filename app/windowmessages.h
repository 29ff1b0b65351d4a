#pragma once

#include "commands/fanoperations.h"
#include "core/vocabulary.h"

#include <QtGlobal>

#include <functional>

struct ControllerState;
class DeviceLink;
class SettingsStore;
class BoxSelection;
class ViewSink;

// The remote-control messages of the controller window (0x8101..0x8119), the
// device-change check and the window close.
class WindowMessages {
public:
    static constexpr quint32 kDeviceChange = RemoteMsg::deviceChange;
    static constexpr quint32 kClose = 0x0010;

    struct Hooks {
        std::function<void(bool)> showPanelAndTray;  // 0x8101
        std::function<void()> closeController;       // 0x8105
        std::function<void()> hideController;        // WM_CLOSE
    };

    WindowMessages(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes,
                   ViewSink &views, Hooks hooks);

    // Whether a number is one of the set above (the per-fan ones skip 0x810A..0x810F).
    static bool knows(quint32 message);
    // True for every message of the set (handled), false for all others and
    // for a profile save (0x8119) that could not write its files.
    bool handle(quint32 message, qint64 wParam, qint64 lParam);

    // Compares a fresh scan with the presence map and reconnects when it changed.
    void deviceArrivalCheck();
    // Reconnects and re-applies every box, as a changed device set would.
    void reconnectAll();

private:
    bool handleFanMessage(quint32 message, qint64 wParam, int fan);
    bool saveCurrentProfile();

    ControllerState &m_state;
    DeviceLink &m_link;
    SettingsStore &m_store;
    BoxSelection &m_boxes;
    ViewSink &m_views;
    Hooks m_hooks;
    FanOperations m_ops;
};
