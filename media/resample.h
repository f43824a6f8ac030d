// The words are stored at 16000 Hz and played at 22050 Hz, the rate the
// sound output already keeps a stream of: windowed-sinc interpolation
// (48 taps, Kaiser window) that keeps everything below 7 kHz and takes out
// the images above 8 kHz.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pelomar {

inline constexpr int kStoredWordRate = 16000;
inline constexpr int kPlayedWordRate = 22050;

// How many samples at 22050 Hz `count` samples at 16000 Hz make.
std::size_t resampledLength(std::size_t count);

// The samples at 22050 Hz, resampledLength(in.size()) of them; empty when
// there is no memory for them. Silence stays exactly zero.
std::vector<std::int16_t> resampleTo22050(std::span<const std::int16_t> in);

}  // namespace pelomar
