// How long playSymbol keeps the user-interface thread, how long until the
// first block is on the device, against the time to copy the same samples
// once (the floor); and whether memory grows over 10,000 play-and-stop cycles.
//
//   cmake/wine-run.sh build/<dir>/bench/sound_win32_bench.exe [calls] [cycles]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "media/assets.h"
#include "media/sound_player.h"
#include "media/wave_out_win32.h"
#include "media/worker_threads_win32.h"

using namespace pelomar;
using namespace std::chrono_literals;

namespace {

double nowUs() {
    static const double perUs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1e6;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / perUs;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The real device; notes when a stream's first block is queued.
class TimingDevice final : public WaveDevice {
public:
    std::unique_ptr<WaveStream> open(std::span<const unsigned char> format, BlockListener& listener) override {
        auto inner = real_.open(format, listener);
        if (!inner) return nullptr;
        return std::make_unique<Stream>(*this, std::move(inner));
    }
    std::atomic<double> firstBlockUs{0};
    int streamsNotClosed() const { return real_.streamsNotClosed(); }

private:
    struct Stream final : WaveStream {
        Stream(TimingDevice& d, std::unique_ptr<WaveStream> s) : device(d), inner(std::move(s)) {}
        bool queueBlock(int index, const unsigned char* bytes, std::size_t size) override {
            const bool queued = inner->queueBlock(index, bytes, size);
            if (first) device.firstBlockUs = nowUs();
            first = false;
            return queued;
        }
        void releaseBlock(int index) override { inner->releaseBlock(index); }
        void breakOff() override { inner->breakOff(); }
        TimingDevice& device;
        std::unique_ptr<WaveStream> inner;
        bool first = true;
    };
    WaveOutDevice real_;
};

// Committed private memory (Wine leaves PrivateUsage at 0 and reports it as
// the page-file usage).
std::size_t committedBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// The floor: one copy of the samples into fresh memory, as a play call makes.
double copyUs(int n) {
    const AssetView image = soundFor(n);
    const auto wav = walkWavChunks(image.data, image.size);
    const double start = nowUs();
    std::vector<unsigned char> copy(wav->samples.begin(), wav->samples.end());
    const double took = nowUs() - start;
    if (copy.back() != wav->samples.back()) std::abort();
    return took;
}

double worstCall = 0;        // the slowest symbol's median, over the measured symbols
double worstFirstBlock = 0;

void measureCalls(SoundPlayer& player, TimingDevice& device, int n, int calls) {
    std::vector<double> floor, call, firstBlock;
    for (int i = 0; i < calls; ++i) {
        Sleep(10);  // calls as far apart as a quick hand's hovers; the last voice's tail is over
        floor.push_back(copyUs(n));
        device.firstBlockUs = 0;
        const double start = nowUs();
        player.playSymbol(n);
        call.push_back(nowUs() - start);
        for (int spin = 0; device.firstBlockUs == 0 && spin < 1000000; ++spin) Sleep(0);
        if (device.firstBlockUs == 0) {
            std::printf("symbol %d: no block reached the device\n", n);
            std::exit(1);
        }
        firstBlock.push_back(device.firstBlockUs - start);
        player.stopAllSounds();
        player.waitForSilence(20s);
    }
    const double f = median(floor), c = median(call), b = median(firstBlock);
    std::printf("symbol %2d  %6zu bytes  copy %7.1f us  playSymbol %7.1f us (%5.1fx)  first block %8.1f us (%6.1fx)\n", n,
                walkWavChunks(soundFor(n).data, soundFor(n).size)->samples.size(), f, c, c / f, b, b / f);
    if (calls > 5) {
        worstCall = std::max(worstCall, c);
        worstFirstBlock = std::max(worstFirstBlock, b);
    }
}

void verdict(const char* goal, bool met, const char* figure) {
    std::printf("goal: %-62s %-8s %s\n", goal, met ? "met" : "NOT MET", figure);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int calls = argc > 1 ? std::atoi(argv[1]) : 200;
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 10000;
    TimingDevice device;
    SystemClock clock;
    Win32WorkerThreads threads;
    SoundPlayer player(device, clock, threads);

    std::printf("medians over %d calls, each waited for to its first block, then stopped\n", calls);
    measureCalls(player, device, 1, 5);  // first uses of the device
    for (int n : {2, 22, 1, 20, 10}) measureCalls(player, device, n, calls);

    // Memory: rapid play-and-stop, a pause for the voices to end every 100.
    std::printf("\ncommitted memory over %d play-and-stop cycles\n", cycles);
    auto round = [&](int count) {
        for (int i = 0; i < count; ++i) {
            player.playSymbol(1 + i % 48);
            player.stopAllSounds();
            if (i % 100 == 99) player.waitForSilence(60s);
        }
        player.waitForSilence(60s);
    };
    round(1000);  // warm-up: the heap and the audio system reach their working size
    const double before = static_cast<double>(committedBytes());
    std::vector<double> checkpoints;
    std::printf("  after warm-up    %8.0f KiB\n", before / 1024);
    for (int done = 0; done < cycles;) {
        const int step = std::min(std::max(100, cycles / 10), cycles - done);
        round(step);
        done += step;
        const std::size_t now = committedBytes();
        checkpoints.push_back(static_cast<double>(now));
        std::printf("  after %5d      %8zu KiB  (%+lld KiB)\n", done, now / 1024,
                    static_cast<long long>((static_cast<double>(now) - before) / 1024));
    }
    std::printf("voices left: %zu, kept with blocks out: %d, streams not closed: %d\n\n", player.activeVoices(),
                player.abandonedVoices(), device.streamsNotClosed());

    char figure[96];
    std::snprintf(figure, sizeof figure, "worst median %.1f us", worstCall);
    verdict("playSymbol returns within 0.05 ms (medians, every symbol)", worstCall <= 50.0, figure);
    std::snprintf(figure, sizeof figure, "worst median %.1f us", worstFirstBlock);
    verdict("first block queued within 0.2 ms of the call (medians)", worstFirstBlock <= 200.0, figure);
    // The committed memory moves by megabytes from one checkpoint to the next
    // (Wine's heap), so one sample, the warm-up's included, says little:
    // growth is the later half's median against the earlier half's.
    const auto half = checkpoints.begin() + static_cast<std::ptrdiff_t>(checkpoints.size() / 2);
    const double growth =
        checkpoints.size() < 2
            ? 0.0
            : (median(std::vector<double>(half, checkpoints.end())) -
               median(std::vector<double>(checkpoints.begin(), half))) / 1048576.0;
    std::snprintf(figure, sizeof figure, "later half's median %+.1f MiB from the earlier half's", growth);
    verdict("memory flat over the play-and-stop cycles (within 4 MiB)", growth < 4.0, figure);
    return 0;
}
