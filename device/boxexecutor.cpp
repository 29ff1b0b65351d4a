#include "device/boxexecutor.h"

#include "device/devicelog.h"

#include <QMetaObject>

#include <iterator>

namespace {
std::atomic<int> g_leftBehind{0};
}

ThreadedExecutor::ThreadedExecutor()
{
    m_results->relay = &m_relay;
}

ThreadedExecutor::~ThreadedExecutor()
{
    stopWorkers();
    std::deque<Job> dropped;
    std::lock_guard<std::mutex> lock(m_results->mutex);
    m_results->relay = nullptr;
    dropped.swap(m_results->queue);
}

int ThreadedExecutor::workersLeftBehind()
{
    return g_leftBehind.load();
}

ThreadedExecutor::Worker &ThreadedExecutor::workerFor(int box)
{
    std::lock_guard<std::mutex> lock(m_startMutex);
    std::shared_ptr<Worker> &w = m_workers[idx(box)];
    if (!w) {
        w = std::make_shared<Worker>();
        // After the end nothing is started: what is posted then never runs.
        if (m_stopped)
            w->ended = true;
        else
            w->thread = std::thread([worker = w] { run(*worker); });
    }
    return *w;
}

void ThreadedExecutor::stopWorkers()
{
    std::array<std::shared_ptr<Worker>, kBoxCount> workers;
    {
        std::lock_guard<std::mutex> lock(m_startMutex);
        if (m_stopped)
            return;
        m_stopped = true;
        workers = m_workers;
    }
    // Every box finishes its queue at the same time, so the bound holds for all of them together.
    const Clock::time_point runUntil = Clock::now() + std::chrono::milliseconds(kStopRunMs);
    const Clock::time_point giveUpAt = runUntil + std::chrono::milliseconds(kStopGraceMs);
    for (const auto &w : workers) {
        if (!w)
            continue;
        {
            std::lock_guard<std::mutex> lock(w->mutex);
            w->stopping = true;
            w->stopBy = runUntil;
        }
        w->wake.notify_one();
    }
    for (int b = 0; b < kBoxCount; ++b) {
        Worker *w = workers[idx(b)].get();
        if (!w || !w->thread.joinable())
            continue;
        std::unique_lock<std::mutex> lock(w->mutex);
        const bool ended = w->idle.wait_until(lock, giveUpAt, [w] { return w->ended; });
        const size_t dropped = w->dropped;
        lock.unlock();
        if (!ended) {
            // A write can block for the kernel's USB timeout. The thread keeps
            // what its job holds alive; its results are dropped.
            qCWarning(lcDevice) << "box" << b << "is still in an exchange at the end; not waiting for it";
            w->thread.detach();
            ++g_leftBehind;
            continue;
        }
        if (dropped > 0)
            qCWarning(lcDevice) << "box" << b << "was too slow: exchanges not sent at the end:" << dropped;
        w->thread.join();
    }
}

void ThreadedExecutor::shutDown()
{
    stopWorkers();
    runResults();  // what came back still reaches whoever waits for it (a sender)
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
        if (w.queue.empty() || (w.stopping && Clock::now() >= w.stopBy))
            break;
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
    std::deque<Entry> left;
    left.swap(w.queue);
    w.dropped = left.size();
    w.ended = true;
    lock.unlock();
    left.clear();
    w.idle.notify_all();
}

void ThreadedExecutor::push(Results &results, Job result)
{
    std::lock_guard<std::mutex> lock(results.mutex);
    if (!results.relay)
        return;  // the executor is gone
    const bool wake = results.queue.empty();
    results.queue.push_back(std::move(result));
    // One wake per batch: a busy poll must not flood the event queue. Under
    // the lock, so the relay cannot go meanwhile.
    if (wake)
        QMetaObject::invokeMethod(results.relay, "fetch", Qt::QueuedConnection);
}

void ThreadedExecutor::deliver(Job result)
{
    push(*m_results, std::move(result));
}

std::function<void(BoxExecutor::Job)> ThreadedExecutor::deliverer()
{
    return [results = m_results](Job result) { push(*results, std::move(result)); };
}

void ThreadedExecutor::runResults()
{
    std::deque<Job> batch;
    {
        std::lock_guard<std::mutex> lock(m_results->mutex);
        batch.swap(m_results->queue);
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
        w->idle.wait(lock, [w] { return (w->queue.empty() && !w->busy) || w->ended; });
    }
}
