// Answers after the work: each box that got an exchange also gets a check-in
// job behind it, which reports whether the box answered them all.
#include "device/devicelink.h"

#include "device/boxexecutor.h"
#include "device/exchangewatch.h"

#include <QObject>
#include <QTimer>

#include <algorithm>

namespace {

// The state's thread's side of one wait.
struct PendingAnswer {
    std::array<bool, kBoxCount> waiting{};
    QList<int> silent;
    DeviceLink::Settled done;

    void checkIn(int box, bool answered)
    {
        if (!done)
            return;  // the wait ran out before
        waiting[idx(box)] = false;
        if (!answered)
            silent.append(box);
        if (std::none_of(waiting.begin(), waiting.end(), [](bool w) { return w; }))
            finish();
    }
    // Boxes still waited for count as not answering.
    void finish()
    {
        if (!done)
            return;
        for (int b = 0; b < kBoxCount; ++b) {
            if (waiting[idx(b)])
                silent.append(b);
        }
        std::sort(silent.begin(), silent.end());
        const DeviceLink::Settled call = std::move(done);
        done = nullptr;
        call(silent);
    }
};

} // namespace

void DeviceLink::afterExchanges(const std::function<void()> &work, Settled done, int waitMs)
{
    auto watch = std::make_shared<ExchangeWatch>();
    const std::shared_ptr<ExchangeWatch> outer = std::exchange(m_watch, watch);
    work();
    m_watch = outer;

    auto pending = std::make_shared<PendingAnswer>();
    pending->done = std::move(done);
    for (int b = 0; b < kBoxCount; ++b) {
        if (watch->unsent[idx(b)])
            pending->silent.append(b);
        pending->waiting[idx(b)] = watch->queued[idx(b)];
    }
    const auto deliver = m_executor->deliverer();
    for (int b = 0; b < kBoxCount; ++b) {
        if (!watch->queued[idx(b)])
            continue;
        m_executor->post(b, [watch, b, deliver, pending] {
            const bool answered = watch->missed[idx(b)] == 0;
            deliver([pending, b, answered] { pending->checkIn(b, answered); });
        });
    }
    if (std::none_of(pending->waiting.begin(), pending->waiting.end(), [](bool w) { return w; }))
        pending->finish();
    else
        QTimer::singleShot(waitMs, m_timers.get(), [pending] { pending->finish(); });
}
