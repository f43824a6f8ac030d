// The wave-output device on WINMM's waveOut functions: one stream per voice on
// the mapped default device, each played block reported through a callback
// function on the audio system's thread. Blocks are prepared as they are
// queued and unprepared as the voice releases them.
//
// Opening a stream costs milliseconds, far more than the rest of starting a
// sound (see bench/README.md), so a stream whose voice has ended cleanly is
// reset and kept for the next voice of the same format instead of being
// closed: up to kSparesPerFormat per format, kMaxSpares in all. (Each sound
// having a stream of its own, opened for it and closed when it ends, is the
// plainer design; keeping them is for speed.) A stream kept unused for longer
// than `keepIdle` is closed rather than reused, so that after a pause sounds
// go to whatever the default output is by then; one the device failed on is
// never kept. closeIdleStreams, called when the program ends, closes them all.
//
// prepare opens streams ahead, before any voice asks: the first use of the
// device (loading WINMM, the system starting its audio driver) and the
// opening itself then cost a sound nothing. A prepared stream is left
// unstarted: its first block reaches the device sooner than on a stream that
// is already playing silence.
//
// A stream the device will not close (blocks still out on it) is kept, never
// freed, for the rest of the run: the device may still write the blocks'
// headers and call back with it.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "media/kept_streams.h"
#include "media/sound_voice.h"

namespace pelomar {

// Whether the system has a wave-output device to play on.
bool waveOutputPresent();

class WaveOutDevice final : public WaveDevice {
public:
    static constexpr int kSparesPerFormat = 2;
    static constexpr int kMaxSpares = 6;

    explicit WaveOutDevice(std::chrono::milliseconds keepIdle = std::chrono::seconds(30));
    ~WaveOutDevice() override;
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    std::unique_ptr<WaveStream> open(std::span<const unsigned char> format, BlockListener& listener) override;
    void closeIdleStreams() override;
    bool prepare(std::span<const std::vector<unsigned char>> formats) override;
    bool ready() override;

    // Streams opened on the device so far, streams kept for reuse now, and
    // streams the device would not close. For the tests and benchmarks.
    int streamsOpened() const { return opened_.load(); }
    int spareStreams() const;
    int streamsNotClosed() const { return unclosed_.load(); }

    struct Channel;

private:
    friend class WaveOutStream;
    // A new stream on the device; null when there is none or it refuses the format.
    std::unique_ptr<Channel> openChannel(std::span<const unsigned char> format);
    void keep(std::unique_ptr<Channel> channel);
    void giveBack(std::unique_ptr<Channel> channel);
    void close(std::unique_ptr<Channel> channel);
    // After every change of the shelf, under the lock: until when it stays ready.
    void publishReadiness();

    mutable std::mutex mutex_;
    KeptStreams<Channel> spares_;
    std::vector<std::vector<unsigned char>> prepared_;  // the formats last prepared, under the lock
    std::atomic<std::chrono::steady_clock::rep> readyUntil_{std::chrono::steady_clock::time_point::min().time_since_epoch().count()};
    std::atomic<int> opened_{0};
    std::atomic<int> unclosed_{0};
};

}  // namespace pelomar
