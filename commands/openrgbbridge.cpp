#include "commands/openrgbbridge.h"

#include "commands/boxselection.h"
#include "commands/openrgbserver.h"
#include "core/controllerstate.h"
#include "core/hidtransport.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <cmath>

namespace {

const EntryRules kNetwork = EntryRules::commandLine();

OpenRgbColour toWire(const Colour &c)
{
    return OpenRgbColour{static_cast<unsigned char>(c.red), static_cast<unsigned char>(c.green),
                         static_cast<unsigned char>(c.blue)};
}

Colour fromWire(OpenRgbColour c)
{
    return Colour{c.red, c.green, c.blue};
}

} // namespace

OpenRgbBridge::OpenRgbBridge(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes)
    : m_state(state), m_link(link), m_store(store), m_boxes(boxes), m_ops(state, link, store, boxes)
{
    // A box's lighting changed elsewhere is no longer the client's Direct frame.
    QObject::connect(&state.events, &ModelEvents::boxChanged, &m_following,
                     [this](int box) { m_direct[idx(box)] = false; });
}

void OpenRgbBridge::follow(OpenRgbServer &server)
{
    QObject::connect(&m_state.events, &ModelEvents::boxPresenceChanged, &server, &OpenRgbServer::devicesChanged);
}

int OpenRgbBridge::boxAt(int index) const
{
    for (int box = 0; box < kBoxCount; ++box) {
        if (m_state.box(box).isConnected && index-- == 0)
            return box;
    }
    return -1;
}

int OpenRgbBridge::controllerCount() const
{
    int count = 0;
    for (const ControllerBox &box : m_state.boxArray)
        count += box.isConnected ? 1 : 0;
    return count;
}

OpenRgbMode OpenRgbBridge::modeOf(int box) const
{
    const Fan &first = m_state.box(box).fan(0);
    if (first.ledsOff)
        return OpenRgbMode::Off;
    switch (first.lighting) {
    case LedMode::Cycle: return OpenRgbMode::ColourCycle;
    case LedMode::Flash: return OpenRgbMode::Flashing;
    case LedMode::Steady: break;
    }
    return m_direct[idx(box)] ? OpenRgbMode::Direct : OpenRgbMode::Static;
}

OpenRgbController OpenRgbBridge::describe(int index) const
{
    OpenRgbController c;
    const int box = boxAt(index);
    if (box < 0)
        return c;
    const ControllerBox &b = m_state.box(box);
    c.box = box + 1;
    // Stable across restarts and replugging: the product ID names the box.
    c.usbPath = QStringLiteral("%1:%2").arg(kControllerVendorId, 4, 16, QLatin1Char('0'))
                    .arg(productIdForBox(box), 4, 16, QLatin1Char('0'));
    c.activeMode = modeOf(box);
    for (const Fan &f : b.fans)
        c.leds.push_back(f.ledsOff ? OpenRgbColour{} : toWire(f.colour));
    c.modeColour = toWire(b.fan(0).colour);
    c.brightness = static_cast<int>(std::lround(b.fan(0).brightness * 100.0f));
    return c;
}

void OpenRgbBridge::steady(int box, int fan, OpenRgbColour colour)
{
    if (fan < 0 || fan >= m_state.box(box).fanCount())
        return;
    m_ops.setSteadyColour(kNetwork, box, fan, fromWire(colour));
}

void OpenRgbBridge::setLeds(int index, const std::vector<OpenRgbColour> &colours)
{
    const int box = boxAt(index);
    if (box < 0)
        return;
    for (std::size_t f = 0; f < colours.size(); ++f)
        steady(box, static_cast<int>(f), colours[f]);
    m_direct[idx(box)] = true;
}

void OpenRgbBridge::setZoneLeds(int index, int zone, const std::vector<OpenRgbColour> &colours)
{
    const int box = boxAt(index);
    if (box < 0 || colours.empty())
        return;
    steady(box, zone, colours.front());
    m_direct[idx(box)] = true;
}

void OpenRgbBridge::setSingleLed(int index, int led, OpenRgbColour colour)
{
    setZoneLeds(index, led, {colour});
}

void OpenRgbBridge::setMode(int index, OpenRgbMode mode, OpenRgbColour colour, std::optional<int> brightness)
{
    const int box = boxAt(index);
    if (box < 0)
        return;
    for (int f = 0; f < m_state.box(box).fanCount(); ++f) {
        if (brightness)
            m_ops.setBrightness(kNetwork, box, f, static_cast<float>(*brightness) / 100.0f);
        switch (mode) {
        case OpenRgbMode::Direct: m_ops.setLightingMode(kNetwork, box, f, LedMode::Steady); break;
        case OpenRgbMode::Static: m_ops.setSteadyColour(kNetwork, box, f, fromWire(colour)); break;
        case OpenRgbMode::ColourCycle: m_ops.setLightingMode(kNetwork, box, f, LedMode::Cycle); break;
        case OpenRgbMode::Flashing:
            m_state.box(box).fan(f).colour = fromWire(colour);
            m_ops.setLightingMode(kNetwork, box, f, LedMode::Flash);
            break;
        case OpenRgbMode::Off: m_ops.setLedsOff(kNetwork, box, f, 1); break;
        }
    }
    m_direct[idx(box)] = mode == OpenRgbMode::Direct;
}

void OpenRgbBridge::saveMode(int index)
{
    const int box = boxAt(index);
    if (box >= 0)
        m_link.saveToController(box);
}

QStringList OpenRgbBridge::profileNames() const
{
    QStringList names;
    for (int p = 1; p <= 5; ++p)
        names << QStringLiteral("Profile %1").arg(p);
    return names;
}

void OpenRgbBridge::loadProfile(int n)
{
    // OpenRGB loads a profile onto every device it lists.
    for (int box = 0; box < kBoxCount; ++box) {
        if (!m_state.box(box).isConnected)
            continue;
        if (box == m_state.controllerBoxNumber) {
            m_ops.loadProfile(n + 1);
        } else {
            m_store.loadProfileIni(box, n + 1);
            m_ops.reapplyBox(box);
        }
    }
}

void OpenRgbBridge::saveProfile(int n)
{
    m_state.currentProfile = n + 1;
    m_boxes.saveCurrentProfile();
}
