#include "media/worker_pool.h"

#include <utility>

namespace pelomar {

class WorkerPool::Held {
public:
    explicit Held(WorkerPlatform& platform) : platform_(platform) { platform_.lock(); }
    ~Held() { platform_.unlock(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    WorkerPlatform& platform_;
};

bool WorkerPool::start(std::function<void()> work) {
    bool make = false;
    {
        Held held(platform_);
        if (quit_) return false;  // no thread would take it
        if (!starter_) starter_ = platform_.startStarter();
        if (!starter_) return false;
        pending_.push_back(std::move(work));
        // Each waiting thread takes one piece of work; more work than that
        // needs a new thread.
        if (static_cast<int>(pending_.size()) > waiting_ + toMake_) {
            ++toMake_;
            make = true;
        }
    }
    if (make)
        platform_.wakeOne(WorkerPlatform::Signal::StarterWake);
    else
        platform_.wakeOne(WorkerPlatform::Signal::WorkReady);
    return true;
}

void WorkerPool::starterLoop() {
    for (;;) {
        {
            Held held(platform_);
            while (toMake_ == 0 && !quit_) platform_.wait(WorkerPlatform::Signal::StarterWake);
            if (toMake_ == 0) return;  // quitting, and nothing left to make
            --toMake_;
            ++threads_;
        }
        if (platform_.startWorker()) continue;
        // No thread to be had: the starter does the work itself, so that no
        // piece of work is ever left without a thread.
        std::function<void()> work;
        {
            Held held(platform_);
            --threads_;
            if (pending_.empty()) continue;
            work = std::move(pending_.front());
            pending_.pop_front();
        }
        work();
    }
}

void WorkerPool::workerLoop() {
    for (;;) {
        std::function<void()> work;
        {
            Held held(platform_);
            while (pending_.empty() && !quit_ && waiting_ < parked_) {
                ++waiting_;
                platform_.wait(WorkerPlatform::Signal::WorkReady);
                --waiting_;
            }
            if (pending_.empty()) {
                // Enough threads are waiting already, or the pool is ending.
                --threads_;
                platform_.wakeAll(WorkerPlatform::Signal::ThreadEnded);
                return;
            }
            work = std::move(pending_.front());
            pending_.pop_front();
        }
        work();
    }
}

void WorkerPool::quit() {
    {
        Held held(platform_);
        quit_ = true;
    }
    platform_.wakeAll(WorkerPlatform::Signal::StarterWake);
    platform_.wakeAll(WorkerPlatform::Signal::WorkReady);
}

void WorkerPool::waitForWorkers() {
    Held held(platform_);
    while (threads_ > 0) platform_.wait(WorkerPlatform::Signal::ThreadEnded);
}

int WorkerPool::threads() const {
    Held held(platform_);
    return threads_;
}

int WorkerPool::waiting() const {
    Held held(platform_);
    return waiting_;
}

}  // namespace pelomar
