#include "media/worker_threads_win32.h"

#include <memory>
#include <utility>

namespace pelomar {
namespace {

DWORD WINAPI runWork(LPVOID parameter) {
    const std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    (*work)();
    return 0;
}

// Runs the work on a new thread; should there be none to be had, on this one,
// so that no voice is ever left without its worker.
void startThread(std::function<void()> work) {
    auto owned = std::make_unique<std::function<void()>>(std::move(work));
    const HANDLE thread = CreateThread(nullptr, 0, &runWork, owned.get(), 0, nullptr);
    if (!thread) {
        (*owned)();
        return;
    }
    owned.release();  // the thread owns it now
    CloseHandle(thread);
}

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
    WakeConditionVariable(&wake_);
    if (starter_) {
        WaitForSingleObject(starter_, INFINITE);
        CloseHandle(starter_);
    }
}

bool Win32WorkerThreads::start(std::function<void()> work) {
    {
        SrwGuard guard(lock_);
        if (!starter_) starter_ = CreateThread(nullptr, 0, &runStarter, this, 0, nullptr);
        if (!starter_) return false;
        pending_.push_back(std::move(work));
    }
    WakeConditionVariable(&wake_);
    return true;
}

DWORD WINAPI Win32WorkerThreads::runStarter(LPVOID self) {
    static_cast<Win32WorkerThreads*>(self)->starterLoop();
    return 0;
}

void Win32WorkerThreads::starterLoop() {
    for (;;) {
        std::function<void()> work;
        {
            SrwGuard guard(lock_);
            while (pending_.empty() && !quit_) SleepConditionVariableSRW(&wake_, &lock_, INFINITE, 0);
            if (pending_.empty()) return;  // quit, and nothing left to start
            work = std::move(pending_.front());
            pending_.pop_front();
        }
        startThread(std::move(work));
    }
}

}  // namespace pelomar
