#include "media/wave_out_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>

namespace pelomar {
namespace {

// Runs on the audio system's thread, where only signalling is allowed: it
// tells the voice and does nothing else.
void CALLBACK waveOutDone(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message == WOM_DONE) reinterpret_cast<BlockListener*>(instance)->blockPlayed();
}

class WaveOutStream final : public WaveStream {
public:
    ~WaveOutStream() override {
        if (handle_) waveOutClose(handle_);
    }

    bool open(std::span<const unsigned char> format, BlockListener& listener) {
        if (waveOutOpen(&handle_, WAVE_MAPPER, reinterpret_cast<const WAVEFORMATEX*>(format.data()),
                        reinterpret_cast<DWORD_PTR>(&waveOutDone), reinterpret_cast<DWORD_PTR>(&listener),
                        CALLBACK_FUNCTION) == MMSYSERR_NOERROR)
            return true;
        handle_ = nullptr;
        return false;
    }

    bool queueBlock(int index, const unsigned char* bytes, std::size_t size) override {
        WAVEHDR& header = headers_[index];
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<unsigned char*>(bytes));
        header.dwBufferLength = static_cast<DWORD>(size);
        if (waveOutPrepareHeader(handle_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
        if (waveOutWrite(handle_, &header, sizeof header) == MMSYSERR_NOERROR) return true;
        waveOutUnprepareHeader(handle_, &header, sizeof header);
        return false;
    }

    void releaseBlock(int index) override { waveOutUnprepareHeader(handle_, &headers_[index], sizeof(WAVEHDR)); }

    void breakOff() override {
        waveOutPause(handle_);
        waveOutReset(handle_);
    }

private:
    HWAVEOUT handle_ = nullptr;
    std::array<WAVEHDR, kRingBlocks> headers_{};
};

}  // namespace

std::unique_ptr<WaveStream> WaveOutDevice::open(std::span<const unsigned char> format, BlockListener& listener) {
    if (waveOutGetNumDevs() == 0) return nullptr;
    auto stream = std::make_unique<WaveOutStream>();
    if (!stream->open(format, listener)) return nullptr;
    return stream;
}

}  // namespace pelomar
