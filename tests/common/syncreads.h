#pragma once

// The device link's reads with the inline executor, which answers before the
// call returns.
#include "device/devicelink.h"

inline FanStatusReply readStatusNow(DeviceLink &link, int box, int fan)
{
    FanStatusReply out;
    link.readFanStatus(box, fan, [&out](const FanStatusReply &r) { out = r; });
    return out;
}

inline QString readFirmwareNow(DeviceLink &link)
{
    QString out;
    link.readFirmwareVersion([&out](const QString &v) { out = v; });
    return out;
}
