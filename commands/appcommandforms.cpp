// The mode, music, brightness, speed-level and colour forms of the companion
// app's commands.
#include "commands/appcommandhandler.h"
#include "commands/appcommandtext.h"

#include "core/controllerstate.h"
#include "commands/periodictasks.h"
#include "device/devicelink.h"

using namespace AppCommandText;

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
        ControllerBox &box = m_state.boxArray[idx(j)];
        const size_t f = idx(k);
        switch (mode.unicode()) {
        case '1': {
            // The timer ticks send the colours; nothing is sent here.
            box.LEDModeFan[f] = 0;
            box.isRandomColorFan[f] = !box.isRandomColorFan[f];
            QTimer &timer = m_tasks.randomColorTimer(k);
            if (box.isRandomColorFan[f]) {
                if (!timer.isActive())
                    timer.start(Interval::randomColorMs);
            } else if (timer.isActive()) {
                timer.stop();
            }
            return;
        }
        case '2':
            qCDebug(lcAppCommand).nospace() << "SetLEDmix(" << k << ", " << j << ")";
            box.LEDModeFan[f] = 1;
            box.RColorFan[f] = 255;
            box.GColorFan[f] = 0;
            box.BColorFan[f] = 0;
            stopRandomColor(j, k);
            break;
        case '3':
            // Only the mode: the stored level is what the re-apply sends.
            box.speedModeFan[f] = 2;
            break;
        case '4':
            box.speedModeFan[f] = 1;
            break;
        case '5':
            box.LEDModeFan[f] = box.LEDModeFan[f] == 2 ? 0 : 2;
            stopRandomColor(j, k);
            break;
        case '7':
            box.isTurnOffLedFan[f] = !box.isTurnOffLedFan[f];
            stopRandomColor(j, k);
            break;
        case '8':
            box.LEDModeFan[f] = 0;
            break;
        default:
            return;
        }
        reapplyBox(j);
    });
}

void AppCommandHandler::musicCommand(const QString &cmd)
{
    qCDebug(lcAppCommand) << "MUSIC MODE";
    QTimer &music = m_tasks.musicTimer();
    if (matches(cmd, 3, '@') && matches(cmd, 4, '@')) {
        m_state.volumePercent = 99;
        music.stop();
        return;
    }

    if (!music.isActive())
        music.start(Interval::musicMs);
    for (int b = 0; b < kBoxCount; ++b) {
        ControllerBox &box = m_state.boxArray[idx(b)];
        if (!box.isConnected)
            continue;
        for (int f = 0; f < kFanCount; ++f) {
            if (box.LEDModeFan[idx(f)] == 2)
                box.LEDModeFan[idx(f)] = 0;
        }
        // A flag whose timer another box already stopped stays set.
        for (int f = 0; f < kFanCount; ++f) {
            QTimer &timer = m_tasks.randomColorTimer(f);
            if (box.isRandomColorFan[idx(f)] && timer.isActive()) {
                timer.stop();
                box.isRandomColorFan[idx(f)] = false;
            }
        }
    }

    for (int i = 0; 5 * (i + 1) <= cmd.size(); ++i) {
        const int at = 5 * i;
        if (!matches(cmd, at + 1, '6'))
            break;
        if (matches(cmd, at + 3, '@') && matches(cmd, at + 4, '@')) {
            m_state.volumePercent = 99;
            music.stop();
            continue;
        }
        m_state.volumePercent = qBound(0, 10 * digitAt(cmd, at + 3) + digitAt(cmd, at + 4), 100);
        qCDebug(lcAppCommand).nospace() << "socket_volumePercent_" << i << ":" << m_state.volumePercent;
    }
}

void AppCommandHandler::brightnessCommand(const QString &cmd)
{
    qCDebug(lcAppCommand) << "Box_buff::" << cmd.mid(kLevelFlagsStart, kBoxCount);
    m_tasks.musicTimer().stop();
    const int value = 10 * digitAt(cmd, 4) + digitAt(cmd, 5);
    forEachSelected(cmd, charAt(cmd, 2), kLevelFlagsStart, kLevelFlagsEnd, [&](int j, int k) {
        qCDebug(lcAppCommand) << "brightInt:" << value;
        m_state.boxArray[idx(j)].brightFan[idx(k)] = static_cast<float>(value * 0.01);
        reapplyBox(j);
    });
}

void AppCommandHandler::speedCommand(const QString &cmd)
{
    qCDebug(lcAppCommand) << "Box_buff::" << cmd.mid(kLevelFlagsStart, kBoxCount);
    const int level = digitAt(cmd, 5);
    if (level > 5) {
        // Levels run 0..5; anything above would report 0 % and stop the fan.
        qCWarning(lcAppCommand) << "appModeStr: speed level above 5 refused:" << cmd;
        return;
    }
    m_tasks.musicTimer().stop();
    forEachSelected(cmd, charAt(cmd, 2), kLevelFlagsStart, kLevelFlagsEnd, [&](int j, int k) {
        ControllerBox &box = m_state.boxArray[idx(j)];
        box.speedFan[idx(k)] = level;
        box.speedModeFan[idx(k)] = speedModeForLevel(level);
        reapplyBox(j);
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
    if (red < 0 || green < 0 || blue < 0) {
        // Only upper-case hexadecimal pairs give a colour of 0..255.
        qCWarning(lcAppCommand) << "appModeStr: colour is not upper-case hexadecimal:" << cmd.mid(12, 8);
        return;
    }
    qCDebug(lcAppCommand) << "Box_buff::" << cmd.mid(kColourFlagsStart, kBoxCount);
    forEachSelected(cmd, charAt(cmd, 7), kColourFlagsStart, kColourFlagsEnd, [&](int j, int k) {
        ControllerBox &box = m_state.boxArray[idx(j)];
        box.RColorFan[idx(k)] = red;
        box.GColorFan[idx(k)] = green;
        box.BColorFan[idx(k)] = blue;
        stopRandomColor(j, k);
        box.isTurnOffLedFan[idx(k)] = false;
        reapplyBox(j);
    });
}
