#include "core/controllerstate.h"

#include "core/hidtransport.h"

ControllerBox::ControllerBox() = default;
ControllerBox::~ControllerBox() = default;
ControllerBox::ControllerBox(ControllerBox &&) noexcept = default;
ControllerBox &ControllerBox::operator=(ControllerBox &&) noexcept = default;

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

int pwmSpeedCap(int speedLevel)
{
    return (speedLevel + 5) * 10;
}

Lighting effectiveLighting(const ControllerBox &box, int fan)
{
    const auto f = static_cast<size_t>(fan);
    Lighting l;
    if (box.isTurnOffLedFan[f]) {
        l.kind = LightingKind::Steady;
        return l;
    }
    l.red = box.RColorFan[f];
    l.green = box.GColorFan[f];
    l.blue = box.BColorFan[f];
    l.bright = box.brightFan[f];
    switch (box.LEDModeFan[f]) {
    case LedMode::Steady: l.kind = LightingKind::Steady; break;
    case LedMode::Cycle: l.kind = LightingKind::Cycle; break;
    case LedMode::Flash: l.kind = LightingKind::Flash; break;
    default: l.kind = LightingKind::None; break;
    }
    return l;
}

void copyLighting(ControllerBox &box, int fromFan, int toFan)
{
    const auto from = static_cast<size_t>(fromFan);
    const auto to = static_cast<size_t>(toFan);
    box.LEDModeFan[to] = box.LEDModeFan[from];
    box.isTurnOffLedFan[to] = box.isTurnOffLedFan[from];
    box.RColorFan[to] = box.RColorFan[from];
    box.GColorFan[to] = box.GColorFan[from];
    box.BColorFan[to] = box.BColorFan[from];
    box.brightFan[to] = box.brightFan[from];
}

const char *languageCode(int languageIndex)
{
    static const char *const codes[] = {"en", "tc", "cn", "de", "fr", "jp", "th"};
    if (languageIndex < 0 || languageIndex >= 7)
        return nullptr;
    return codes[languageIndex];
}
