// One sound being played: its private samples, its output stream, the ring of
// block slots that carry them and the worker that feeds them, over a small
// wave-output interface and a clock so the whole life cycle runs the same
// with a fake device. The blocks are 15360-byte stretches of the voice's own
// copy of the samples, queued where they lie: the copy outlives every block.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
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
    // Does ahead, on a sound worker, what would otherwise delay the next
    // sounds: loads the output and opens one stream of each of these format
    // blocks that has none kept, for the next voices to take, and closes the
    // kept streams unused for too long. True when a stream of every format
    // is kept now; false when there is no device or it refused a format.
    virtual bool prepare(std::span<const std::vector<unsigned char>> /*formats*/) { return true; }
    // True when preparing again, for the formats last prepared, would have
    // nothing to do now; false before the first preparation. Takes no lock:
    // it is asked at every pointer event on the user-interface thread.
    virtual bool ready() { return true; }
};

// What a voice shares with the device's callback: a lock over its count of
// blocks and a wake-up for its worker. The callback runs on the audio
// system's thread, where only critical sections, setting events and reading
// the time are allowed, so a real implementation is made of those alone.
class VoiceSync {
public:
    virtual ~VoiceSync() = default;
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // Wakes the worker; a wake-up given while it is not waiting ends its next
    // wait at once (an auto-reset event).
    virtual void wake() = 0;
    // Waits, without the lock, until woken or until the clock reaches
    // `deadlineMs`. May return early: the caller looks again.
    virtual void waitUntil(std::int64_t deadlineMs) = 0;
};

// Holds a VoiceSync's lock for a scope.
class SyncLock {
public:
    explicit SyncLock(VoiceSync& sync) : sync_(sync) { sync_.lock(); }
    ~SyncLock() { sync_.unlock(); }
    SyncLock(const SyncLock&) = delete;
    SyncLock& operator=(const SyncLock&) = delete;

private:
    VoiceSync& sync_;
};

// Time as the workers see it, and the waits that go with it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() = 0;
    // A lock and wake-up for one voice; null when none can be made.
    virtual std::unique_ptr<VoiceSync> makeSync() = 0;
};

// The system's clock; on Windows a voice's lock is a critical section and its
// wake-up an event (system_clock_win32.cpp).
class SystemClock final : public Clock {
public:
    std::int64_t nowMs() override;
    std::unique_ptr<VoiceSync> makeSync() override;
};

class SoundVoice final : public BlockListener {
public:
    // Copies the samples and the format; the WAV image is not referenced
    // afterwards. Throws std::bad_alloc when there is no memory for the copy.
    SoundVoice(const WavChunks& wav, bool loop);
    // Closes the stream, then frees the samples. Never called
    // for a voice whose run returned false.
    ~SoundVoice() override;
    SoundVoice(const SoundVoice&) = delete;
    SoundVoice& operator=(const SoundVoice&) = delete;

    // The worker's whole job: opens the stream, feeds it until the sound is
    // over, stopped or silent for kSilenceLimitMs, breaks it off when it did
    // not end by itself, and waits up to kSilenceLimitMs for the blocks to
    // come back. Returns true with every block back and released; the stream
    // stays open until the voice is destroyed. False when blocks are still
    // out: the device may still write into them and report them, so the
    // stream cannot be closed and the voice must never be destroyed.
    [[nodiscard]] bool run(WaveDevice& device, Clock& clock);

    // Asks the worker to break the sound off; stays set. Returns at once.
    void requestStop();

    void blockPlayed() override;

private:
    enum class Ending { Played, Stopped, Silent };

    Ending feed(Clock& clock);
    bool queueNextBlock();
    void releaseReturned(int count);
    int blocksOut();

    const std::vector<unsigned char> format_;
    const std::vector<unsigned char> samples_;
    const bool loop_;

    // Worker-only state.
    int ringBlocks_ = 0;               // slots: as many blocks as the sound can ever have queued at once
    std::size_t position_ = 0;         // samples handed to the stream so far
    int nextBlock_ = 0;                // the slot queued next
    int handed_ = 0;                   // blocks queued and not yet released, oldest first

    // The voice's lock, taken by the device's callback. There, on the audio
    // system's thread, only critical sections, setting events and reading the
    // time are allowed: the callback drops the count and wakes the worker
    // under this lock, and does nothing else. No lock the callback takes is
    // ever held across a call to the device, which may call back from inside
    // queueBlock and breakOff, on the calling thread or another. Made by the
    // worker (making an event is too slow for the caller of a play).
    std::unique_ptr<VoiceSync> sync_;
    std::atomic<VoiceSync*> wakeable_{nullptr};  // sync_, once a stop request may wake it
    int queued_ = 0;  // under sync_: blocks on the stream that have not come back
    std::atomic<bool> stopRequested_{false};

    std::unique_ptr<WaveStream> stream_;  // null while closed, or when the device was not opened
};

}  // namespace pelomar
