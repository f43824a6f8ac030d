// The sound workers' clock and each voice's lock and wake-up on Win32: a
// critical section and an auto-reset event, the only kinds of object the
// wave-output callback may touch, and GetTickCount64 for the silence limit.
//
// Making an event is a round trip to the kernel (to the wine server under
// Wine; its cost is in bench/README.md), so a voice's event is made on its
// first wait, once its first blocks are queued, not before.
#include <windows.h>

#include <algorithm>
#include <atomic>

#include "media/sound_voice.h"

namespace pelomar {
namespace {

class Win32VoiceSync final : public VoiceSync {
public:
    Win32VoiceSync() { InitializeCriticalSectionEx(&lock_, 0, CRITICAL_SECTION_NO_DEBUG_INFO); }
    ~Win32VoiceSync() override {
        DeleteCriticalSection(&lock_);
        if (const HANDLE event = event_.load()) CloseHandle(event);
    }
    Win32VoiceSync(const Win32VoiceSync&) = delete;
    Win32VoiceSync& operator=(const Win32VoiceSync&) = delete;

    void lock() override { EnterCriticalSection(&lock_); }
    void unlock() override { LeaveCriticalSection(&lock_); }
    // Before the event exists nobody waits: the worker looks again once it has
    // made it.
    void wake() override {
        if (const HANDLE event = event_.load()) SetEvent(event);
    }
    void waitUntil(std::int64_t deadlineMs) override {
        const std::int64_t left = deadlineMs - static_cast<std::int64_t>(GetTickCount64());
        if (left <= 0) return;
        const HANDLE event = event_.load();
        if (event) {
            WaitForSingleObject(event, static_cast<DWORD>(std::min<std::int64_t>(left, INFINITE - 1)));
            return;
        }
        // A wake-up given until now was not kept: return for the caller to
        // look again. Without an event, a short sleep takes the wait's place.
        if (const HANDLE made = CreateEventW(nullptr, FALSE, FALSE, nullptr))
            event_.store(made);
        else
            Sleep(static_cast<DWORD>(std::min<std::int64_t>(left, 10)));
    }

private:
    CRITICAL_SECTION lock_;
    std::atomic<HANDLE> event_{nullptr};  // made by the worker, set by the callback and stop requests
};

}  // namespace

std::int64_t SystemClock::nowMs() { return static_cast<std::int64_t>(GetTickCount64()); }

std::unique_ptr<VoiceSync> SystemClock::makeSync() { return std::make_unique<Win32VoiceSync>(); }

}  // namespace pelomar
