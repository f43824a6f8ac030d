// Recording the learner from the microphone: one take at a time, 16-bit mono
// at 22050 Hz, the format the sound output plays it back in. A take runs on
// a sound worker as a voice does (media/sound_voice.h): it opens the device
// only when asked, keeps a ring of blocks queued on it, takes each block the
// device hands back, and ends by the rule of the speech detector (at most 3
// seconds, 600 ms after the speech stops), on request, or when the device
// stops delivering. The device's callback only counts and wakes the worker,
// under the take's lock; no lock it takes is held across a device call.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "media/sound_picture.h"
#include "media/sound_player.h"
#include "media/sound_voice.h"
#include "media/speech_detector.h"

namespace pelomar {

inline constexpr int kCaptureRate = 22050;
inline constexpr int kCaptureBlockSamples = 882;  // 40 ms
inline constexpr int kCaptureBlocks = 12;
// A device that hands back no block for this long while recording has
// stopped delivering: the take ends with what it has.
inline constexpr std::int64_t kCaptureStallMs = 1000;

// Told by the device, on one of its own threads, each time a queued block
// has been filled (or handed back by a stop).
class CaptureListener {
public:
    virtual ~CaptureListener() = default;
    virtual void blockRecorded() = 0;
};

// One open input stream. Destroying it closes it; by then every block it was
// given has come back and been taken.
class CaptureStream {
public:
    virtual ~CaptureStream() = default;
    // Prepares block `index` of the ring over these samples and queues it;
    // the device fills blocks in the order queued. False when refused.
    virtual bool queueBlock(int index, std::int16_t* samples, std::size_t count) = 0;
    virtual bool start() = 0;
    // A block that has come back: unprepares it and says how many samples the
    // device wrote into it.
    virtual std::size_t takeBlock(int index) = 0;
    // Recording stops at once and every queued block comes back.
    virtual void stop() = 0;
};

enum class CaptureOpening { Opened, NoDevice, Refused };

class CaptureDevice {
public:
    virtual ~CaptureDevice() = default;
    // Opens the default input, mono 16-bit at `rate`. NoDevice when the
    // system has no input device; Refused when it is busy or will not record
    // in that format.
    virtual CaptureOpening open(int rate, CaptureListener& listener, std::unique_ptr<CaptureStream>& stream) = 0;
};

enum class RecordingPhase {
    Idle,       // nothing recorded yet
    Opening,    // the take has begun; the device is being opened
    Recording,  // samples are coming in
    Recorded,   // ended with speech in it: the recording can be taken
    NoDevice,
    Refused,    // busy, or the format refused
    Silent,     // ended with no speech in it
    Cancelled,
};

struct RecorderState {
    RecordingPhase phase = RecordingPhase::Idle;
    float levelDb = -90.0f;  // the loudest frame of the last block, for the meter
    int heardMs = 0;         // recorded so far
};

// What a take that heard speech hands over: its samples at kCaptureRate
// and their picture, measured on the worker so that the user interface does
// not wait for it.
struct Recording {
    std::vector<std::int16_t> samples;
    SoundPicture picture;
};

class RecordingTake;

class SoundRecorder {
public:
    SoundRecorder(CaptureDevice& device, Clock& clock, WorkerThreads& threads);
    // Cancels a take and waits for its worker.
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    // Called on a worker's thread whenever the phase changes; the user
    // interface posts itself a message there. Empty for none.
    void setOnChange(std::function<void()> onChange);

    // Starts a take and returns at once. False, with nothing started, while
    // the last take is still ending, or when no worker could be had.
    bool record();
    // Ends the take now, keeping what it has heard.
    void finish();
    // Ends the take and drops it.
    void cancel();

    RecorderState state() const;
    // The take that ended Recorded, once; empty samples otherwise.
    Recording takeRecording();

    // Cancels the take and waits up to `patience` for its worker; true when
    // it has ended.
    bool shutdown(std::chrono::milliseconds patience);
    // For the tests: waits, cancelling nothing, for the take's worker to end.
    bool waitForIdle(std::chrono::milliseconds patience);

private:
    void work(RecordingTake* take);
    void changed();

    CaptureDevice& device_;
    Clock& clock_;
    WorkerThreads& threads_;
    std::function<void()> onChange_;

    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::unique_ptr<RecordingTake> take_;  // the running take
    bool working_ = false;                 // its worker has not finished
    RecordingPhase last_ = RecordingPhase::Idle;  // how the last take ended
    Recording recording_;
};

// One take; the recorder's worker runs it. In the header for the tests.
class RecordingTake final : public CaptureListener {
public:
    explicit RecordingTake(std::function<void()> onChange);
    ~RecordingTake() override;
    RecordingTake(const RecordingTake&) = delete;
    RecordingTake& operator=(const RecordingTake&) = delete;

    // Opens, records until the end, stops and takes back every block. True
    // with every block back; false when blocks are still out, in which case
    // the take must never be destroyed.
    [[nodiscard]] bool run(CaptureDevice& device, Clock& clock);
    // How it ended, once run has returned: Recorded, NoDevice, Refused,
    // Silent or Cancelled.
    RecordingPhase ending() const { return ending_; }

    void requestFinish();
    void requestCancel();
    void blockRecorded() override;

    // Opening, then Recording once the device records.
    RecordingPhase phase() const { return phase_.load(); }
    float levelDb() const { return level_.load(); }
    int heardMs() const { return heardMs_.load(); }
    std::vector<std::int16_t>& samples() { return samples_; }

private:
    enum Request { None, Finish, Cancel };

    void setPhase(RecordingPhase phase);
    bool queue(int index);
    // Takes the blocks that are back and queues their slots again; `ended`
    // once the detector ends the take or the device refuses a block.
    int collect(bool& ended);
    int blocksOut();
    void wake();

    std::function<void()> onChange_;
    std::atomic<RecordingPhase> phase_{RecordingPhase::Opening};
    std::atomic<float> level_{-90.0f};
    std::atomic<int> heardMs_{0};
    std::atomic<int> request_{None};

    // Worker-only state.
    RecordingPhase ending_ = RecordingPhase::Cancelled;
    std::vector<std::int16_t> ring_;     // the blocks' memory
    std::vector<std::int16_t> samples_;  // the recording
    SpeechDetector detector_{kCaptureRate};
    int nextBlock_ = 0;  // the slot queued next
    int handed_ = 0;     // blocks queued and not yet taken, oldest first

    std::unique_ptr<VoiceSync> sync_;
    std::atomic<VoiceSync*> wakeable_{nullptr};
    int queued_ = 0;  // under sync_: blocks on the stream that have not come back
    std::unique_ptr<CaptureStream> stream_;
};

}  // namespace pelomar
