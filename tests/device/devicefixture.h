#pragma once

#include "core/controllerstate.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"

#include <QFile>
#include <QStringList>

#include <memory>
#include <vector>

// A link to emulated boxes, connected and with the probe reports forgotten.
struct DeviceFixture {
    ControllerState state;
    BoxEmulator emulator;
    DeviceLink link{state, emulator};

    explicit DeviceFixture(const QList<int> &boxes = {0, 2})
    {
        emulator.setBoxes(boxes);
        link.connectAllBoxes();
        emulator.clearSentReports();
    }
    ControllerBox &box(int b) { return state.boxArray[static_cast<size_t>(b)]; }
    QStringList sent() const { return emulator.traceLines(); }
    FanStatus status(int b, int f) { return parse(link.readFanStatus(b, f)); }
    static FanStatus parse(const FanStatusReply &r) { return DeviceLink::parseFanStatus(r.data.data(), r.length); }
};

inline std::unique_ptr<HidDevice> openBox(BoxEmulator &emu, int box)
{
    return emu.open(kControllerVendorId, productIdForBox(box));
}

// Writes report ID 0 and the command, padded to 65 bytes.
inline int send(HidDevice &dev, std::initializer_list<std::uint8_t> command, std::uint8_t reportId = 0)
{
    std::vector<std::uint8_t> r(65, 0);
    r[0] = reportId;
    std::copy(command.begin(), command.end(), r.begin() + 1);
    return dev.write(r.data(), r.size());
}

inline bool writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

inline QString readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}
