// One sound being played: its private samples, its output stream, its ring of
// blocks and the worker that feeds them, over a small wave-output interface
// and a clock so the whole life cycle runs the same with a fake device.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "media/wav_chunks.h"

namespace pelomar {

inline constexpr int kRingBlocks = 20;
inline constexpr std::size_t kBlockBytes = 15360;
// A voice whose device gives back no block, and that is not stopped, for this
// long is broken off: a device that never plays must not keep it forever.
inline constexpr std::int64_t kSilenceLimitMs = 8888;

// Told by the device, on one of its own threads, each time a queued block has
// been played (or given back by a break-off).
class BlockListener {
public:
    virtual ~BlockListener() = default;
    virtual void blockPlayed() = 0;
};

// One open output stream. Destroying it closes it; by then every block it was
// given has come back and been released.
class WaveStream {
public:
    virtual ~WaveStream() = default;
    // Prepares block `index` of the ring and queues it; the device plays
    // blocks in the order queued. False when the device refused it, in which
    // case it will never come back.
    virtual bool queueBlock(int index, const unsigned char* bytes, std::size_t size) = 0;
    // Unprepares a block that has come back, before it is filled again or freed.
    virtual void releaseBlock(int index) = 0;
    // Pauses and resets: playing stops at once and every queued block comes back.
    virtual void breakOff() = 0;
};

// The wave-output device.
class WaveDevice {
public:
    virtual ~WaveDevice() = default;
    // Opens a stream on the default output with this format block (see
    // deviceFormat); null when there is no device or it refuses the format.
    virtual std::unique_ptr<WaveStream> open(std::span<const unsigned char> format, BlockListener& listener) = 0;
    // Closes whatever streams the device keeps open between voices; called
    // once no voice is left.
    virtual void closeIdleStreams() {}
};

// Time as the workers see it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() = 0;
    // Waits on `wake` (whose mutex `lock` holds) until `ready` holds or the
    // clock reaches `deadlineMs`. Returns with the lock held.
    virtual void waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock, std::int64_t deadlineMs,
                           const std::function<bool()>& ready) = 0;
};

class SystemClock final : public Clock {
public:
    std::int64_t nowMs() override;
    void waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock, std::int64_t deadlineMs,
                   const std::function<bool()>& ready) override;
};

class SoundVoice final : public BlockListener {
public:
    // Copies the samples and the format; the WAV image is not referenced
    // afterwards. Throws std::bad_alloc when there is no memory for the copy.
    SoundVoice(const WavChunks& wav, bool loop);
    // Closes the stream, then frees the samples and the ring.
    ~SoundVoice() override;
    SoundVoice(const SoundVoice&) = delete;
    SoundVoice& operator=(const SoundVoice&) = delete;

    // The worker's whole job: opens the stream, feeds it until the sound is
    // over, stopped or silent for kSilenceLimitMs, breaks it off when it did
    // not end by itself, and returns with every block back and released. The
    // stream stays open until the voice is destroyed.
    void run(WaveDevice& device, Clock& clock);

    // Asks the worker to break the sound off; stays set. Returns at once.
    void requestStop();

    void blockPlayed() override;

private:
    enum class Ending { Played, Stopped, Silent };

    Ending feed(Clock& clock);
    bool queueNextBlock();
    void releaseReturned(int count);

    const std::vector<unsigned char> format_;
    const std::vector<unsigned char> samples_;
    const bool loop_;

    // Worker-only state.
    std::vector<unsigned char> ring_;  // as many blocks as the sound can ever have queued at once
    int ringBlocks_ = 0;
    std::size_t position_ = 0;         // samples handed to the stream so far
    int nextBlock_ = 0;                // the ring block filled next
    int handed_ = 0;                   // blocks queued and not yet released, oldest first

    // Shared with the device's thread and with stop requests.
    std::mutex mutex_;
    std::condition_variable wake_;
    int queued_ = 0;  // blocks on the stream that have not come back
    bool stopRequested_ = false;

    std::unique_ptr<WaveStream> stream_;  // null while closed, or when the device was not opened
};

}  // namespace pelomar
