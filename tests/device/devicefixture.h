#pragma once

#include "app/controllerstate.h"
#include "device/boxemulator.h"
#include "device/devicelink.h"

#include <QStringList>

#include <memory>

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
};

// "0 32 52 01 ..." for the first eight command bytes of a report.
inline QString line(int box, std::initializer_list<std::uint8_t> bytes)
{
    const Report r = DeviceLink::makeCommand(bytes);
    return BoxEmulator::traceLine(box, r.data());
}
