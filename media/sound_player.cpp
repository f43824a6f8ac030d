#include "media/sound_player.h"

#include <algorithm>
#include <new>

#include "media/assets.h"
#include "media/kept_for_the_run.h"

namespace pelomar {
namespace {

std::unique_ptr<SoundVoice> takeFrom(std::vector<std::unique_ptr<SoundVoice>>& voices, SoundVoice* voice) {
    const auto it = std::find_if(voices.begin(), voices.end(), [voice](const auto& v) { return v.get() == voice; });
    std::unique_ptr<SoundVoice> taken = std::move(*it);
    *it = std::move(voices.back());
    voices.pop_back();
    return taken;
}

// The format blocks of the sounds, each once.
std::vector<std::vector<unsigned char>> soundFormats() {
    std::vector<std::vector<unsigned char>> formats;
    for (int n = 1; n <= 48; ++n) {
        const AssetView sound = soundFor(n);
        const std::optional<WavChunks> wav = walkWavChunks(sound.data, sound.size);
        if (!wav) continue;
        std::vector<unsigned char> format = deviceFormat(wav->format);
        if (!format.empty() && std::find(formats.begin(), formats.end(), format) == formats.end())
            formats.push_back(std::move(format));
    }
    return formats;
}

}  // namespace

SoundPlayer::SoundPlayer(WaveDevice& device, Clock& clock, WorkerThreads& threads)
    : device_(device), clock_(clock), threads_(threads), formats_(soundFormats()) {}

SoundPlayer::~SoundPlayer() { shutdownSounds(); }

bool SoundPlayer::playSymbol(int n) {
    const AssetView sound = soundFor(n);
    return playSound(sound.data, sound.size, false);
}

bool SoundPlayer::playSound(const unsigned char* bytes, std::size_t size, bool loop) {
    const std::optional<WavChunks> wav = walkWavChunks(bytes, size);
    return wav && start(*wav, loop);
}

bool SoundPlayer::playWord(const CodedWord& word) {
    // Mono, 22050 Hz, 16-bit PCM: the format of the symbols' wide sounds, so
    // a word takes a stream the device already keeps for them.
    static constexpr unsigned char kFormat[16] = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
    const std::vector<std::int16_t> samples = decodeWord(word);
    if (samples.empty()) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(samples.data());
    return start(WavChunks{kFormat, std::span(bytes, samples.size() * sizeof(std::int16_t))}, false);
}

bool SoundPlayer::playSamples(std::span<const std::int16_t> samples, int rate) {
    if (samples.empty() || rate <= 0) return false;
    const auto r = static_cast<std::uint32_t>(rate), bytes = r * 2;
    const unsigned char format[16] = {1, 0, 1, 0,
                                      static_cast<unsigned char>(r), static_cast<unsigned char>(r >> 8),
                                      static_cast<unsigned char>(r >> 16), static_cast<unsigned char>(r >> 24),
                                      static_cast<unsigned char>(bytes), static_cast<unsigned char>(bytes >> 8),
                                      static_cast<unsigned char>(bytes >> 16), static_cast<unsigned char>(bytes >> 24),
                                      2, 0, 16, 0};
    const auto* data = reinterpret_cast<const unsigned char*>(samples.data());
    return start(WavChunks{format, std::span(data, samples.size() * sizeof(std::int16_t))}, false);
}

bool SoundPlayer::start(const WavChunks& wav, bool loop) {
    SoundVoice* voice = nullptr;
    try {
        auto owned = std::make_unique<SoundVoice>(wav, loop);
        voice = owned.get();
        std::lock_guard lock(mutex_);
        voices_.push_back(std::move(owned));
        ++workers_;
    } catch (const std::bad_alloc&) {
        return false;
    }
    // The voice is in the list before its worker runs, so a stop request
    // reaches it even before it has opened its stream.
    bool started = false;
    try {
        started = threads_.start([this, voice] { work(voice); });
    } catch (const std::bad_alloc&) {
    }
    if (started) return true;
    std::unique_ptr<SoundVoice> unused;
    std::lock_guard lock(mutex_);
    unused = takeFrom(voices_, voice);
    --workers_;
    return false;
}

void SoundPlayer::stopAllSounds() {
    std::lock_guard lock(mutex_);
    for (const auto& voice : voices_) voice->requestStop();
}

void SoundPlayer::prepareStreams() {
    {
        std::lock_guard lock(mutex_);
        if (preparing_ || clock_.nowMs() < prepareAgainAtMs_) return;
    }
    if (device_.ready()) return;
    {
        std::lock_guard lock(mutex_);
        preparing_ = true;
        ++workers_;  // counted as a worker: the end waits for it as for a voice
    }
    bool started = false;
    try {
        started = threads_.start([this] { prepare(); });
    } catch (const std::bad_alloc&) {
    }
    if (started) return;
    std::lock_guard lock(mutex_);
    preparing_ = false;
    --workers_;
    workerEnded_.notify_all();
}

void SoundPlayer::prepare() {
    const bool ready = device_.prepare(formats_);
    const std::int64_t now = clock_.nowMs();
    std::lock_guard lock(mutex_);
    preparing_ = false;
    if (!ready) prepareAgainAtMs_ = now + kPrepareAgainMs;
    --workers_;
    workerEnded_.notify_all();
}

void SoundPlayer::shutdownSounds() {
    std::unique_lock lock(mutex_);
    for (const auto& voice : voices_) voice->requestStop();
    workerEnded_.wait(lock, [this] { return workers_ == 0; });
    lock.unlock();
    device_.closeIdleStreams();
}

bool SoundPlayer::shutdownSounds(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto ended = [this] { return workers_ == 0; };
    std::unique_lock lock(mutex_);
    for (const auto& voice : voices_) voice->requestStop();
    if (!workerEnded_.wait_until(lock, deadline, ended)) return false;
    ++workers_;  // the closing, counted as a worker so that the player outlives it
    lock.unlock();
    bool started = false;
    try {
        started = threads_.start([this] {
            device_.closeIdleStreams();
            std::lock_guard done(mutex_);
            --workers_;
            workerEnded_.notify_all();
        });
    } catch (const std::bad_alloc&) {
    }
    lock.lock();
    if (!started) {
        --workers_;
        return false;  // the streams go with the process
    }
    return workerEnded_.wait_until(lock, deadline, ended);
}

std::size_t SoundPlayer::activeVoices() const {
    std::lock_guard lock(mutex_);
    return voices_.size();
}

bool SoundPlayer::waitForSilence(std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex_);
    return workerEnded_.wait_for(lock, patience, [this] { return workers_ == 0; });
}

int SoundPlayer::abandonedVoices() const {
    std::lock_guard lock(mutex_);
    return abandoned_;
}

void SoundPlayer::work(SoundVoice* voice) {
    const bool released = voice->run(device_, clock_);
    std::unique_ptr<SoundVoice> ended;
    {
        std::lock_guard lock(mutex_);
        ended = takeFrom(voices_, voice);
        if (!released) ++abandoned_;
    }
    // The device still holds blocks of the voice: it may still read their samples
    // and report to it at any time, even once the player is gone.
    if (!released) keepForTheRun(std::move(ended));
    ended.reset();  // closes the stream and frees the samples, outside the list lock
    // The last touch of the player: shutdownSounds may return, and the player
    // go away, as soon as this lock is released.
    std::lock_guard lock(mutex_);
    --workers_;
    workerEnded_.notify_all();
}

}  // namespace pelomar
