#include "media/sound_recorder.h"

#include <algorithm>
#include <new>
#include <utility>

#include "media/kept_for_the_run.h"

namespace pelomar {
namespace {

constexpr std::size_t kLimitSamples = static_cast<std::size_t>(kCaptureRate) * kRecordingLimitMs / 1000;

}  // namespace

RecordingTake::RecordingTake(std::function<void()> onChange)
    : onChange_(std::move(onChange)),
      ring_(static_cast<std::size_t>(kCaptureBlocks) * kCaptureBlockSamples) {
    samples_.reserve(kLimitSamples + kCaptureBlockSamples);
}

RecordingTake::~RecordingTake() {
    // The callback that handed back the last block may still be leaving the
    // lock: once the lock has been passed through, it has let go of the take.
    if (sync_) {
        SyncLock passThrough(*sync_);
    }
    stream_.reset();
}

void RecordingTake::setPhase(RecordingPhase phase) {
    phase_.store(phase);
    if (onChange_) onChange_();
}

void RecordingTake::requestFinish() {
    int none = None;
    request_.compare_exchange_strong(none, Finish);
    wake();
}

void RecordingTake::requestCancel() {
    request_.store(Cancel);
    wake();
}

// A take that has not made its wake-up yet sees the request once it has.
void RecordingTake::wake() {
    if (VoiceSync* sync = wakeable_.load()) sync->wake();
}

void RecordingTake::blockRecorded() {
    SyncLock locked(*sync_);
    --queued_;
    sync_->wake();
}

int RecordingTake::blocksOut() {
    SyncLock locked(*sync_);
    return queued_;
}

bool RecordingTake::queue(int index) {
    {
        SyncLock locked(*sync_);
        ++queued_;  // counted first: the device may hand it back before queueBlock returns
    }
    std::int16_t* block = ring_.data() + static_cast<std::size_t>(index) * kCaptureBlockSamples;
    if (!stream_->queueBlock(index, block, kCaptureBlockSamples)) {
        SyncLock locked(*sync_);
        --queued_;
        return false;
    }
    ++handed_;
    nextBlock_ = (index + 1) % kCaptureBlocks;
    return true;
}

int RecordingTake::collect(bool& ended) {
    int taken = 0;
    for (int back = handed_ - blocksOut(); back > 0 && !ended; --back, ++taken) {
        const int oldest = (nextBlock_ - handed_ + kCaptureBlocks) % kCaptureBlocks;
        const std::size_t count = std::min<std::size_t>(stream_->takeBlock(oldest), kCaptureBlockSamples);
        --handed_;
        const std::int16_t* block = ring_.data() + static_cast<std::size_t>(oldest) * kCaptureBlockSamples;
        samples_.insert(samples_.end(), block, block + count);
        detector_.feed({block, count});
        level_.store(detector_.level());
        heardMs_.store(detector_.heardMs());
        // The slot goes back on the device at once, so that it never runs dry.
        ended = detector_.finished() || !queue(oldest);
    }
    return taken;
}

bool RecordingTake::run(CaptureDevice& device, Clock& clock) {
    try {
        sync_ = clock.makeSync();
    } catch (const std::bad_alloc&) {
    }
    if (!sync_) {
        ending_ = RecordingPhase::Refused;
        return true;
    }
    wakeable_.store(sync_.get());
    if (request_.load() == Cancel) {
        ending_ = RecordingPhase::Cancelled;
        return true;
    }
    switch (device.open(kCaptureRate, *this, stream_)) {
    case CaptureOpening::Opened:
        break;
    case CaptureOpening::NoDevice:
        ending_ = RecordingPhase::NoDevice;
        return true;
    case CaptureOpening::Refused:
        ending_ = RecordingPhase::Refused;
        return true;
    }
    bool started = true;
    for (int i = 0; i < kCaptureBlocks && started; ++i) started = queue(i);
    started = started && stream_->start();
    if (started) {
        setPhase(RecordingPhase::Recording);
        std::int64_t lastNews = clock.nowMs();
        bool ended = false;
        while (!ended && request_.load() == None) {
            if (collect(ended) > 0) {
                lastNews = clock.nowMs();
                continue;
            }
            if (clock.nowMs() >= lastNews + kCaptureStallMs) break;
            sync_->waitUntil(lastNews + kCaptureStallMs);
        }
    }

    stream_->stop();
    const std::int64_t deadline = clock.nowMs() + kSilenceLimitMs;
    while (blocksOut() > 0 && clock.nowMs() < deadline) sync_->waitUntil(deadline);
    // Blocks come back oldest first: those still out are the newest, and a
    // block the device still holds is never taken.
    const int out = blocksOut();
    for (int back = handed_ - out; back > 0; --back) {
        stream_->takeBlock((nextBlock_ - handed_ + kCaptureBlocks) % kCaptureBlocks);
        --handed_;
    }
    samples_.resize(std::min(samples_.size(), detector_.keptSamples()));
    if (!started)
        ending_ = RecordingPhase::Refused;
    else if (request_.load() == Cancel)
        ending_ = RecordingPhase::Cancelled;
    else
        ending_ = detector_.speechHeard() ? RecordingPhase::Recorded : RecordingPhase::Silent;
    return out == 0;
}

SoundRecorder::SoundRecorder(CaptureDevice& device, Clock& clock, WorkerThreads& threads)
    : device_(device), clock_(clock), threads_(threads) {}

SoundRecorder::~SoundRecorder() {
    std::unique_lock lock(mutex_);
    if (take_) take_->requestCancel();
    ended_.wait(lock, [this] { return !working_; });
}

void SoundRecorder::setOnChange(std::function<void()> onChange) {
    std::lock_guard lock(mutex_);
    onChange_ = std::move(onChange);
}

void SoundRecorder::changed() {
    std::function<void()> tell;
    {
        std::lock_guard lock(mutex_);
        tell = onChange_;
    }
    if (tell) tell();
}

bool SoundRecorder::record() {
    RecordingTake* take = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (working_) return false;
        try {
            take_ = std::make_unique<RecordingTake>([this] { changed(); });
        } catch (const std::bad_alloc&) {
            return false;
        }
        take = take_.get();
        working_ = true;
        recording_ = {};
    }
    bool started = false;
    try {
        started = threads_.start([this, take] { work(take); });
    } catch (const std::bad_alloc&) {
    }
    if (started) return true;
    std::lock_guard lock(mutex_);
    take_.reset();
    working_ = false;
    return false;
}

void SoundRecorder::finish() {
    std::lock_guard lock(mutex_);
    if (take_) take_->requestFinish();
}

void SoundRecorder::cancel() {
    std::lock_guard lock(mutex_);
    if (take_) take_->requestCancel();
}

RecorderState SoundRecorder::state() const {
    std::lock_guard lock(mutex_);
    if (take_) return {take_->phase(), take_->levelDb(), take_->heardMs()};
    return {last_, -90.0f, 0};
}

Recording SoundRecorder::takeRecording() {
    std::lock_guard lock(mutex_);
    return std::exchange(recording_, {});
}

void SoundRecorder::work(RecordingTake* take) {
    const bool released = take->run(device_, clock_);
    Recording recorded;
    if (take->ending() == RecordingPhase::Recorded) {
        recorded.samples = std::move(take->samples());
        recorded.picture = measureSound(recorded.samples, kCaptureRate);
    }
    std::unique_ptr<RecordingTake> ended;
    {
        std::lock_guard lock(mutex_);
        ended = std::move(take_);
        last_ = take->ending();
        recording_ = std::move(recorded);
    }
    // The device still holds blocks of the take: it may still write into them.
    if (!released) keepForTheRun(std::move(ended));
    ended.reset();  // closes the stream outside the lock
    changed();
    std::lock_guard lock(mutex_);
    working_ = false;
    ended_.notify_all();
}

bool SoundRecorder::shutdown(std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex_);
    if (take_) take_->requestCancel();
    return ended_.wait_for(lock, patience, [this] { return !working_; });
}

bool SoundRecorder::waitForIdle(std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, patience, [this] { return !working_; });
}

}  // namespace pelomar
