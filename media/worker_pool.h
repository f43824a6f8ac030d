// How the sound workers' threads are shared out. Every voice runs on a thread
// of its own while it plays. Making a thread is slow (see bench/README.md),
// so threads are made by a starter thread rather than by the
// caller, and a thread whose work has ended waits for the next piece instead
// of ending, up to `parked` of them: a sound started after another has ended
// starts on a thread that is already there.
//
// The pool only counts and hands out work; the lock, the wake-ups and the
// threads themselves come from a WorkerPlatform.
#pragma once

#include <deque>
#include <functional>

namespace pelomar {

class WorkerPlatform {
public:
    enum class Signal { StarterWake, WorkReady, ThreadEnded };

    virtual ~WorkerPlatform() = default;
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // Called with the lock held; gives it up while asleep and holds it again
    // on return. May return without a wake-up.
    virtual void wait(Signal signal) = 0;
    virtual void wakeOne(Signal signal) = 0;
    virtual void wakeAll(Signal signal) = 0;
    // Start a thread that runs the pool's starterLoop, or a workerLoop. False
    // when no thread could be made. The starter is asked for once, with the
    // lock held.
    virtual bool startStarter() = 0;
    virtual bool startWorker() = 0;
};

class WorkerPool {
public:
    WorkerPool(WorkerPlatform& platform, int parked) : platform_(platform), parked_(parked) {}
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues `work` for a thread. False, with nothing queued, when the pool is
    // ending, or when there is no starter thread and none could be made.
    bool start(std::function<void()> work);

    // The bodies of the starter and worker threads.
    void starterLoop();
    void workerLoop();

    // Ending: after quit, the threads finish the work they have and all work
    // still queued, then end. waitForWorkers returns once every worker thread
    // has left workerLoop; waiting for the starter is the platform's part.
    void quit();
    void waitForWorkers();

    // Worker threads that have not ended, busy or waiting (the starter not
    // counted), and of those the ones waiting for work. For the tests.
    int threads() const;
    int waiting() const;

private:
    class Held;

    WorkerPlatform& platform_;
    const int parked_;
    std::deque<std::function<void()>> pending_;
    int waiting_ = 0;  // threads asleep in workerLoop
    int threads_ = 0;  // worker threads that have not ended
    int toMake_ = 0;   // threads the starter is asked to make
    bool quit_ = false;
    bool starter_ = false;
};

}  // namespace pelomar
