// Test sounds made to measure, and a microphone that records what a test
// hands it.
#pragma once

#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <numbers>
#include <vector>

#include "media/sound_recorder.h"
#include "media/sound_test_support.h"

namespace pelomar::test {

using Samples = std::vector<std::int16_t>;

inline std::size_t samplesFor(int ms, int rate) { return static_cast<std::size_t>(std::int64_t{ms} * rate / 1000); }
inline double amplitudeOf(double db) { return 32767.0 * std::pow(10.0, db / 20.0) * std::numbers::sqrt2; }

// A sine at `db` (RMS, below full scale).
inline Samples tone(int ms, double hz, double db, int rate = kCaptureRate) {
    Samples s(samplesFor(ms, rate));
    const double a = amplitudeOf(db);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(std::lround(a * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate)));
    return s;
}

// Noise at about `db`, the same every time; `hiss` keeps only its upper
// part, as friction does.
inline Samples noise(int ms, double db, int rate = kCaptureRate, bool hiss = false, std::uint32_t seed = 1) {
    Samples s(samplesFor(ms, rate));
    const double a = amplitudeOf(db) / std::numbers::sqrt2 * std::sqrt(3.0) / (hiss ? 2.0 : 1.0);
    double previous = 0;
    for (auto& v : s) {
        seed = seed * 1664525u + 1013904223u;
        const double u = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
        v = static_cast<std::int16_t>(std::lround(std::clamp(a * (hiss ? u - previous : u), -32768.0, 32767.0)));
        previous = u;
    }
    return s;
}

inline Samples silence(int ms, int rate = kCaptureRate) { return Samples(samplesFor(ms, rate)); }

inline Samples joined(std::initializer_list<Samples> parts) {
    Samples all;
    for (const Samples& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// What happened to one input stream.
struct CaptureLog {
    std::vector<int> queued;  // every block index queued, in order
    std::deque<int> onDevice;  // queued and not handed back, oldest first
    std::vector<int> taken;    // every index taken back, in order
    int faults = 0;            // a block queued twice or taken while on the device
    int lockedCalls = 0;       // calls made while holding a take's lock
    bool started = false;
    int stops = 0;
    bool closed = false;
    std::size_t onDeviceAtClose = 0;
};

// A microphone that delivers only when a test says so: deliver() fills the
// oldest queued blocks from the samples given and hands them back, as the
// device's thread would. A stop hands every queued block back from inside
// the call, as a reset does.
class FakeMicrophone final : public CaptureDevice {
public:
    CaptureOpening opening = CaptureOpening::Opened;
    bool refuseBlocks = false;
    bool refuseStart = false;
    bool ignoreStops = false;  // a stop hands nothing back

    CaptureOpening open(int rate, CaptureListener& listener, std::unique_ptr<CaptureStream>& stream) override {
        std::lock_guard lock(mutex_);
        ++opens_;
        rate_ = rate;
        changed_.notify_all();
        if (opening != CaptureOpening::Opened) return opening;
        log_ = std::make_shared<CaptureLog>();
        if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
        listener_ = &listener;
        stream = std::make_unique<Stream>(*this, log_);
        return CaptureOpening::Opened;
    }

    // Fills queued blocks, oldest first, with these samples (a block only
    // partly when they run out) and hands them back; returns the samples used.
    std::size_t deliver(const Samples& samples) {
        std::size_t used = 0;
        while (used < samples.size()) {
            CaptureListener* listener = nullptr;
            {
                std::unique_lock lock(mutex_);
                // Until the stream stops: a stopped one takes nothing more.
                changed_.wait_for(lock, kPatience, [&] { return log_ && (!log_->onDevice.empty() || log_->stops > 0); });
                if (!log_ || log_->onDevice.empty()) break;
                const int index = log_->onDevice.front();
                log_->onDevice.pop_front();
                Block& b = blocks_[index];
                b.filled = std::min(b.count, samples.size() - used);
                std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(used), b.filled, b.at);
                used += b.filled;
                listener = listener_;
            }
            listener->blockRecorded();
        }
        return used;
    }

    bool waitFor(const std::function<bool(const FakeMicrophone&)>& ready) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return ready(*this); });
    }
    CaptureLog log() {
        std::lock_guard lock(mutex_);
        return log_ ? *log_ : CaptureLog{};
    }
    int opens() {
        std::lock_guard lock(mutex_);
        return opens_;
    }
    int rate() {
        std::lock_guard lock(mutex_);
        return rate_;
    }
    // Read inside waitFor.
    const CaptureLog* current() const { return log_.get(); }

private:
    struct Block {
        std::int16_t* at = nullptr;
        std::size_t count = 0;
        std::size_t filled = 0;
    };

    class Stream final : public CaptureStream {
    public:
        Stream(FakeMicrophone& mic, std::shared_ptr<CaptureLog> log) : mic_(mic), log_(std::move(log)) {}
        ~Stream() override {
            std::lock_guard lock(mic_.mutex_);
            if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
            log_->closed = true;
            log_->onDeviceAtClose = log_->onDevice.size();
            mic_.changed_.notify_all();
        }
        bool queueBlock(int index, std::int16_t* samples, std::size_t count) override {
            std::lock_guard lock(mic_.mutex_);
            if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
            if (mic_.refuseBlocks) return false;
            if (std::find(log_->onDevice.begin(), log_->onDevice.end(), index) != log_->onDevice.end()) ++log_->faults;
            mic_.blocks_[index] = {samples, count, 0};
            log_->queued.push_back(index);
            log_->onDevice.push_back(index);
            mic_.changed_.notify_all();
            return true;
        }
        bool start() override {
            std::lock_guard lock(mic_.mutex_);
            if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
            log_->started = !mic_.refuseStart;
            mic_.changed_.notify_all();
            return log_->started;
        }
        std::size_t takeBlock(int index) override {
            std::lock_guard lock(mic_.mutex_);
            if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
            if (std::find(log_->onDevice.begin(), log_->onDevice.end(), index) != log_->onDevice.end()) ++log_->faults;
            log_->taken.push_back(index);
            mic_.changed_.notify_all();
            return mic_.blocks_[index].filled;
        }
        void stop() override {
            std::size_t given = 0;
            CaptureListener* listener = nullptr;
            {
                std::lock_guard lock(mic_.mutex_);
                if (tVoiceLocksHeld > 0) ++log_->lockedCalls;
                ++log_->stops;
                mic_.changed_.notify_all();
                if (mic_.ignoreStops) return;
                for (const int index : log_->onDevice) mic_.blocks_[index].filled = 0;
                given = log_->onDevice.size();
                log_->onDevice.clear();
                listener = mic_.listener_;
            }
            for (std::size_t i = 0; i < given; ++i) listener->blockRecorded();
        }

    private:
        FakeMicrophone& mic_;
        std::shared_ptr<CaptureLog> log_;
    };

    std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<CaptureLog> log_;
    CaptureListener* listener_ = nullptr;
    Block blocks_[kCaptureBlocks];
    int opens_ = 0;
    int rate_ = 0;
};

}  // namespace pelomar::test
