#pragma once

#include "commands/openrgbbackend.h"
#include "commands/fanoperations.h"

#include <QObject>

#include <array>

struct ControllerState;
class DeviceLink;
class SettingsStore;
class BoxSelection;
class OpenRgbServer;

// The boxes as OpenRGB controllers: one per connected box, in box order, its
// fans the zones. What a client sets goes through the fan operations like any
// other front end's change, so the panel, the phone app and the status show
// it; what changed elsewhere is read afresh at the next request.
class OpenRgbBridge : public OpenRgbBackend {
public:
    OpenRgbBridge(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes);

    // Boxes that come or go are announced to the server's clients.
    void follow(OpenRgbServer &server);

    int controllerCount() const override;
    OpenRgbController describe(int index) const override;
    void setLeds(int index, const std::vector<OpenRgbColour> &colours) override;
    void setZoneLeds(int index, int zone, const std::vector<OpenRgbColour> &colours) override;
    void setSingleLed(int index, int led, OpenRgbColour colour) override;
    void setMode(int index, OpenRgbMode mode, OpenRgbColour colour, std::optional<int> brightness) override;
    void saveMode(int index) override;
    QStringList profileNames() const override;
    void loadProfile(int n) override;
    void saveProfile(int n) override;

private:
    // The box behind a controller index; -1 when there is none.
    int boxAt(int index) const;
    OpenRgbMode modeOf(int box) const;
    void steady(int box, int fan, OpenRgbColour colour);

    ControllerState &m_state;
    DeviceLink &m_link;
    SettingsStore &m_store;
    BoxSelection &m_boxes;
    FanOperations m_ops;
    // Set by per-LED colours, cleared by a mode: steady fans show as Direct
    // rather than Static while it holds.
    std::array<bool, 16> m_direct{};
    QObject m_following;
};
