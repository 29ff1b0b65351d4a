// The phone-app server from the bytes a client sent to the command's effect:
// each input line is one server read, taken from the socket (bounded, excess
// discarded), decoded to the command text and handled against a fresh state
// with emulated boxes. The effect timers a command left running then get one
// tick, so state it leaves behind is run through the effects too.

#include "fuzzcommon.h"

#include "commands/appcommandhandler.h"
#include "commands/sockethelper.h"
#include "device/boxemulator.h"

#include <QBuffer>

namespace {
// One read of the server; aborts when bytes are lost or the bound is not kept.
QString takeCommand(QByteArray input)
{
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    qint64 discarded = -1;
    const QByteArray bytes = SocketHelper::takeCommandBytes(device, &discarded);
    if (bytes.size() > SocketHelper::kMaxCommandBytes || bytes.size() + discarded != input.size()
        || device.bytesAvailable() != 0)
        std::abort();
    const QString text = SocketHelper::decodeString(bytes);
    if (text.contains(QChar(0)))  // the command ends at the first zero byte
        std::abort();
    return text;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BoxEmulator emu;
    emu.setBoxes({0, 1, 2, 15});
    emu.setStalledFans({{1, 2}});
    fuzz::Core core(emu, fuzz::start());
    int counter = 0;
    core.timers.setRandomSource([&counter] { return counter++ * 7919; });
    AppCommandHandler handler(core.state, core.link, core.store, core.boxes, [](const QString &) {});

    for (const QByteArray &line : fuzz::lines(data, size)) {
        handler.socketHelperReceiveData(takeCommand(line));
        if (core.timers.musicTimer().isActive())
            core.timers.musicStep();
        if (core.timers.randomColorTimer(1).isActive())
            core.timers.sendRandomColour(1);
    }
    // The poll and the selection refresh read everything the commands stored.
    core.timers.pollRpm();
    core.boxes.resetFanView();
    return 0;
}
