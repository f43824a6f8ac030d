#include "media/wave_out_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>

#include "media/kept_for_the_run.h"
#include "media/winmm_win32.h"

namespace pelomar {

// One open stream, with the headers of the blocks queued on it. It outlives
// the voice that opened it when it is kept for reuse, so the callback is bound
// to the stream and finds its current voice here. Closed by
// WaveOutDevice::close, never by being destroyed.
struct WaveOutDevice::Channel {
    HWAVEOUT handle = nullptr;
    std::vector<unsigned char> format;
    std::array<WAVEHDR, kRingBlocks> headers{};
    std::atomic<BlockListener*> listener{nullptr};
    std::atomic<int> outstanding{0};  // blocks written and not yet given back
    bool paused = false;
    bool failed = false;  // the device refused a block
};

namespace {

// Runs on the audio system's thread, where only critical sections, SetEvent,
// PostMessage and the time functions are allowed, and no waveOut call: it
// drops an atomic count and tells the voice, which counts and wakes its worker
// under a critical section (sound_voice.h). The count drops first, so once
// the voice has seen its last block come back the stream is known to be idle.
void CALLBACK waveOutDone(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message != WOM_DONE) return;
    auto* channel = reinterpret_cast<WaveOutDevice::Channel*>(instance);
    channel->outstanding.fetch_sub(1);
    if (BlockListener* listener = channel->listener.load()) listener->blockPlayed();
}

}  // namespace

class WaveOutStream final : public WaveStream {
public:
    WaveOutStream(WaveOutDevice& device, std::unique_ptr<WaveOutDevice::Channel> channel)
        : device_(device), channel_(std::move(channel)) {}

    ~WaveOutStream() override {
        channel_->listener.store(nullptr);
        device_.giveBack(std::move(channel_));
    }

    bool queueBlock(int index, const unsigned char* bytes, std::size_t size) override {
        WAVEHDR& header = channel_->headers[index];
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<unsigned char*>(bytes));
        header.dwBufferLength = static_cast<DWORD>(size);
        const HWAVEOUT handle = channel_->handle;
        if (winmm()->waveOutPrepareHeader(handle, &header, sizeof header) == MMSYSERR_NOERROR) {
            channel_->outstanding.fetch_add(1);
            if (winmm()->waveOutWrite(handle, &header, sizeof header) == MMSYSERR_NOERROR) return true;
            channel_->outstanding.fetch_sub(1);
            winmm()->waveOutUnprepareHeader(handle, &header, sizeof header);
        }
        channel_->failed = true;
        return false;
    }

    void releaseBlock(int index) override {
        winmm()->waveOutUnprepareHeader(channel_->handle, &channel_->headers[index], sizeof(WAVEHDR));
    }

    void breakOff() override {
        winmm()->waveOutPause(channel_->handle);
        channel_->paused = true;
        winmm()->waveOutReset(channel_->handle);
    }

private:
    WaveOutDevice& device_;
    std::unique_ptr<WaveOutDevice::Channel> channel_;
};

WaveOutDevice::WaveOutDevice(std::chrono::milliseconds keepIdle)
    : spares_(kSparesPerFormat, kMaxSpares, keepIdle) {}

WaveOutDevice::~WaveOutDevice() { closeIdleStreams(); }

std::unique_ptr<WaveStream> WaveOutDevice::open(std::span<const unsigned char> format, BlockListener& listener) {
    std::unique_ptr<Channel> channel;
    {
        std::lock_guard lock(mutex_);
        channel = spares_.take(format, std::chrono::steady_clock::now());
        publishReadiness();
    }
    if (!channel) channel = openChannel(format);
    if (!channel) return nullptr;
    channel->listener.store(&listener);
    return std::make_unique<WaveOutStream>(*this, std::move(channel));
}

std::unique_ptr<WaveOutDevice::Channel> WaveOutDevice::openChannel(std::span<const unsigned char> format) {
    // Without WINMM there is no device; a stream exists only where it was loaded.
    if (!winmm() || winmm()->waveOutGetNumDevs() == 0) return nullptr;
    auto channel = std::make_unique<Channel>();
    channel->format.assign(format.begin(), format.end());
    if (winmm()->waveOutOpen(&channel->handle, WAVE_MAPPER, reinterpret_cast<const WAVEFORMATEX*>(format.data()),
                             reinterpret_cast<DWORD_PTR>(&waveOutDone), reinterpret_cast<DWORD_PTR>(channel.get()),
                             CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
        return nullptr;
    opened_.fetch_add(1);
    return channel;
}

bool WaveOutDevice::prepare(std::span<const std::vector<unsigned char>> formats) {
    std::vector<std::unique_ptr<Channel>> closing;
    std::vector<std::vector<unsigned char>> missing;
    {
        std::lock_guard lock(mutex_);
        prepared_.assign(formats.begin(), formats.end());
        missing = spares_.missing(formats, std::chrono::steady_clock::now(), closing);
        publishReadiness();
    }
    // Opened first, closed after: a sound may be starting meanwhile, and
    // closing a stream (about 10 ms each under Wine) is the least urgent.
    bool all = true;
    for (const auto& format : missing) {
        std::unique_ptr<Channel> channel = openChannel(format);
        if (channel)
            keep(std::move(channel));
        else
            all = false;
    }
    for (auto& old : closing) close(std::move(old));
    return all;
}

bool WaveOutDevice::ready() {
    return std::chrono::steady_clock::now().time_since_epoch().count() <= readyUntil_.load();
}

void WaveOutDevice::publishReadiness() {
    readyUntil_.store(spares_.readyUntil(prepared_).time_since_epoch().count());
}

void WaveOutDevice::giveBack(std::unique_ptr<Channel> channel) {
    // A stream that still owes blocks (a device that stopped giving them
    // back) could report them to its next voice, and one that refused a
    // block would fail the next voice too: such streams are closed.
    if (channel->outstanding.load() != 0 || channel->failed) return close(std::move(channel));
    if (channel->paused) {
        // A reset stream stays paused; the next voice expects one that plays.
        if (winmm()->waveOutRestart(channel->handle) != MMSYSERR_NOERROR) return close(std::move(channel));
        channel->paused = false;
    }
    keep(std::move(channel));
}

void WaveOutDevice::keep(std::unique_ptr<Channel> channel) {
    const Channel& kept = *channel;  // lives on, on the shelf or in `closing`
    std::vector<std::unique_ptr<Channel>> closing;
    {
        std::lock_guard lock(mutex_);
        spares_.keep(std::move(channel), kept.format, std::chrono::steady_clock::now(), closing);
        publishReadiness();
    }
    for (auto& old : closing) close(std::move(old));
}

void WaveOutDevice::close(std::unique_ptr<Channel> channel) {
    if (winmm()->waveOutClose(channel->handle) == MMSYSERR_NOERROR) return;
    // Blocks are still out: the device may yet write their headers and call
    // back with this channel, so it is never freed.
    unclosed_.fetch_add(1);
    keepForTheRun(std::move(channel));
}

void WaveOutDevice::closeIdleStreams() {
    std::vector<std::unique_ptr<Channel>> closing;
    {
        std::lock_guard lock(mutex_);
        closing = spares_.takeAll();
        publishReadiness();
    }
    for (auto& channel : closing) close(std::move(channel));
}

int WaveOutDevice::spareStreams() const {
    std::lock_guard lock(mutex_);
    return spares_.size();
}

bool waveOutputPresent() { return winmm() && winmm()->waveOutGetNumDevs() > 0; }

}  // namespace pelomar
