#include "media/wave_out_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>

namespace pelomar {

// One open stream. It outlives the voice that opened it when it is kept for
// reuse, so the callback is bound to the stream and finds its current voice
// here.
struct WaveOutDevice::Channel {
    HWAVEOUT handle = nullptr;
    std::vector<unsigned char> format;
    std::atomic<BlockListener*> listener{nullptr};
    std::atomic<int> outstanding{0};  // blocks written and not yet given back
    bool paused = false;
    bool failed = false;  // the device refused a block

    ~Channel() {
        if (handle) waveOutClose(handle);
    }
};

namespace {

// Runs on the audio system's thread, where only signalling is allowed: it
// tells the voice and does nothing else. The count drops first, so once the
// voice has seen its last block come back the stream is known to be idle.
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
        WAVEHDR& header = headers_[index];
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<unsigned char*>(bytes));
        header.dwBufferLength = static_cast<DWORD>(size);
        const HWAVEOUT handle = channel_->handle;
        if (waveOutPrepareHeader(handle, &header, sizeof header) == MMSYSERR_NOERROR) {
            channel_->outstanding.fetch_add(1);
            if (waveOutWrite(handle, &header, sizeof header) == MMSYSERR_NOERROR) return true;
            channel_->outstanding.fetch_sub(1);
            waveOutUnprepareHeader(handle, &header, sizeof header);
        }
        channel_->failed = true;
        return false;
    }

    void releaseBlock(int index) override {
        waveOutUnprepareHeader(channel_->handle, &headers_[index], sizeof(WAVEHDR));
    }

    void breakOff() override {
        waveOutPause(channel_->handle);
        channel_->paused = true;
        waveOutReset(channel_->handle);
    }

private:
    WaveOutDevice& device_;
    std::unique_ptr<WaveOutDevice::Channel> channel_;
    std::array<WAVEHDR, kRingBlocks> headers_{};
};

WaveOutDevice::WaveOutDevice(std::chrono::milliseconds keepIdle)
    : spares_(kSparesPerFormat, kMaxSpares, keepIdle) {}

WaveOutDevice::~WaveOutDevice() { closeIdleStreams(); }

std::unique_ptr<WaveStream> WaveOutDevice::open(std::span<const unsigned char> format, BlockListener& listener) {
    std::unique_ptr<Channel> channel;
    std::vector<std::unique_ptr<Channel>> expired;  // closed outside the lock
    {
        std::lock_guard lock(mutex_);
        channel = spares_.take(format, std::chrono::steady_clock::now(), expired);
    }
    if (!channel) {
        if (waveOutGetNumDevs() == 0) return nullptr;
        channel = std::make_unique<Channel>();
        channel->format.assign(format.begin(), format.end());
        if (waveOutOpen(&channel->handle, WAVE_MAPPER, reinterpret_cast<const WAVEFORMATEX*>(format.data()),
                        reinterpret_cast<DWORD_PTR>(&waveOutDone), reinterpret_cast<DWORD_PTR>(channel.get()),
                        CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
            channel->handle = nullptr;
            return nullptr;
        }
        opened_.fetch_add(1);
    }
    channel->listener.store(&listener);
    return std::make_unique<WaveOutStream>(*this, std::move(channel));
}

void WaveOutDevice::giveBack(std::unique_ptr<Channel> channel) {
    // A stream that still owes blocks (a device that stopped giving them
    // back) could report them to its next voice, and one that refused a
    // block would fail the next voice too: such streams are closed.
    if (channel->outstanding.load() != 0 || channel->failed) return;
    if (channel->paused) {
        // A reset stream stays paused; the next voice expects one that plays.
        if (waveOutRestart(channel->handle) != MMSYSERR_NOERROR) return;
        channel->paused = false;
    }
    const Channel& kept = *channel;  // lives on, moved onto the shelf or into `closed`
    std::unique_ptr<Channel> closed;  // closed outside the lock
    std::lock_guard lock(mutex_);
    closed = spares_.keep(std::move(channel), kept.format, std::chrono::steady_clock::now());
}

void WaveOutDevice::closeIdleStreams() {
    std::vector<std::unique_ptr<Channel>> closing;
    std::lock_guard lock(mutex_);
    closing = spares_.takeAll();
}

int WaveOutDevice::spareStreams() const {
    std::lock_guard lock(mutex_);
    return spares_.size();
}

}  // namespace pelomar
