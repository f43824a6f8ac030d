// The microphone on WINMM's waveIn functions: one stream per take on the
// mapped default input, 16-bit mono, each filled block reported through a
// callback function on the audio system's thread. Blocks are prepared as
// they are queued and unprepared as the take takes them. The stream is
// opened when a take begins and closed when it ends, so the system shows
// the microphone in use only while the learner records.
//
// A stream the device will not close (blocks still out on it) is kept, never
// freed, for the rest of the run: the device may still write into the
// blocks' headers and call back with it.
#pragma once

#include <atomic>
#include <memory>

#include "media/sound_recorder.h"

namespace pelomar {

class WaveInDevice final : public CaptureDevice {
public:
    CaptureOpening open(int rate, CaptureListener& listener, std::unique_ptr<CaptureStream>& stream) override;

    // Streams the device would not close. For the tests.
    int streamsNotClosed() const { return unclosed_.load(); }

private:
    friend class WaveInStream;
    std::atomic<int> unclosed_{0};
};

}  // namespace pelomar
