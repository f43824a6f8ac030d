// The wave-output device on WINMM's waveOut functions: one stream per voice on
// the mapped default device, each played block reported through a callback
// function on the audio system's thread. Blocks are prepared as they are
// queued and unprepared as the voice releases them.
#pragma once

#include "media/sound_voice.h"

namespace pelomar {

class WaveOutDevice final : public WaveDevice {
public:
    std::unique_ptr<WaveStream> open(std::span<const unsigned char> format, BlockListener& listener) override;
};

}  // namespace pelomar
