#include "media/sound_voice.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

namespace pelomar {

std::int64_t SystemClock::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock, std::int64_t deadlineMs,
                            const std::function<bool()>& ready) {
    using namespace std::chrono;
    wake.wait_until(lock, steady_clock::time_point(milliseconds(deadlineMs)), ready);
}

SoundVoice::SoundVoice(const WavChunks& wav, bool loop)
    : format_(deviceFormat(wav.format)), samples_(wav.samples.begin(), wav.samples.end()), loop_(loop) {}

SoundVoice::~SoundVoice() {
    stream_.reset();  // closed before the blocks it pointed into are freed
}

void SoundVoice::requestStop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
}

void SoundVoice::blockPlayed() {
    // Notified under the lock: once the worker sees the count, it may end the
    // voice, and the condition variable with it.
    std::lock_guard lock(mutex_);
    --queued_;
    wake_.notify_all();
}

void SoundVoice::run(WaveDevice& device, Clock& clock) {
    {
        std::lock_guard lock(mutex_);
        if (stopRequested_) return;  // stopped before it began: nothing to open
    }
    // A malformed format is never handed over: the voice goes on as if the
    // device had refused it.
    if (!format_.empty()) stream_ = device.open(format_, *this);
    if (stream_) {
        // Looping starts again only once every block is back, so a sound never
        // has more blocks queued than it fills.
        const std::size_t needed = (samples_.size() + kBlockBytes - 1) / kBlockBytes;
        ringBlocks_ = static_cast<int>(std::min<std::size_t>(kRingBlocks, needed));
        try {
            ring_.resize(static_cast<std::size_t>(ringBlocks_) * kBlockBytes);
        } catch (const std::bad_alloc&) {
            return;
        }
    }
    if (feed(clock) == Ending::Played) return;

    if (stream_) stream_->breakOff();
    std::unique_lock lock(mutex_);
    clock.waitUntil(wake_, lock, clock.nowMs() + kSilenceLimitMs, [this] { return queued_ == 0; });
    lock.unlock();
    releaseReturned(handed_);
}

SoundVoice::Ending SoundVoice::feed(Clock& clock) {
    std::int64_t lastNews = clock.nowMs();
    for (;;) {
        int returned = 0;
        {
            std::lock_guard lock(mutex_);
            if (stopRequested_) return Ending::Stopped;
            returned = handed_ - queued_;
        }
        if (returned > 0) {
            releaseReturned(returned);
            lastNews = clock.nowMs();
        }
        // Without a stream nothing is queued and nothing comes back: the voice
        // waits for a stop request or the silence limit.
        while (stream_ && handed_ < ringBlocks_ && position_ < samples_.size()) {
            if (!queueNextBlock()) return Ending::Silent;  // a device that refuses blocks plays no more
        }
        if (stream_ && position_ == samples_.size() && handed_ == 0) {
            if (!loop_) return Ending::Played;
            position_ = 0;
            continue;
        }
        const std::int64_t deadline = lastNews + kSilenceLimitMs;
        std::unique_lock lock(mutex_);
        clock.waitUntil(wake_, lock, deadline, [this] { return stopRequested_ || queued_ < handed_; });
        if (!stopRequested_ && queued_ == handed_ && clock.nowMs() >= deadline) return Ending::Silent;
    }
}

bool SoundVoice::queueNextBlock() {
    const std::size_t size = std::min(kBlockBytes, samples_.size() - position_);
    unsigned char* block = ring_.data() + static_cast<std::size_t>(nextBlock_) * kBlockBytes;
    std::memcpy(block, samples_.data() + position_, size);
    {
        std::lock_guard lock(mutex_);
        ++queued_;  // counted first: the device may give it back before queueBlock returns
    }
    if (!stream_->queueBlock(nextBlock_, block, size)) {
        std::lock_guard lock(mutex_);
        --queued_;
        return false;
    }
    position_ += size;
    ++handed_;
    nextBlock_ = (nextBlock_ + 1) % ringBlocks_;
    return true;
}

void SoundVoice::releaseReturned(int count) {
    // Blocks come back in the order they were queued: the oldest first.
    for (; count > 0; --count) {
        const int oldest = (nextBlock_ - handed_ + ringBlocks_) % ringBlocks_;
        stream_->releaseBlock(oldest);
        --handed_;
    }
}

}  // namespace pelomar
