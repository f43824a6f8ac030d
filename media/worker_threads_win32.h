// The sound workers' threads on Win32: the pool's lock and wake-ups are an SRW
// lock and condition variables (a waiting thread is woken in microseconds),
// its threads are made with CreateThread.
// (std::thread::detach is not used: with the MinGW-w64 winpthreads we build
// with, detaching a thread that is already ending can corrupt the heap.)
#pragma once

#include <windows.h>

#include "media/sound_player.h"
#include "media/worker_pool.h"

namespace pelomar {

class Win32WorkerThreads final : public WorkerThreads, private WorkerPlatform {
public:
    static constexpr int kParkedThreads = 2;

    Win32WorkerThreads() = default;
    // Lets every thread finish the work it has or that is queued, then waits
    // for all of them to end.
    ~Win32WorkerThreads() override;
    Win32WorkerThreads(const Win32WorkerThreads&) = delete;
    Win32WorkerThreads& operator=(const Win32WorkerThreads&) = delete;

    bool start(std::function<void()> work) override { return pool_.start(std::move(work)); }

    // Threads that exist now, busy or waiting for work (the starter not
    // counted). For the tests.
    int threads() const { return pool_.threads(); }

private:
    void lock() override { AcquireSRWLockExclusive(&lock_); }
    void unlock() override { ReleaseSRWLockExclusive(&lock_); }
    void wait(Signal signal) override { SleepConditionVariableSRW(variable(signal), &lock_, INFINITE, 0); }
    void wakeOne(Signal signal) override { WakeConditionVariable(variable(signal)); }
    void wakeAll(Signal signal) override { WakeAllConditionVariable(variable(signal)); }
    bool startStarter() override;
    bool startWorker() override;
    static DWORD WINAPI runStarter(LPVOID self);
    static DWORD WINAPI runWorker(LPVOID self);

    CONDITION_VARIABLE* variable(Signal signal) { return &variables_[static_cast<int>(signal)]; }

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE variables_[3] = {CONDITION_VARIABLE_INIT, CONDITION_VARIABLE_INIT, CONDITION_VARIABLE_INIT};
    HANDLE starter_ = nullptr;  // made on first use
    WorkerPool pool_{*this, kParkedThreads};
};

}  // namespace pelomar
