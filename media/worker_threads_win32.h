// The sound workers' threads. Every voice still gets a thread of its own,
// made with CreateThread, but by a starter thread rather than by the caller:
// making a thread costs a few hundred microseconds under Wine, handing work to
// the starter a few. Worker handles are closed at once; nobody waits on a
// worker, which ends when its work returns.
// (std::thread::detach is not used: with the MinGW-w64 winpthreads we build
// with, detaching a thread that is already ending can corrupt the heap.)
#pragma once

#include <windows.h>

#include <deque>

#include "media/sound_player.h"

namespace pelomar {

class Win32WorkerThreads final : public WorkerThreads {
public:
    Win32WorkerThreads() = default;
    // Lets the starter finish what is queued, then waits for it.
    ~Win32WorkerThreads() override;
    Win32WorkerThreads(const Win32WorkerThreads&) = delete;
    Win32WorkerThreads& operator=(const Win32WorkerThreads&) = delete;

    bool start(std::function<void()> work) override;

private:
    static DWORD WINAPI runStarter(LPVOID self);
    void starterLoop();

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE wake_ = CONDITION_VARIABLE_INIT;
    std::deque<std::function<void()>> pending_;
    bool quit_ = false;
    HANDLE starter_ = nullptr;  // made on first use
};

}  // namespace pelomar
