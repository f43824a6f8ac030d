// What a short sound looks like, for putting a learner's recording beside
// its model: the loudness of every 10 ms frame, the stretch that sounds (its
// duration), and a coarse spectrogram from 0 to 5.5 kHz, where voicing shows
// at the bottom and friction at the top. Also where one repetition ends in a
// symbol's sound, which says the sound two or three times.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "media/wav_chunks.h"

namespace pelomar {

inline constexpr int kFrameMs = 10;
// A frame of nothing but zeros.
inline constexpr float kSilentDb = -90.0f;

// Samples on the 16-bit scale at their own rate.
struct PcmSound {
    int rate = 0;
    std::vector<std::int16_t> samples;
};
// A mono PCM sound, 8-bit unsigned or 16-bit signed; nothing for any other
// format.
std::optional<PcmSound> decodePcm(const WavChunks& wav);

// The RMS level of each whole 10 ms frame, in dB below full scale, kSilentDb
// for a frame of zeros. A frame is rate / 100 samples, the odd part of a
// sample carried over to the next.
std::vector<float> frameLevels(std::span<const std::int16_t> samples, int rate);
// The first sample of frame i.
std::size_t frameStart(int frame, int rate);

// The frames [first, end) of a sound.
struct FrameSpan {
    int first = 0;
    int end = 0;
    int frames() const { return end - first; }
    bool empty() const { return end <= first; }
};

// The stretches that sound, louder than both 35 dB below the peak and 12 dB
// above the room's noise (the level that 100 ms of frames in a row, more
// than 12 dB below the peak and none digital silence, stay under); a
// stretch takes in pauses shorter than 200 ms (the closure of a stop). In
// order.
std::vector<FrameSpan> soundingStretches(std::span<const float> levels);
// The stretch a recording is about: the one with the most energy, without a
// short click (under 30 ms) standing 100 ms or more ahead of it. Empty when
// nothing sounds.
FrameSpan mainStretch(std::span<const float> levels);

// The spectrogram's bands: 44 of 125 Hz each, from 0 to 5.5 kHz, the most a
// sound at 11025 Hz carries.
inline constexpr int kBands = 44;
inline constexpr int kBandHz = 125;
// What the pictures show below a sound's peak.
inline constexpr float kLoudnessRangeDb = 40.0f;
inline constexpr float kBandRangeDb = 50.0f;

struct SoundPicture {
    std::vector<float> levels;             // per frame, dB below full scale
    std::vector<std::uint8_t> loudness;    // per frame: 0 at kLoudnessRangeDb or more below the peak, 255 at it
    std::vector<std::array<std::uint8_t, kBands>> bands;  // per frame, lowest band first: 0 quiet .. 255 loudest
    FrameSpan sounding;                    // mainStretch

    int durationMs() const { return sounding.frames() * kFrameMs; }
};
SoundPicture measureSound(std::span<const std::int16_t> samples, int rate);

struct SampleSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t size() const { return end - begin; }
};
// One repetition of a symbol's sound: its first sounding stretch, with 20 ms
// before and 40 ms after it where the sound has them. The whole sound when
// nothing sounds.
SampleSpan firstRepetition(std::span<const std::int16_t> samples, int rate);
// The part of a recording to play back: its main stretch with 100 ms before
// and 150 ms after it; the whole recording when nothing sounds.
SampleSpan playedPart(std::span<const std::int16_t> samples, int rate, const FrameSpan& sounding);

}  // namespace pelomar
