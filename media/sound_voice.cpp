#include "media/sound_voice.h"

#include <algorithm>
#include <new>

namespace pelomar {

SoundVoice::SoundVoice(const WavChunks& wav, bool loop)
    : format_(deviceFormat(wav.format)), samples_(wav.samples.begin(), wav.samples.end()), loop_(loop) {}

SoundVoice::~SoundVoice() {
    // The callback that reported the last block may still be leaving the
    // lock: once the lock has been passed through, it has let go of the voice.
    if (sync_) {
        SyncLock passThrough(*sync_);
    }
    stream_.reset();  // closed before the blocks it pointed into are freed
}

void SoundVoice::requestStop() {
    stopRequested_.store(true);
    // A worker that has not made its wake-up yet sees the flag once it has.
    if (VoiceSync* sync = wakeable_.load()) sync->wake();
}

void SoundVoice::blockPlayed() {
    // Both under the lock: the worker passes through it before the voice is
    // destroyed, so the wake-up is never given to a voice that is gone.
    SyncLock locked(*sync_);
    --queued_;
    sync_->wake();
}

bool SoundVoice::run(WaveDevice& device, Clock& clock) {
    try {
        sync_ = clock.makeSync();
    } catch (const std::bad_alloc&) {
    }
    if (!sync_) return true;  // nothing to wait with: the voice ends before it begins
    wakeable_.store(sync_.get());
    if (stopRequested_.load()) return true;  // stopped before it began: nothing to open
    // A malformed format is never handed over: the voice goes on as if the
    // device had refused it.
    if (!format_.empty()) stream_ = device.open(format_, *this);
    if (stream_) {
        // Looping starts again only once every block is back, so a sound never
        // has more blocks queued than it fills.
        const std::size_t needed = (samples_.size() + kBlockBytes - 1) / kBlockBytes;
        ringBlocks_ = static_cast<int>(std::min<std::size_t>(kRingBlocks, needed));
    }
    if (feed(clock) == Ending::Played) return true;

    if (stream_) stream_->breakOff();
    const std::int64_t deadline = clock.nowMs() + kSilenceLimitMs;
    while (blocksOut() > 0 && clock.nowMs() < deadline) sync_->waitUntil(deadline);
    // Blocks come back oldest first: those still out are the newest, and a
    // block the device still holds is never released.
    const int out = blocksOut();
    releaseReturned(handed_ - out);
    return out == 0;
}

SoundVoice::Ending SoundVoice::feed(Clock& clock) {
    std::int64_t lastNews = clock.nowMs();
    for (;;) {
        if (stopRequested_.load()) return Ending::Stopped;
        const int returned = handed_ - blocksOut();
        if (returned > 0) {
            releaseReturned(returned);
            lastNews = clock.nowMs();
        } else if (clock.nowMs() >= lastNews + kSilenceLimitMs) {
            return Ending::Silent;
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
        sync_->waitUntil(lastNews + kSilenceLimitMs);
    }
}

bool SoundVoice::queueNextBlock() {
    const std::size_t size = std::min(kBlockBytes, samples_.size() - position_);
    const unsigned char* block = samples_.data() + position_;
    {
        SyncLock locked(*sync_);
        ++queued_;  // counted first: the device may give it back before queueBlock returns
    }
    if (!stream_->queueBlock(nextBlock_, block, size)) {
        SyncLock locked(*sync_);
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

int SoundVoice::blocksOut() {
    SyncLock locked(*sync_);
    return queued_;
}

}  // namespace pelomar
