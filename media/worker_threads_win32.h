// The sound workers' threads. Every voice runs on a thread of its own while it
// plays. Making a thread costs close to a millisecond under Wine, so threads
// are made by a starter thread rather than by the caller, and a thread whose
// voice has ended waits for the next one instead of ending, up to
// kParkedThreads of them: a sound started after another has ended starts on a
// thread that is already there, woken in microseconds.
// (std::thread::detach is not used: with the MinGW-w64 winpthreads we build
// with, detaching a thread that is already ending can corrupt the heap.)
#pragma once

#include <windows.h>

#include <deque>

#include "media/sound_player.h"

namespace pelomar {

class Win32WorkerThreads final : public WorkerThreads {
public:
    static constexpr int kParkedThreads = 2;

    Win32WorkerThreads() = default;
    // Lets every thread finish the work it has or that is queued, then waits
    // for all of them to end.
    ~Win32WorkerThreads() override;
    Win32WorkerThreads(const Win32WorkerThreads&) = delete;
    Win32WorkerThreads& operator=(const Win32WorkerThreads&) = delete;

    bool start(std::function<void()> work) override;

    // Threads that exist now, busy or waiting for work (the starter not counted).
    int threads() const;

private:
    static DWORD WINAPI runStarter(LPVOID self);
    static DWORD WINAPI runWorker(LPVOID self);
    void starterLoop();
    void workerLoop();

    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE starterWake_ = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE workReady_ = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE threadEnded_ = CONDITION_VARIABLE_INIT;
    std::deque<std::function<void()>> pending_;
    int waiting_ = 0;   // threads asleep on workReady_
    int threads_ = 0;   // worker threads that have not ended
    int toMake_ = 0;    // threads the starter is asked to make
    bool quit_ = false;
    HANDLE starter_ = nullptr;  // made on first use
};

}  // namespace pelomar
