#pragma once

// One field of every fan of a box at once, in fan order, for table rows.

#include "core/controllerstate.h"

#include <initializer_list>
#include <vector>

using Flags = std::vector<bool>;

inline Flags alarms(const ControllerBox &b)
{
    Flags out;
    for (const Fan &f : b.fans)
        out.push_back(f.alarmOn);
    return out;
}

template <class T, class Set>
void eachFan(ControllerBox &b, std::initializer_list<T> values, Set set)
{
    int f = 0;
    for (const T &v : values)
        set(b.fan(f++), v);
}

inline void setAlarms(ControllerBox &b, std::initializer_list<bool> on)
{
    eachFan(b, on, [](Fan &f, bool v) { f.alarmOn = v; });
}
inline void setLevels(ControllerBox &b, std::initializer_list<int> levels)
{
    eachFan(b, levels, [](Fan &f, int v) { f.speedLevel = v; });
}
inline void setCurves(ControllerBox &b, std::initializer_list<bool> on)
{
    eachFan(b, on, [](Fan &f, bool v) { f.source = v ? SpeedSource::following() : SpeedSource::fixed(); });
}
inline void setLedsOff(ControllerBox &b, std::initializer_list<bool> off)
{
    eachFan(b, off, [](Fan &f, bool v) { f.ledsOff = v; });
}
