// The mode, music, brightness, speed-level and colour forms of the companion
// app's commands.
#include "commands/appcommandhandler.h"
#include "commands/appcommandtext.h"

#include "core/controllerstate.h"
#include "commands/boxselection.h"

using namespace AppCommandText;

namespace {
const EntryRules kPhone = EntryRules::phone();
} // namespace

void AppCommandHandler::modeCommand(const QString &cmd)
{
    const QChar mode = charAt(cmd, 1);
    if (mode == QLatin1Char('6')) {
        musicCommand(cmd);
        return;
    }
    qCDebug(lcAppCommand) << "Box_buff::" << cmd.mid(kModeFlagsStart);
    if (mode == QLatin1Char('2'))
        qCDebug(lcAppCommand) << "appModeStr[1] == '2'";

    forEachSelected(cmd, charAt(cmd, 2), kModeFlagsStart, -1, [&](int j, int k) {
        Fan &fan = m_state.box(j).fan(k);
        switch (mode.unicode()) {
        case '1': {
            // The timer ticks send the colours; nothing is sent here.
            fan.lighting = LedMode::Steady;
            fan.randomColour = !fan.randomColour;
            if (fan.randomColour)
                m_boxes.timers().startRandomColor(k);
            else
                m_boxes.timers().stopRandomColor(k);
            return;
        }
        case '2':
            qCDebug(lcAppCommand).nospace() << "SetLEDmix(" << k << ", " << j << ")";
            stopRandomColor(j, k);
            m_ops.setLightingMode(kPhone, j, k, LedMode::Cycle);
            return;
        case '3':
            // Only the mode: the stored level is what the re-apply sends.
            fan.speedMode = 2;
            break;
        case '4':
            fan.speedMode = 1;
            break;
        case '5':
            stopRandomColor(j, k);
            m_ops.setLightingMode(kPhone, j, k, fan.lighting == LedMode::Flash ? LedMode::Steady : LedMode::Flash);
            return;
        case '7':
            stopRandomColor(j, k);
            m_ops.setLedsOff(kPhone, j, k, fan.ledsOff ? 0 : 1);
            return;
        case '8':
            m_ops.setLightingMode(kPhone, j, k, LedMode::Steady);
            return;
        default:
            return;
        }
        m_ops.reapplyBox(j);
    });
}

void AppCommandHandler::musicCommand(const QString &cmd)
{
    qCDebug(lcAppCommand) << "MUSIC MODE";
    FanTimers &timers = m_boxes.timers();
    if (matches(cmd, 3, '@') && matches(cmd, 4, '@')) {
        m_state.volumePercent = 99;
        timers.stopMusic();
        return;
    }

    timers.startMusic();
    for (int b = 0; b < kBoxCount; ++b) {
        ControllerBox &box = m_state.boxArray[idx(b)];
        if (!box.isConnected)
            continue;
        for (Fan &f : box.fans) {
            if (f.lighting == LedMode::Flash)
                f.lighting = LedMode::Steady;
        }
        // A flag whose timer another box already stopped stays set.
        for (int f = 0; f < box.fanCount(); ++f) {
            if (box.fan(f).randomColour && timers.isRandomColorRunning(f)) {
                timers.stopRandomColor(f);
                box.fan(f).randomColour = false;
            }
        }
    }

    for (int i = 0; 5 * (i + 1) <= cmd.size(); ++i) {
        const int at = 5 * i;
        if (!matches(cmd, at + 1, '6'))
            break;
        if (matches(cmd, at + 3, '@') && matches(cmd, at + 4, '@')) {
            m_state.volumePercent = 99;
            timers.stopMusic();
            continue;
        }
        m_state.volumePercent = qBound(0, 10 * digitAt(cmd, at + 3) + digitAt(cmd, at + 4), 100);
        qCDebug(lcAppCommand).nospace() << "socket_volumePercent_" << i << ":" << m_state.volumePercent;
    }
}

void AppCommandHandler::brightnessCommand(const QString &cmd)
{
    qCDebug(lcAppCommand) << "Box_buff::" << cmd.mid(kLevelFlagsStart, kBoxCount);
    m_boxes.timers().stopMusic();
    const int value = 10 * digitAt(cmd, 4) + digitAt(cmd, 5);
    forEachSelected(cmd, charAt(cmd, 2), kLevelFlagsStart, kLevelFlagsEnd, [&](int j, int k) {
        qCDebug(lcAppCommand) << "brightInt:" << value;
        m_ops.setBrightness(kPhone, j, k, static_cast<float>(value * 0.01));
    });
}

void AppCommandHandler::speedCommand(const QString &cmd)
{
    qCDebug(lcAppCommand) << "Box_buff::" << cmd.mid(kLevelFlagsStart, kBoxCount);
    const int level = digitAt(cmd, 5);
    if (!isValidSpeedLevel(level)) {
        qCWarning(lcAppCommand) << "appModeStr: speed level above 5 refused:" << cmd;
        return;
    }
    m_boxes.timers().stopMusic();
    forEachSelected(cmd, charAt(cmd, 2), kLevelFlagsStart, kLevelFlagsEnd, [&](int j, int k) {
        m_ops.setSpeedLevel(kPhone, j, k, level);
    });
}

void AppCommandHandler::colourCommand(const QString &cmd)
{
    if (cmd.size() < kColourMinLength) {
        qCWarning(lcAppCommand) << "appModeStr: colour command too short:" << cmd;
        return;
    }
    const int red = hexPairAt(cmd, 12);
    const int green = hexPairAt(cmd, 15);
    const int blue = hexPairAt(cmd, 18);
    if (!isValidColour(red) || !isValidColour(green) || !isValidColour(blue)) {
        // Only upper-case hexadecimal pairs give a colour of 0..255.
        qCWarning(lcAppCommand) << "appModeStr: colour is not upper-case hexadecimal:" << cmd.mid(12, 8);
        return;
    }
    qCDebug(lcAppCommand) << "Box_buff::" << cmd.mid(kColourFlagsStart, kBoxCount);
    forEachSelected(cmd, charAt(cmd, 7), kColourFlagsStart, kColourFlagsEnd, [&](int j, int k) {
        stopRandomColor(j, k);
        m_ops.setColour(kPhone, j, k, red, green, blue);
    });
}
