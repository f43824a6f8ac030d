// What the Windows benchmarks share: the clock, summaries and verdicts, the
// stamped messages that measure how long the user-interface thread was kept
// from its messages, the committed memory, and a stream that notes when it
// queues its first block.
#pragma once

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "media/sound_voice.h"

namespace bench {

inline double gTicksPerMs = 1.0;

inline void startClock() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    gTicksPerMs = static_cast<double>(f.QuadPart) / 1000.0;
}

inline long long now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

inline double ms(long long ticks) { return static_cast<double>(ticks) / gTicksPerMs; }

struct Summary {
    double median, p90, worst;
};

inline Summary summarise(std::vector<double> v) {
    if (v.empty()) return {0, 0, 0};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 9 / 10], v.back()};
}

inline void print(const char* what, const Summary& s) {
    std::printf("%-44s median %7.3f ms   p90 %7.3f ms   worst %7.3f ms\n", what, s.median, s.p90, s.worst);
}

inline void verdict(const char* goal, bool met, const std::string& figure) {
    std::printf("goal: %-62s %-8s %s\n", goal, met ? "met" : "NOT MET", figure.c_str());
}

// A second thread posts a stamped WM_APP to a window of stampProc every
// 2 ms while gStamping is set; each one's wait for dispatch goes to gDelays.
inline constexpr int kStamps = 1 << 14;
inline long long gPosted[kStamps];
inline std::vector<double> gDelays;
inline std::atomic<bool> gStamping{false};

inline LRESULT CALLBACK stampProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
        gDelays.push_back(ms(now() - gPosted[wParam % kStamps]));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

inline DWORD WINAPI stamper(void* target) {
    const HWND hwnd = static_cast<HWND>(target);
    for (WPARAM n = 0; gStamping.load(); ++n) {
        gPosted[n % kStamps] = now();
        PostMessageW(hwnd, WM_APP, n, 0);
        Sleep(2);
    }
    return 0;
}

inline std::size_t committedBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;  // Wine's PrivateUsage is always 0
}

// A real stream, noting when it queues its first block.
inline std::atomic<long long> gFirstBlockQueued{0};

class TimedStream final : public pelomar::WaveStream {
public:
    explicit TimedStream(std::unique_ptr<pelomar::WaveStream> inner) : inner_(std::move(inner)) {}
    bool queueBlock(int index, const unsigned char* bytes, std::size_t size) override {
        const bool queued = inner_->queueBlock(index, bytes, size);
        if (!first_) {
            first_ = true;
            gFirstBlockQueued.store(now());
        }
        return queued;
    }
    void releaseBlock(int index) override { inner_->releaseBlock(index); }
    void breakOff() override { inner_->breakOff(); }

private:
    std::unique_ptr<pelomar::WaveStream> inner_;
    bool first_ = false;
};

}  // namespace bench
