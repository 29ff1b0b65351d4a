#include "device/boxexecutor.h"

#include "device/devicelog.h"

#include <QMetaObject>

#include <iterator>

ThreadedExecutor::ThreadedExecutor() = default;

ThreadedExecutor::~ThreadedExecutor()
{
    for (auto &w : m_workers) {
        if (!w)
            continue;
        {
            std::lock_guard<std::mutex> lock(w->mutex);
            w->stopping = true;
        }
        w->wake.notify_one();
        w->thread.join();
    }
}

ThreadedExecutor::Worker &ThreadedExecutor::workerFor(int box)
{
    std::lock_guard<std::mutex> lock(m_startMutex);
    std::unique_ptr<Worker> &w = m_workers[idx(box)];
    if (!w) {
        w = std::make_unique<Worker>();
        Worker *raw = w.get();
        raw->thread = std::thread([raw] { run(*raw); });
    }
    return *w;
}

void ThreadedExecutor::post(int box, Job job, int key)
{
    if (!isValidBox(box)) {
        qCWarning(lcDevice) << "job for box number out of range dropped:" << box;
        return;
    }
    Worker &w = workerFor(box);
    {
        std::lock_guard<std::mutex> lock(w.mutex);
        // At most one job per key waits behind the last kept job, so the
        // first found is the only one.
        for (auto it = w.queue.rbegin(); key != kKeep && it != w.queue.rend() && it->key != kKeep; ++it) {
            if (it->key == key) {
                w.queue.erase(std::next(it).base());
                ++w.replaced;
                break;
            }
        }
        w.queue.push_back(Entry{key, std::move(job)});
    }
    w.wake.notify_one();
}

void ThreadedExecutor::run(Worker &w)
{
    std::unique_lock<std::mutex> lock(w.mutex);
    for (;;) {
        w.wake.wait(lock, [&w] { return w.stopping || !w.queue.empty(); });
        if (w.queue.empty())
            return;  // stopping, and nothing left to run
        Job job = std::move(w.queue.front().job);
        w.queue.pop_front();
        w.busy = true;
        lock.unlock();
        job();
        job = nullptr;  // release what the job holds (a device handle) off the lock
        lock.lock();
        w.busy = false;
        if (w.queue.empty())
            w.idle.notify_all();
    }
}

void ThreadedExecutor::deliver(Job result)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_resultMutex);
        wake = m_results.empty();
        m_results.push_back(std::move(result));
    }
    // One wake per batch: a busy poll must not flood the event queue.
    if (wake)
        QMetaObject::invokeMethod(&m_relay, "fetch", Qt::QueuedConnection);
}

void ThreadedExecutor::runResults()
{
    std::deque<Job> batch;
    {
        std::lock_guard<std::mutex> lock(m_resultMutex);
        batch.swap(m_results);
    }
    for (Job &result : batch)
        result();
}

void ThreadedExecutor::drain()
{
    for (int b = 0; b < kBoxCount; ++b) {
        Worker *w = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_startMutex);
            w = m_workers[idx(b)].get();
        }
        if (!w)
            continue;
        std::unique_lock<std::mutex> lock(w->mutex);
        w->idle.wait(lock, [w] { return w->queue.empty() && !w->busy; });
    }
}

long ThreadedExecutor::replacedJobs() const
{
    long total = 0;
    for (const auto &w : m_workers) {
        if (w) {
            std::lock_guard<std::mutex> lock(w->mutex);
            total += w->replaced;
        }
    }
    return total;
}
