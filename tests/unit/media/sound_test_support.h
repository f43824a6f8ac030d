// WAV images made to measure, a recording wave-output device and a clock that
// only moves when a test says so.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "media/sound_player.h"
#include "media/sound_voice.h"

namespace pelomar::test {

using Bytes = std::vector<unsigned char>;

inline void putLe32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

inline std::uint32_t le32At(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// A chunk as written: the size field may say anything; the pad byte after an
// odd-sized body is added unless asked not to.
struct Chunk {
    std::string id;
    Bytes body;
    std::uint32_t sizeField = 0xFFFFFFFF;  // the body's length unless set
    bool pad = true;
};

inline Bytes pcmFormat(std::uint32_t rate, std::uint16_t bits) {
    Bytes f;
    auto u16 = [&f](unsigned v) {
        f.push_back(static_cast<unsigned char>(v));
        f.push_back(static_cast<unsigned char>(v >> 8));
    };
    u16(1);  // PCM
    u16(1);  // mono
    putLe32(f, rate);
    putLe32(f, rate * bits / 8);
    u16(bits / 8);
    u16(bits);
    return f;
}

inline Chunk fmtChunk(std::uint32_t rate = 11025, std::uint16_t bits = 8) { return {"fmt ", pcmFormat(rate, bits)}; }

inline Chunk dataChunk(std::size_t size, unsigned char first = 1) {
    Bytes body(size);
    for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<unsigned char>(first + i * 7);
    return {"data", body};
}

// "RIFF", its size (the true one unless given), "WAVE", then the chunks.
inline Bytes makeWav(const std::vector<Chunk>& chunks, std::uint32_t riffSizeField = 0xFFFFFFFF) {
    Bytes body;
    for (const Chunk& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        putLe32(body, c.sizeField != 0xFFFFFFFF ? c.sizeField : static_cast<std::uint32_t>(c.body.size()));
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.pad && c.body.size() % 2 == 1) body.push_back(0);
    }
    Bytes wav{'R', 'I', 'F', 'F'};
    putLe32(wav, riffSizeField != 0xFFFFFFFF ? riffSizeField : static_cast<std::uint32_t>(body.size() + 4));
    wav.insert(wav.end(), {'W', 'A', 'V', 'E'});
    wav.insert(wav.end(), body.begin(), body.end());
    return wav;
}

// How long a test waits for a worker before it gives up (a safety net, not a
// timing: every wait ends as soon as its condition holds).
inline constexpr std::chrono::seconds kPatience{20};

// What happened to one stream.
struct StreamLog {
    Bytes format;
    std::vector<Bytes> blocks;  // every block queued, in order
    std::deque<int> onDevice;   // indices queued and not given back, oldest first
    std::set<int> prepared;     // indices queued and not released
    int faults = 0;             // a block queued while prepared, or released while on the device or unprepared
    int lockedCalls = 0;        // calls made while the calling thread held a voice's lock
    int breakOffs = 0;
    bool closed = false;
    std::size_t preparedAtClose = 0;
    std::size_t onDeviceAtClose = 0;
    BlockListener* listener = nullptr;

    std::size_t bytesQueued() const {
        std::size_t n = 0;
        for (const Bytes& b : blocks) n += b.size();
        return n;
    }
    Bytes samplesQueued() const {
        Bytes all;
        for (const Bytes& b : blocks) all.insert(all.end(), b.begin(), b.end());
        return all;
    }
};

// Voice locks the calling thread holds (see FakeClock).
inline thread_local int tVoiceLocksHeld = 0;

// A device that plays nothing by itself: a test decides when blocks come back.
// A break-off gives every block back from inside the call, as a reset does.
// Every call notes whether its thread held a voice's lock, which must never
// be: a device may call back from inside any call, and a real callback would
// wait for that lock on a thread of its own.
class FakeDevice final : public WaveDevice {
public:
    bool refuseOpen = false;
    bool refuseBlocks = false;
    bool ignoreBreakOffs = false;  // a break-off gives nothing back
    bool playAtOnce = false;       // each block comes back from inside queueBlock

    std::unique_ptr<WaveStream> open(std::span<const unsigned char> format, BlockListener& listener) override {
        std::lock_guard lock(mutex_);
        ++opens_;
        changed_.notify_all();
        if (refuseOpen) return nullptr;
        auto log = std::make_shared<StreamLog>();
        if (tVoiceLocksHeld > 0) ++log->lockedCalls;
        log->format.assign(format.begin(), format.end());
        log->listener = &listener;
        streams_.push_back(log);
        return std::make_unique<Stream>(*this, log);
    }

    // Gives back the `count` oldest blocks of a stream, as a device that has
    // played them does.
    void complete(std::size_t stream, int count) {
        BlockListener* listener = nullptr;
        int given = 0;
        {
            std::lock_guard lock(mutex_);
            StreamLog& log = *streams_.at(stream);
            for (; given < count && !log.onDevice.empty(); ++given) log.onDevice.pop_front();
            listener = log.listener;
        }
        for (int i = 0; i < given; ++i) listener->blockPlayed();
    }

    // While held, a break-off does not return.
    void holdBreakOffs(bool hold) {
        std::lock_guard lock(mutex_);
        holdBreakOffs_ = hold;
        changed_.notify_all();
    }

    // Closing the idle streams is counted; while held, it does not return.
    void closeIdleStreams() override {
        std::unique_lock lock(mutex_);
        ++idleCloses_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holdCloses_; });
    }
    void holdCloses(bool hold) {
        std::lock_guard lock(mutex_);
        holdCloses_ = hold;
        changed_.notify_all();
    }
    int idleCloses() {
        std::lock_guard lock(mutex_);
        return idleCloses_;
    }

    // Preparation: whether the device has what it needs, what a preparation
    // reports; while held, a preparation does not return.
    std::atomic<bool> isReady{true};
    bool prepareSucceeds = true;

    bool ready() override { return isReady.load(); }
    bool prepare(std::span<const Bytes> formats) override {
        std::unique_lock lock(mutex_);
        ++prepares_;
        preparedFormats_.assign(formats.begin(), formats.end());
        prepareThread_ = std::this_thread::get_id();
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holdPrepares_; });
        ++preparesDone_;
        changed_.notify_all();
        return prepareSucceeds;
    }
    void holdPrepares(bool hold) {
        std::lock_guard lock(mutex_);
        holdPrepares_ = hold;
        changed_.notify_all();
    }

    // Waits until `ready` holds for the device's state; false after kPatience.
    bool waitFor(const std::function<bool(const FakeDevice&)>& ready) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return ready(*this); });
    }

    // A copy of a stream's log.
    StreamLog log(std::size_t stream) {
        std::lock_guard lock(mutex_);
        return *streams_.at(stream);
    }

    // Read inside waitFor, or through log().
    std::size_t streamCount() const { return streams_.size(); }
    const StreamLog& streamAt(std::size_t i) const { return *streams_.at(i); }
    int opens() const { return opens_; }
    int breakOffsEntered() const { return breakOffsEntered_; }
    int prepares() const { return prepares_; }
    int preparesDone() const { return preparesDone_; }
    const std::vector<Bytes>& preparedFormats() const { return preparedFormats_; }
    std::thread::id prepareThread() const { return prepareThread_; }

private:
    class Stream final : public WaveStream {
    public:
        Stream(FakeDevice& device, std::shared_ptr<StreamLog> log) : device_(device), log_(std::move(log)) {}
        ~Stream() override {
            std::lock_guard lock(device_.mutex_);
            if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
            log_->closed = true;
            log_->preparedAtClose = log_->prepared.size();
            log_->onDeviceAtClose = log_->onDevice.size();
            device_.changed_.notify_all();
        }
        bool queueBlock(int index, const unsigned char* bytes, std::size_t size) override {
            {
                std::lock_guard lock(device_.mutex_);
                if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
                if (device_.refuseBlocks) return false;
                if (!log_->prepared.insert(index).second) ++log_->faults;
                log_->blocks.emplace_back(bytes, bytes + size);
                log_->onDevice.push_back(index);
                device_.changed_.notify_all();
                if (!device_.playAtOnce) return true;
                log_->onDevice.pop_back();
            }
            log_->listener->blockPlayed();
            return true;
        }
        void releaseBlock(int index) override {
            std::lock_guard lock(device_.mutex_);
            if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
            const bool stillPlaying =
                std::find(log_->onDevice.begin(), log_->onDevice.end(), index) != log_->onDevice.end();
            if (log_->prepared.erase(index) != 1 || stillPlaying) ++log_->faults;
            device_.changed_.notify_all();
        }
        void breakOff() override {
            std::size_t given = 0;
            {
                std::unique_lock lock(device_.mutex_);
                if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
                ++log_->breakOffs;
                ++device_.breakOffsEntered_;
                device_.changed_.notify_all();
                device_.changed_.wait(lock, [this] { return !device_.holdBreakOffs_; });
                if (device_.ignoreBreakOffs) return;
                given = log_->onDevice.size();
                log_->onDevice.clear();
            }
            for (std::size_t i = 0; i < given; ++i) log_->listener->blockPlayed();
        }

    private:
        FakeDevice& device_;
        std::shared_ptr<StreamLog> log_;
    };

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::shared_ptr<StreamLog>> streams_;
    int opens_ = 0;
    int breakOffsEntered_ = 0;
    bool holdBreakOffs_ = false;
    int idleCloses_ = 0;
    bool holdCloses_ = false;
    int prepares_ = 0;
    int preparesDone_ = 0;
    bool holdPrepares_ = false;
    std::vector<Bytes> preparedFormats_;
    std::thread::id prepareThread_;
};

// A clock that stands still until advanced. It remembers the deadline of
// every wait in progress, so a test can see what a worker is waiting for.
// A voice's lock is recursive, as a critical section is, so that holding it
// across a device call that calls back shows only in the device's record.
class FakeClock final : public Clock {
public:
    std::int64_t nowMs() override { return now_.load(); }
    std::unique_ptr<VoiceSync> makeSync() override { return std::make_unique<Sync>(*this); }

    void advance(std::int64_t ms) {
        std::lock_guard own(mutex_);
        now_ += ms;
        for (Sync* waiting : waiters_) waiting->notify();
    }

    // Waits until some worker waits for exactly this deadline; false after kPatience.
    bool waitForDeadline(std::int64_t deadlineMs) {
        std::unique_lock own(mutex_);
        return changed_.wait_for(own, kPatience, [&] {
            return std::any_of(waiters_.begin(), waiters_.end(), [&](Sync* w) { return w->deadline == deadlineMs; });
        });
    }

    // While held, a wake-up given to a voice does not return.
    void holdWakes(bool hold) {
        std::lock_guard own(mutex_);
        holdWakes_ = hold;
        changed_.notify_all();
    }
    // Waits until `count` wake-ups are held, or `count` times a thread had to
    // wait for a voice's lock; false after kPatience.
    bool waitForHeldWakes(int count) { return waitForCount(wakesHeld_, count); }
    bool waitForLockWaits(int count) { return waitForCount(lockWaits_, count); }

private:
    class Sync final : public VoiceSync {
    public:
        explicit Sync(FakeClock& clock) : clock_(clock) {}
        void lock() override {
            if (!lock_.try_lock()) {
                clock_.count(clock_.lockWaits_);
                lock_.lock();
            }
            ++tVoiceLocksHeld;
        }
        void unlock() override {
            --tVoiceLocksHeld;
            lock_.unlock();
        }
        void wake() override {
            clock_.pauseIfHeld();
            std::lock_guard own(mutex_);
            woken_ = true;
            changed_.notify_all();
        }
        void waitUntil(std::int64_t deadlineMs) override {
            {
                std::lock_guard clock(clock_.mutex_);
                deadline = deadlineMs;
                clock_.waiters_.push_back(this);
                clock_.changed_.notify_all();
            }
            {
                std::unique_lock own(mutex_);
                while (!woken_ && clock_.nowMs() < deadlineMs) changed_.wait(own);
                woken_ = false;
            }
            std::lock_guard clock(clock_.mutex_);
            clock_.waiters_.erase(std::find(clock_.waiters_.begin(), clock_.waiters_.end(), this));
            clock_.changed_.notify_all();
        }
        // Called by the clock, under its own lock, when the time has changed.
        void notify() {
            std::lock_guard own(mutex_);
            changed_.notify_all();
        }

        std::int64_t deadline = 0;  // under the clock's lock, while waiting

    private:
        FakeClock& clock_;
        std::recursive_mutex lock_;
        std::mutex mutex_;
        std::condition_variable changed_;
        bool woken_ = false;  // an auto-reset event
    };

    void pauseIfHeld() {
        std::unique_lock own(mutex_);
        if (!holdWakes_) return;
        ++wakesHeld_;
        changed_.notify_all();
        changed_.wait(own, [this] { return !holdWakes_; });
    }
    void count(int& counter) {
        std::lock_guard own(mutex_);
        ++counter;
        changed_.notify_all();
    }
    bool waitForCount(const int& counter, int count) {
        std::unique_lock own(mutex_);
        return changed_.wait_for(own, kPatience, [&] { return counter >= count; });
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<std::int64_t> now_{0};
    std::vector<Sync*> waiters_;
    bool holdWakes_ = false;
    int wakesHeld_ = 0;
    int lockWaits_ = 0;
};

// Worker threads that are joined when the test is over; they can also refuse
// to start.
class TestThreads final : public WorkerThreads {
public:
    bool refuse = false;

    bool start(std::function<void()> work) override {
        if (refuse) return false;
        std::lock_guard lock(mutex_);
        threads_.emplace_back(std::move(work));
        return true;
    }
    ~TestThreads() override {
        for (std::thread& t : threads_) t.join();
    }

private:
    std::mutex mutex_;
    std::vector<std::thread> threads_;
};

}  // namespace pelomar::test
