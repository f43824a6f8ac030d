// The sound output on the real wave-output device (under Wine, an ALSA null
// device): every block queued comes back through the callback, a stop breaks
// a sound off, and nothing is left behind.
#include <doctest/doctest.h>

#include <windows.h>
#include <mmsystem.h>
#include <tlhelp32.h>

#include <chrono>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "child_case_win32.h"
#include "media/assets.h"
#include "media/sound_player.h"
#include "media/wave_out_win32.h"
#include "media/worker_threads_win32.h"

using namespace pelomar;
using namespace std::chrono_literals;

namespace {

struct StreamCounts {
    int queued = 0;
    int played = 0;  // blocks the device gave back before any break-off
    int breakOffs = 0;
    std::size_t bytes = 0;
    bool closed = false;
};

// The real device, counting what passes through it.
class CountingDevice final : public WaveDevice {
public:
    std::unique_ptr<WaveStream> open(std::span<const unsigned char> format, BlockListener& listener) override {
        auto stream = std::make_unique<Stream>(*this, listener);
        stream->inner = real_.open(format, stream->relay);
        if (!stream->inner) return nullptr;
        std::lock_guard lock(mutex_);
        stream->index = streams_.size();
        streams_.emplace_back();
        return stream;
    }

    void closeIdleStreams() override { real_.closeIdleStreams(); }
    WaveOutDevice& real() { return real_; }

    std::vector<StreamCounts> counts() {
        std::lock_guard lock(mutex_);
        return streams_;
    }

    // Waits until stream `index` (counted in the order opened) has a block queued.
    bool waitForBlock(std::size_t index) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 20s, [&] { return streams_.size() > index && streams_[index].queued > 0; });
    }

private:
    struct Relay final : BlockListener {
        CountingDevice* device = nullptr;
        std::size_t* index = nullptr;
        BlockListener* voice = nullptr;
        void blockPlayed() override {
            {
                std::lock_guard lock(device->mutex_);
                StreamCounts& c = device->streams_[*index];
                if (c.breakOffs == 0) ++c.played;
            }
            voice->blockPlayed();
        }
    };

    struct Stream final : WaveStream {
        Stream(CountingDevice& d, BlockListener& voice) : device(d) {
            relay.device = &d;
            relay.index = &index;
            relay.voice = &voice;
        }
        ~Stream() override {
            inner.reset();
            std::lock_guard lock(device.mutex_);
            device.streams_[index].closed = true;
        }
        bool queueBlock(int block, const unsigned char* bytes, std::size_t size) override {
            {
                std::lock_guard lock(device.mutex_);
                ++device.streams_[index].queued;
                device.streams_[index].bytes += size;
                device.changed_.notify_all();
            }
            return inner->queueBlock(block, bytes, size);
        }
        void releaseBlock(int block) override { inner->releaseBlock(block); }
        void breakOff() override {
            {
                std::lock_guard lock(device.mutex_);
                ++device.streams_[index].breakOffs;
            }
            inner->breakOff();
        }

        CountingDevice& device;
        std::size_t index = 0;
        Relay relay;
        std::unique_ptr<WaveStream> inner;
    };

    WaveOutDevice real_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<StreamCounts> streams_;
};

std::size_t samplesOf(int n) {
    const AssetView image = soundFor(n);
    return walkWavChunks(image.data, image.size)->samples.size();
}

struct ProcessCounts {
    DWORD handles = 0;
    int threads = 0;
    bool operator==(const ProcessCounts&) const = default;
};

// The process's handles as the system's handle table lists them (Wine's
// GetProcessHandleCount always answers 0).
DWORD handleCount() {
    struct Entry {
        ULONG ownerPid;
        BYTE objectType;
        BYTE flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<unsigned char> buffer(1 << 20);
    ULONG length = 0;
    LONG status;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length)) ==
           kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    REQUIRE(status == 0);
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    DWORD mine = 0;
    for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].ownerPid == GetCurrentProcessId()) ++mine;
    return mine;
}

ProcessCounts processCounts() {
    ProcessCounts c;
    c.handles = handleCount();
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++c.threads;
    CloseHandle(snapshot);
    return c;
}

// A worker that has let go of its voice may still be on its way out: the
// counts once they have stayed the same for a while.
ProcessCounts settledCounts() {
    ProcessCounts last = processCounts();
    for (int same = 0, i = 0; same < 10 && i < 500; ++i) {
        Sleep(10);
        const ProcessCounts now = processCounts();
        same = now == last ? same + 1 : 0;
        last = now;
    }
    return last;
}

}  // namespace

TEST_CASE("there is a wave-output device to play on") { CHECK(waveOutGetNumDevs() > 0); }

TEST_CASE("every sound of the bank plays to its end and releases its voice") {
    CountingDevice device;
    SystemClock clock;
    Win32WorkerThreads threads;
    SoundPlayer player(device, clock, threads);
    for (int n = 1; n <= 48; ++n) REQUIRE(player.playSymbol(n));
    REQUIRE(player.waitForSilence(120s));
    CHECK(player.activeVoices() == 0);

    const std::vector<StreamCounts> streams = device.counts();
    REQUIRE(streams.size() == 48);
    std::size_t bytes = 0, expectedBytes = 0;
    int blocks = 0, expectedBlocks = 0;
    for (const StreamCounts& s : streams) {
        CHECK(s.breakOffs == 0);
        CHECK(s.played == s.queued);
        CHECK(s.closed);
        bytes += s.bytes;
        blocks += s.queued;
    }
    for (int n = 1; n <= 48; ++n) {
        expectedBytes += samplesOf(n);
        expectedBlocks += static_cast<int>((samplesOf(n) + kBlockBytes - 1) / kBlockBytes);
    }
    CHECK(bytes == expectedBytes);
    CHECK(blocks == expectedBlocks);
}

TEST_CASE("the longest sound breaks off when stopped") {
    CountingDevice device;
    SystemClock clock;
    Win32WorkerThreads threads;
    SoundPlayer player(device, clock, threads);
    REQUIRE(player.playSymbol(2));
    REQUIRE(device.waitForBlock(0));
    player.stopAllSounds();
    REQUIRE(player.waitForSilence(20s));
    const std::vector<StreamCounts> streams = device.counts();
    REQUIRE(streams.size() == 1);
    CHECK(streams[0].breakOffs == 1);
    CHECK(streams[0].played < 7);  // it did not play to its end
    CHECK(streams[0].closed);
}

TEST_CASE("a stream is kept after its voice ends and plays the next sound of its format") {
    CountingDevice device;
    SystemClock clock;
    Win32WorkerThreads threads;
    SoundPlayer player(device, clock, threads);
    WaveOutDevice& real = device.real();
    // Symbols 1 and 20 are 8-bit at 11025 Hz, 2 and 22 16-bit at 22050 Hz.
    REQUIRE(player.playSymbol(1));
    REQUIRE(player.waitForSilence(20s));
    CHECK(real.streamsOpened() == 1);
    CHECK(real.spareStreams() == 1);
    REQUIRE(player.playSymbol(20));
    REQUIRE(player.waitForSilence(20s));
    CHECK(real.streamsOpened() == 1);

    // A stream that was broken off (paused and reset) plays again in full.
    REQUIRE(player.playSymbol(2));
    REQUIRE(device.waitForBlock(2));
    player.stopAllSounds();
    REQUIRE(player.waitForSilence(20s));
    REQUIRE(player.playSymbol(22));
    REQUIRE(player.waitForSilence(20s));
    CHECK(real.streamsOpened() == 2);
    CHECK(real.spareStreams() == 2);

    std::vector<StreamCounts> streams = device.counts();
    REQUIRE(streams.size() == 4);
    for (int i : {0, 1, 3}) {
        CHECK(streams[i].breakOffs == 0);
        CHECK(streams[i].played == streams[i].queued);
    }
    CHECK(streams[1].bytes == samplesOf(20));
    CHECK(streams[3].bytes == samplesOf(22));
    CHECK(streams[2].breakOffs == 1);

    // Three sounds of one format at once need three streams; two are kept.
    for (int n : {1, 20, 41}) REQUIRE(player.playSymbol(n));
    REQUIRE(player.waitForSilence(20s));
    CHECK(real.streamsOpened() == 4);
    CHECK(real.spareStreams() == 3);
    streams = device.counts();
    for (std::size_t i = 4; i < streams.size(); ++i) CHECK(streams[i].played == streams[i].queued);

    player.shutdownSounds();
    CHECK(real.spareStreams() == 0);
}

TEST_CASE("a stream kept unused for too long is closed, not reused") {
    WaveOutDevice device(std::chrono::milliseconds(0));
    SystemClock clock;
    Win32WorkerThreads threads;
    SoundPlayer player(device, clock, threads);
    REQUIRE(player.playSymbol(1));
    REQUIRE(player.waitForSilence(20s));
    CHECK(device.spareStreams() == 1);
    Sleep(20);
    REQUIRE(player.playSymbol(20));
    REQUIRE(player.waitForSilence(20s));
    CHECK(device.streamsOpened() == 2);
    CHECK(device.spareStreams() == 1);  // the second one; the first was closed
}

TEST_CASE("streams opened ahead play the next sounds of their formats") {
    std::vector<std::vector<unsigned char>> formats;
    for (int n : {1, 2}) {
        const AssetView image = soundFor(n);
        formats.push_back(deviceFormat(walkWavChunks(image.data, image.size)->format));
    }
    CountingDevice device;
    SystemClock clock;
    Win32WorkerThreads threads;
    SoundPlayer player(device, clock, threads);
    WaveOutDevice& real = device.real();
    CHECK_FALSE(real.ready());
    CHECK(real.prepare(formats));
    CHECK(real.streamsOpened() == 2);
    CHECK(real.ready());
    CHECK(real.prepare(formats));  // nothing left to do
    CHECK(real.streamsOpened() == 2);

    for (int n : {1, 2}) REQUIRE(player.playSymbol(n));
    REQUIRE(player.waitForSilence(20s));
    CHECK(real.streamsOpened() == 2);
    const std::vector<StreamCounts> streams = device.counts();
    REQUIRE(streams.size() == 2);
    for (const StreamCounts& c : streams) {
        CHECK(c.queued > 0);
        CHECK(c.played == c.queued);
    }
    CHECK(streams[0].bytes == samplesOf(1));
    CHECK(streams[1].bytes == samplesOf(2));
}

TEST_CASE("rapid play and stop leaves no voice, thread or handle behind") {
    SystemClock clock;
    CountingDevice device;
    Win32WorkerThreads threads;
    SoundPlayer player(device, clock, threads);
    // The audio system starts threads of its own on first use and ends them
    // some time after its last stream closed: a stream of the test's own stays
    // open throughout, so they are the same before and after.
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    HWAVEOUT keeper = nullptr;
    REQUIRE(waveOutOpen(&keeper, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR);

    // Each cycle starts a sound, lets it reach the device and stops it while
    // it plays: open, queue, break-off, release and close, 200 times over.
    std::size_t opened = 0;
    auto cycles = [&](int count) {
        for (int i = 0; i < count; ++i) {
            REQUIRE(player.playSymbol(1 + i % 48));
            REQUIRE(device.waitForBlock(opened++));
            player.stopAllSounds();
        }
        REQUIRE(player.waitForSilence(60s));
    };
    cycles(48);  // first uses: formats, locks, the audio system's stream slots
    // Two sounds of each format at once: as many streams and worker threads
    // as are ever kept waiting for the next sound.
    for (int n : {1, 20, 2, 22}) REQUIRE(player.playSymbol(n));
    for (std::size_t i = 0; i < 4; ++i) REQUIRE(device.waitForBlock(opened++));
    player.stopAllSounds();
    REQUIRE(player.waitForSilence(60s));
    const ProcessCounts before = settledCounts();
    cycles(200);
    CHECK(player.activeVoices() == 0);
    const ProcessCounts after = settledCounts();
    MESSAGE("handles ", before.handles, " -> ", after.handles, ", threads ", before.threads, " -> ", after.threads);
    CHECK(after.threads == before.threads);
    // Wine's audio system keeps a few events for every stream slot it ever
    // needed at once; one handle left per voice would be 200 and more.
    CHECK(after.handles < before.handles + 20);
    for (const StreamCounts& s : device.counts()) {
        CHECK(s.closed);
        CHECK(s.breakOffs <= 1);
    }
    waveOutClose(keeper);
}

TEST_CASE("worker threads run work side by side and keep a few threads for the next") {
    const ProcessCounts start = settledCounts();
    std::optional<Win32WorkerThreads> threads(std::in_place);
    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE started = CreateSemaphoreW(nullptr, 0, 16, nullptr);
    std::mutex mutex;
    std::vector<DWORD> ids;
    auto work = [&] {
        {
            std::lock_guard lock(mutex);
            ids.push_back(GetCurrentThreadId());
        }
        ReleaseSemaphore(started, 1, nullptr);
        WaitForSingleObject(release, INFINITE);
    };
    for (int i = 0; i < 4; ++i) REQUIRE(threads->start(work));
    for (int i = 0; i < 4; ++i) REQUIRE(WaitForSingleObject(started, 10000) == WAIT_OBJECT_0);
    CHECK(threads->threads() == 4);
    std::vector<DWORD> first = ids;
    std::sort(first.begin(), first.end());
    CHECK(std::unique(first.begin(), first.end()) == first.end());
    CHECK(std::find(first.begin(), first.end(), GetCurrentThreadId()) == first.end());

    SetEvent(release);
    for (int i = 0; i < 500 && threads->threads() > Win32WorkerThreads::kParkedThreads; ++i) Sleep(10);
    CHECK(threads->threads() == Win32WorkerThreads::kParkedThreads);

    // The next two pieces of work run on threads that were waiting.
    ResetEvent(release);
    ids.clear();
    for (int i = 0; i < 2; ++i) REQUIRE(threads->start(work));
    for (int i = 0; i < 2; ++i) REQUIRE(WaitForSingleObject(started, 10000) == WAIT_OBJECT_0);
    CHECK(threads->threads() == Win32WorkerThreads::kParkedThreads);
    for (DWORD id : ids) CHECK(std::binary_search(first.begin(), first.end(), id));

    // Work queued when the threads go away is done first, and every thread ends.
    std::atomic<int> done{0};
    for (int i = 0; i < 6; ++i) REQUIRE(threads->start([&] { ++done; }));
    SetEvent(release);
    threads.reset();
    CHECK(done == 6);
    CloseHandle(started);
    CloseHandle(release);
    CHECK(settledCounts().threads == start.threads);
}

// Run in a process of its own by the next test case.
TEST_CASE("sound child: the process ends while sounds play" * doctest::skip()) {
    WaveOutDevice device;
    SystemClock clock;
    Win32WorkerThreads threads;
    SoundPlayer player(device, clock, threads);
    for (int n : {2, 22, 11, 24, 1}) REQUIRE(player.playSymbol(n));
    player.shutdownSounds();
    CHECK(player.activeVoices() == 0);
}

TEST_CASE("ending the process while several sounds play waits for them and exits with 0") {
    CHECK(pelomar::testing::runChildCase(L"sound child: *") == std::optional<DWORD>(0));
}
