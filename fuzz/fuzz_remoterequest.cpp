// Request lines as senders write them: the server's framing, then RemoteRequests on emulated
// boxes 0, 1 and 3. One input is up to eight connections' bytes in turn, each ending at its line end.

#include "fuzzcommon.h"
#include "app/options.h"
#include "app/remotecontrol.h"
#include "app/remoterequests.h"
#include "device/boxemulator.h"

using Framed = LocalSocketRemoteControl::Framed;

// Every answer is one line: JSON, or a refusal or failure in words.
static void checkAnswer(const QByteArray &a)
{
    if (a.contains('\n') || a.contains('\0') || !(a.startsWith('{') || a.startsWith("error") || a.startsWith("failed: ")))
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BoxEmulator emu;
    emu.setBoxes({0, 1, 3});
    fuzz::Core core(emu, fuzz::start());
    RemoteRequests requests(core.state, core.link, core.store, core.boxes);
    QByteArray rest = fuzz::bytes(data, size);
    for (int n = 0; n < 8; ++n) {
        const Framed framed = LocalSocketRemoteControl::frame(rest);
        if (framed.kind == Framed::Kind::Incomplete)
            break;
        rest = rest.mid(framed.size);
        // A line is taken whole or refused whole.
        RemoteMessage message;
        if (framed.kind == Framed::Kind::Refused)
            checkAnswer(framed.text);
        else if (framed.text.size() > kMaxRequestLength || framed.text.contains('\0'))
            std::abort();
        else if (framed.request)
            requests.answer(framed.text, checkAnswer);
        else
            LocalSocketRemoteControl::parseLine(framed.text, &message);
    }
    return 0;
}
