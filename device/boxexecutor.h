#pragma once

#include <QObject>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/controllerstate.h"

// Where the exchanges with a box run. Each box's jobs run one after another in
// the order posted; jobs of different boxes are independent. A job's results
// reach the state model only through deliver(), which runs them on the thread
// that owns the state (the GUI thread), so the model needs no locks.
class BoxExecutor {
public:
    using Job = std::function<void()>;
    // Jobs posted with this key are never replaced.
    static constexpr int kKeep = -1;

    virtual ~BoxExecutor() = default;
    // Queues job for box. A job with a key replaces a job of the same box and
    // key that is still waiting behind the last kept job: the old one leaves
    // the queue and the new one goes to its end, so the box sees the last
    // settings in the order they were last changed. A save or a read already
    // queued still sees what came before it.
    virtual void post(int box, Job job, int key = kKeep) = 0;
    // Runs result on the thread that made the executor (the state's thread).
    virtual void deliver(Job result) = 0;
    // deliver() for jobs to carry: it stays safe to call after the executor
    // is gone (the result is then dropped).
    virtual std::function<void(Job)> deliverer() { return [this](Job result) { deliver(std::move(result)); }; }
    // Returns once every job posted so far has run. For tests and shutdown.
    virtual void drain() = 0;
    // The program's end: runs what is queued, within a few seconds whatever the
    // boxes do, then the results that came back, here; later jobs are dropped.
    virtual void shutDown() {}
};

// Runs each job at once on the caller's thread: the program's old timing,
// and fully deterministic for tests.
class InlineExecutor final : public BoxExecutor {
public:
    void post(int, Job job, int) override { job(); }
    void deliver(Job result) override { result(); }
    std::function<void(Job)> deliverer() override { return [](Job result) { result(); }; }
    void drain() override {}
};

// Wakes the state's thread to fetch results. The results themselves wait in a
// queue of ours under our lock; the queued call carries nothing, so every
// hand-over is visible to ThreadSanitizer, which cannot see Qt's own locks.
class ResultRelay : public QObject {
    Q_OBJECT
public:
    explicit ResultRelay(std::function<void()> fetch) : m_fetch(std::move(fetch)) {}
public Q_SLOTS:
    void fetch() { m_fetch(); }

private:
    std::function<void()> m_fetch;
};

// One worker thread per box, started when the box gets its first job. Idle
// workers sleep on a condition variable.
class ThreadedExecutor final : public BoxExecutor {
public:
    // At the end, what is queued runs for this long; the rest is dropped.
    static constexpr int kStopRunMs = 2000;
    // A worker still in an exchange this much later is left behind.
    static constexpr int kStopGraceMs = 1000;

    ThreadedExecutor();
    // Stops the workers as shutDown does, but drops the results.
    ~ThreadedExecutor() override;

    void post(int box, Job job, int key = kKeep) override;
    void deliver(Job result) override;
    std::function<void(Job)> deliverer() override;
    void drain() override;
    void shutDown() override;
    // Workers left behind in an exchange, over every executor. Their device
    // handle may still be in use: the process must then end without
    // releasing what they hold (see main).
    static int workersLeftBehind();

private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        int key;
        Job job;
    };
    // Shared with the worker's thread, which may outlive the executor.
    struct Worker {
        std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable idle;
        std::deque<Entry> queue;
        bool busy = false;
        bool stopping = false;
        Clock::time_point stopBy;  // from then on, queued jobs are dropped
        bool ended = false;
        size_t dropped = 0;
        std::thread thread;
    };
    // Where results wait for the state's thread; a worker left behind may
    // still deliver after the executor is gone, and its results are dropped.
    struct Results {
        std::mutex mutex;
        std::deque<Job> queue;
        QObject *relay = nullptr;  // null once closed
    };
    static void run(Worker &w);
    static void push(Results &results, Job result);
    Worker &workerFor(int box);
    void stopWorkers();
    void runResults();

    std::shared_ptr<Results> m_results = std::make_shared<Results>();
    ResultRelay m_relay{[this] { runResults(); }};
    std::mutex m_startMutex;
    bool m_stopped = false;
    std::array<std::shared_ptr<Worker>, kBoxCount> m_workers;
};
