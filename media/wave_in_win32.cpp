#include "media/wave_in_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>

#include "media/kept_for_the_run.h"
#include "media/winmm_win32.h"

namespace pelomar {
namespace {

// One open input stream and the headers of its blocks. Freed only once
// the device has closed it.
struct Channel {
    HWAVEIN handle = nullptr;
    std::array<WAVEHDR, kCaptureBlocks> headers{};
    std::atomic<CaptureListener*> listener{nullptr};
};

// Runs on the audio system's thread, where only critical sections, SetEvent,
// PostMessage and the time functions are allowed, and no waveIn call: it
// tells the take, which counts and wakes its worker under a critical
// section (sound_recorder.h).
void CALLBACK waveInDone(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message != WIM_DATA) return;
    auto* channel = reinterpret_cast<Channel*>(instance);
    if (CaptureListener* listener = channel->listener.load()) listener->blockRecorded();
}

}  // namespace

class WaveInStream final : public CaptureStream {
public:
    WaveInStream(WaveInDevice& device, std::unique_ptr<Channel> channel)
        : device_(device), channel_(std::move(channel)) {}

    ~WaveInStream() override {
        channel_->listener.store(nullptr);
        if (winmm()->waveInClose(channel_->handle) == MMSYSERR_NOERROR) return;
        device_.unclosed_.fetch_add(1);
        keepForTheRun(std::move(channel_));
    }

    bool queueBlock(int index, std::int16_t* samples, std::size_t count) override {
        WAVEHDR& header = channel_->headers[index];
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(samples);
        header.dwBufferLength = static_cast<DWORD>(count * sizeof(std::int16_t));
        const HWAVEIN handle = channel_->handle;
        if (winmm()->waveInPrepareHeader(handle, &header, sizeof header) != MMSYSERR_NOERROR) return false;
        if (winmm()->waveInAddBuffer(handle, &header, sizeof header) == MMSYSERR_NOERROR) return true;
        winmm()->waveInUnprepareHeader(handle, &header, sizeof header);
        return false;
    }

    bool start() override { return winmm()->waveInStart(channel_->handle) == MMSYSERR_NOERROR; }

    std::size_t takeBlock(int index) override {
        WAVEHDR& header = channel_->headers[index];
        winmm()->waveInUnprepareHeader(channel_->handle, &header, sizeof header);
        return header.dwBytesRecorded / sizeof(std::int16_t);
    }

    void stop() override { winmm()->waveInReset(channel_->handle); }

private:
    WaveInDevice& device_;
    std::unique_ptr<Channel> channel_;
};

CaptureOpening WaveInDevice::open(int rate, CaptureListener& listener, std::unique_ptr<CaptureStream>& stream) {
    if (!winmm() || winmm()->waveInGetNumDevs() == 0) return CaptureOpening::NoDevice;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    auto channel = std::make_unique<Channel>();
    channel->listener.store(&listener);
    const MMRESULT opened = winmm()->waveInOpen(&channel->handle, WAVE_MAPPER, &format,
                                                reinterpret_cast<DWORD_PTR>(&waveInDone),
                                                reinterpret_cast<DWORD_PTR>(channel.get()), CALLBACK_FUNCTION);
    if (opened == MMSYSERR_BADDEVICEID || opened == MMSYSERR_NODRIVER) return CaptureOpening::NoDevice;
    if (opened != MMSYSERR_NOERROR) return CaptureOpening::Refused;
    stream = std::make_unique<WaveInStream>(*this, std::move(channel));
    return CaptureOpening::Opened;
}

}  // namespace pelomar
