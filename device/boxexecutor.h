#pragma once

#include <QObject>

#include <array>
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
    // Returns once every job posted so far has run. For tests and shutdown.
    virtual void drain() = 0;
};

// Runs each job at once on the caller's thread: the program's old timing,
// and fully deterministic for tests.
class InlineExecutor final : public BoxExecutor {
public:
    void post(int, Job job, int) override { job(); }
    void deliver(Job result) override { result(); }
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
    ThreadedExecutor();
    // Runs what is still queued (a save must not be lost), then stops the workers.
    ~ThreadedExecutor() override;

    void post(int box, Job job, int key = kKeep) override;
    void deliver(Job result) override;
    void drain() override;
    // Jobs replaced before they ran, over all boxes.
    long replacedJobs() const;

private:
    struct Entry {
        int key;
        Job job;
    };
    struct Worker {
        std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable idle;
        std::deque<Entry> queue;
        bool busy = false;
        bool stopping = false;
        long replaced = 0;
        std::thread thread;
    };
    static void run(Worker &w);
    Worker &workerFor(int box);

    void runResults();

    std::mutex m_resultMutex;
    std::deque<Job> m_results;
    // Destroyed after the workers stop; a wake still queued then is dropped.
    ResultRelay m_relay{[this] { runResults(); }};
    std::mutex m_startMutex;
    std::array<std::unique_ptr<Worker>, kBoxCount> m_workers;
};
