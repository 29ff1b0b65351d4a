#include "core/controllerstate.h"

#include "core/boxmodel.h"
#include "core/hidtransport.h"

ControllerBox::ControllerBox(int fanPorts) : fans(static_cast<std::size_t>(fanPorts > 0 ? fanPorts : 0)) {}
ControllerBox::~ControllerBox() = default;
ControllerBox::ControllerBox(ControllerBox &&) noexcept = default;
ControllerBox &ControllerBox::operator=(ControllerBox &&) noexcept = default;

ControllerState::ControllerState()
{
    for (int n = 0; n < kBoxCount; ++n)
        boxArray[idx(n)] = ControllerBox(fanPortsOf(n));
}

int speedLevelToPercent(int level)
{
    switch (level) {
    case 0: return 10;
    case 1: return 20;
    case 2: return 40;
    case 3: return 60;
    case 4: return 80;
    case 5: return 100;
    default: return 0;
    }
}

int speedModeForLevel(int level)
{
    if (level == 0)
        return 1;
    if (level == 5)
        return 2;
    return 0;
}

Lighting effectiveLighting(const Fan &fan)
{
    Lighting l;
    if (fan.ledsOff) {
        l.kind = LightingKind::Steady;
        return l;
    }
    l.red = fan.colour.red;
    l.green = fan.colour.green;
    l.blue = fan.colour.blue;
    l.bright = fan.brightness;
    switch (fan.lighting) {
    case LedMode::Steady: l.kind = LightingKind::Steady; break;
    case LedMode::Cycle: l.kind = LightingKind::Cycle; break;
    case LedMode::Flash: l.kind = LightingKind::Flash; break;
    default: l.kind = LightingKind::None; break;
    }
    return l;
}

void copyLighting(const Fan &from, Fan &to)
{
    to.lighting = from.lighting;
    to.ledsOff = from.ledsOff;
    to.colour = from.colour;
    to.brightness = from.brightness;
}

const char *languageCode(int languageIndex)
{
    static const char *const codes[] = {"en", "tc", "cn", "de", "fr", "jp", "th"};
    if (languageIndex < 0 || languageIndex >= 7)
        return nullptr;
    return codes[languageIndex];
}
