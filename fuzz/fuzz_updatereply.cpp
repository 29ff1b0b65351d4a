// Replies of the update service, handed to the checker's reply handling as a
// finished network reply read from memory. First input byte: bit 0 = the reply
// failed, bit 1 = an "001" hand-over already happened in this run; the rest is
// the body.

#include "fuzzcommon.h"

#include "update/autoupdate.h"
#include "update/updaterlauncher.h"

#include <QNetworkReply>

#include <algorithm>
#include <cstring>

namespace {

struct MemoryReply : QNetworkReply {
    MemoryReply(const QByteArray &body, bool failed) : m_body(body)
    {
        setOperation(QNetworkAccessManager::PostOperation);
        setUrl(QUrl(QStringLiteral("http://127.0.0.1:9/download/getVersionV1")));
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, failed ? 500 : 200);
        if (failed)
            setError(QNetworkReply::InternalServerError, QStringLiteral("Internal Server Error"));
        open(QIODevice::ReadOnly);
        setFinished(true);
    }
    void abort() override {}
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_body.size() - m_pos + QIODevice::bytesAvailable(); }

    qint64 readData(char *out, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, m_body.size() - m_pos);
        if (n <= 0)
            return -1;
        std::memcpy(out, m_body.constData() + m_pos, static_cast<size_t>(n));
        m_pos += n;
        return n;
    }
    QByteArray m_body;
    qint64 m_pos = 0;
};

struct CountingLauncher : UpdaterLauncher {
    int launches = 0;
    bool launch(const QString &) override { return ++launches, true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString dir = fuzz::start();
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    const QByteArray body = fuzz::bytes(data + 1, size - 1);

    ControllerState state;
    CountingLauncher launcher;
    {
        // Loopback discard port: a follow-up request the reply asks for is
        // never answered and goes with the checker.
        AutoUpdate update(dir, QStringLiteral("http://127.0.0.1:9"), launcher, state);
        update.setTransferTimeout(1);
        if (flags & 2) {
            const QByteArray handOver =
                R"({"Data":{"Result_Code":"001","version":"V9.9.9","url":"http://127.0.0.1:9/u.exe"}})";
            update.finishedSlot(new MemoryReply(handOver, false));
        }
        update.finishedSlot(new MemoryReply(body, flags & 1));
        // A second handling of the same kind of reply must not start a second updater.
        update.finishedSlot(new MemoryReply(body, flags & 1));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (launcher.launches > 1)
        abort();
    return 0;
}
