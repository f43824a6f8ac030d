// The sound workers' clock and each voice's lock and wake-up on Win32: a
// critical section and an auto-reset event, the only kinds of object the
// wave-output callback may touch, and GetTickCount64 for the silence limit.
#include <windows.h>

#include <algorithm>

#include "media/sound_voice.h"

namespace pelomar {
namespace {

class Win32VoiceSync final : public VoiceSync {
public:
    explicit Win32VoiceSync(HANDLE event) : event_(event) { InitializeCriticalSection(&lock_); }
    ~Win32VoiceSync() override {
        DeleteCriticalSection(&lock_);
        CloseHandle(event_);
    }
    Win32VoiceSync(const Win32VoiceSync&) = delete;
    Win32VoiceSync& operator=(const Win32VoiceSync&) = delete;

    void lock() override { EnterCriticalSection(&lock_); }
    void unlock() override { LeaveCriticalSection(&lock_); }
    void wake() override { SetEvent(event_); }
    void waitUntil(std::int64_t deadlineMs) override {
        const std::int64_t left = deadlineMs - static_cast<std::int64_t>(GetTickCount64());
        if (left > 0) WaitForSingleObject(event_, static_cast<DWORD>(std::min<std::int64_t>(left, INFINITE - 1)));
    }

private:
    CRITICAL_SECTION lock_;
    HANDLE event_;
};

}  // namespace

std::int64_t SystemClock::nowMs() { return static_cast<std::int64_t>(GetTickCount64()); }

std::unique_ptr<VoiceSync> SystemClock::makeSync() {
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event) return nullptr;
    try {
        return std::make_unique<Win32VoiceSync>(event);
    } catch (...) {
        CloseHandle(event);
        throw;
    }
}

}  // namespace pelomar
