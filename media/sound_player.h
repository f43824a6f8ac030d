// The program's sound output: every sound plays on its own voice and worker
// thread, in the background, and sounds never stop one another by themselves.
// All calls come from the user-interface thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "media/sound_actions.h"
#include "media/sound_voice.h"
#include "media/words.h"

namespace pelomar {

// Runs each voice's worker on a thread of its own. Nobody joins it: the
// worker tells the player when it has finished, and its thread is then free.
class WorkerThreads {
public:
    virtual ~WorkerThreads() = default;
    // False when no thread could be started; `work` has not run then.
    virtual bool start(std::function<void()> work) = 0;
};

class SoundPlayer final : public SoundActions {
public:
    SoundPlayer(WaveDevice& device, Clock& clock, WorkerThreads& threads);
    // Waits for the workers, as shutdownSounds does.
    ~SoundPlayer() override;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Plays the sound of symbol n (1..48) without stopping anything first.
    bool playSymbol(int n) override;
    // Starts a voice for a WAV image and returns at once; the bytes are not
    // referenced after the call. False when the image is refused (too short,
    // no format or no samples) or there is no memory for its copy; true also
    // when the device cannot be opened, in which case the voice ends silently.
    bool playSound(const unsigned char* bytes, std::size_t size, bool loop);
    // Decodes a word's rendition to 16-bit 22050 Hz samples and plays them
    // like a sound, without stopping anything first. False when the stored
    // bytes are not a coded sound or there is no memory for the samples.
    bool playWord(const CodedWord& word);
    // Plays 16-bit mono samples at `rate` like a sound, without stopping
    // anything first; the samples are copied. False when there are none or
    // no memory for the copy.
    bool playSamples(std::span<const std::int16_t> samples, int rate);
    // Asks every active voice to break off, and returns without waiting.
    void stopAllSounds() override;
    // Has a sound worker open ahead what the next sounds will need (one
    // stream of each format the sounds use), unless the device has it
    // already or a preparation is under way; returns at once. After a
    // preparation that found no device, or a format refused, the next one
    // waits kPrepareAgainMs.
    void prepareStreams();
    // Asks every active voice to break off, then waits until every worker has
    // released its voice and ended, and closes the streams the device keeps.
    void shutdownSounds();
    // The same for the end of the program, given up once `patience` has
    // passed: a device that never gives its blocks back, or whose closing
    // never returns, must not hold the end. The closing runs on a worker of
    // its own. True when all of it was done in time.
    bool shutdownSounds(std::chrono::milliseconds patience);

    // The three below are for the tests and benchmarks.
    // Voices that have not yet ended.
    std::size_t activeVoices() const;
    // Voices that ended with blocks still out on a device that would not give
    // them back: their streams cannot be closed, so they are kept, never
    // freed, for the rest of the run.
    int abandonedVoices() const;
    // Waits, stopping nothing, until every voice has ended and its worker is
    // gone; false when that has not happened within `patience`.
    bool waitForSilence(std::chrono::milliseconds patience);

    static constexpr std::int64_t kPrepareAgainMs = 30000;

private:
    bool start(const WavChunks& wav, bool loop);
    void work(SoundVoice* voice);
    void prepare();

    WaveDevice& device_;
    Clock& clock_;
    WorkerThreads& threads_;

    mutable std::mutex mutex_;         // the active-voice list and the worker count
    std::condition_variable workerEnded_;
    std::vector<std::unique_ptr<SoundVoice>> voices_;
    int workers_ = 0;                  // worker threads that have not finished
    int abandoned_ = 0;
    const std::vector<std::vector<unsigned char>> formats_;  // of the sounds, as the device takes them
    bool preparing_ = false;
    std::int64_t prepareAgainAtMs_ = 0;
};

}  // namespace pelomar
