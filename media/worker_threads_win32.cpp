#include "media/worker_threads_win32.h"

#include <utility>

namespace pelomar {
namespace {

class SrwGuard {
public:
    explicit SrwGuard(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~SrwGuard() { ReleaseSRWLockExclusive(&lock_); }
    SrwGuard(const SrwGuard&) = delete;
    SrwGuard& operator=(const SrwGuard&) = delete;

private:
    SRWLOCK& lock_;
};

}  // namespace

Win32WorkerThreads::~Win32WorkerThreads() {
    {
        SrwGuard guard(lock_);
        quit_ = true;
    }
    WakeAllConditionVariable(&starterWake_);
    WakeAllConditionVariable(&workReady_);
    if (starter_) {
        WaitForSingleObject(starter_, INFINITE);
        CloseHandle(starter_);
    }
    // The workers touch this object until they end.
    SrwGuard guard(lock_);
    while (threads_ > 0) SleepConditionVariableSRW(&threadEnded_, &lock_, INFINITE, 0);
}

bool Win32WorkerThreads::start(std::function<void()> work) {
    bool make = false;
    {
        SrwGuard guard(lock_);
        if (!starter_) starter_ = CreateThread(nullptr, 0, &runStarter, this, 0, nullptr);
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
        WakeConditionVariable(&starterWake_);
    else
        WakeConditionVariable(&workReady_);
    return true;
}

int Win32WorkerThreads::threads() const {
    SrwGuard guard(lock_);
    return threads_;
}

DWORD WINAPI Win32WorkerThreads::runStarter(LPVOID self) {
    static_cast<Win32WorkerThreads*>(self)->starterLoop();
    return 0;
}

DWORD WINAPI Win32WorkerThreads::runWorker(LPVOID self) {
    static_cast<Win32WorkerThreads*>(self)->workerLoop();
    return 0;
}

void Win32WorkerThreads::starterLoop() {
    for (;;) {
        {
            SrwGuard guard(lock_);
            while (toMake_ == 0 && !quit_) SleepConditionVariableSRW(&starterWake_, &lock_, INFINITE, 0);
            if (toMake_ == 0) return;  // quit, and nothing left to make
            --toMake_;
            ++threads_;
        }
        const HANDLE thread = CreateThread(nullptr, 0, &runWorker, this, 0, nullptr);
        if (thread) {
            CloseHandle(thread);
            continue;
        }
        // No thread to be had: the starter does the work itself, so that no
        // voice is ever left without its worker.
        std::function<void()> work;
        {
            SrwGuard guard(lock_);
            --threads_;
            if (pending_.empty()) continue;
            work = std::move(pending_.front());
            pending_.pop_front();
        }
        work();
    }
}

void Win32WorkerThreads::workerLoop() {
    for (;;) {
        std::function<void()> work;
        {
            SrwGuard guard(lock_);
            while (pending_.empty() && !quit_ && waiting_ < kParkedThreads) {
                ++waiting_;
                SleepConditionVariableSRW(&workReady_, &lock_, INFINITE, 0);
                --waiting_;
            }
            if (pending_.empty()) {
                // Enough threads are waiting already, or the program is ending.
                --threads_;
                WakeAllConditionVariable(&threadEnded_);
                return;
            }
            work = std::move(pending_.front());
            pending_.pop_front();
        }
        work();
    }
}

}  // namespace pelomar
