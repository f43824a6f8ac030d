// The words' sound coding: 4-bit IMA ADPCM, one nibble a sample, the low
// nibble first. A coded sound is one byte with the step index the decoder
// starts from (0..88), then the nibbles; the predictor starts at 0. The
// generator's encoder (tools/assets/adpcm.py) is the same arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pelomar {

// `count` samples of a coded sound; empty when the bytes are not one (no
// step byte, a step index above 88, or fewer nibbles than `count`) or there
// is no memory for them. Never reads outside `coded`.
std::vector<std::int16_t> decodeAdpcm(std::span<const unsigned char> coded, std::size_t count);

}  // namespace pelomar
