#include "media/adpcm.h"

#include <algorithm>
#include <new>

namespace pelomar {
namespace {

constexpr int kIndexStep[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr std::int32_t kSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

}  // namespace

std::vector<std::int16_t> decodeAdpcm(std::span<const unsigned char> coded, std::size_t count) {
    if (coded.empty() || coded[0] > 88 || (coded.size() - 1) < (count + 1) / 2) return {};
    std::vector<std::int16_t> out;
    try {
        out.resize(count);
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::int32_t predictor = 0;
    int index = coded[0];
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char byte = coded[1 + i / 2];
        const int code = (i % 2 == 0) ? (byte & 15) : (byte >> 4);
        const std::int32_t step = kSteps[index];
        std::int32_t diff = step >> 3;
        if (code & 4) diff += step;
        if (code & 2) diff += step >> 1;
        if (code & 1) diff += step >> 2;
        predictor = std::clamp<std::int32_t>((code & 8) ? predictor - diff : predictor + diff, -32768, 32767);
        index = std::clamp(index + kIndexStep[code & 7], 0, 88);
        out[i] = static_cast<std::int16_t>(predictor);
    }
    return out;
}

}  // namespace pelomar
