// One read of the companion server: the bytes a client sent, taken from the
// socket (bounded, excess discarded) and decoded to the command text.

#include "fuzz/fuzzcommon.h"

#include "commands/sockethelper.h"

#include <QBuffer>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::app();
    QByteArray input = fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    qint64 discarded = -1;
    const QByteArray bytes = SocketHelper::takeCommandBytes(device, &discarded);
    if (bytes.size() > SocketHelper::kMaxCommandBytes || bytes.size() + discarded != input.size()
        || device.bytesAvailable() != 0)
        std::abort();  // bytes lost or the bound not kept
    const QString text = SocketHelper::decodeString(bytes);
    // The command ends at the first zero byte; nothing after it may leak in.
    if (text.contains(QChar(0)))
        std::abort();
    return 0;
}
