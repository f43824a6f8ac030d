// Declarations of the word tables the build generates from
// media/assets/words.tsv and words.bin (cmake/embed_words.py).
#pragma once

#include <cstdint>
#include <string_view>

#include "media/words.h"

namespace pelomar::words_data {

inline constexpr int kRenditions = kWordVoices + 1;  // the voices, then the slow one

struct StoredWord {
    std::string_view text;
    std::uint16_t firstUnit;  // into kUnits
    std::uint8_t unitCount;
    std::uint32_t offset[kRenditions];   // into the blob
    std::uint32_t bytes[kRenditions];
    std::uint32_t samples[kRenditions];  // at 16000 Hz
};

extern const int kWordCount;
extern const StoredWord kWords[];  // sorted by text, byte by byte
extern const unsigned char kUnits[];
extern const int kCardWordCount;
extern const WordUse kCardWords[];          // by symbol, then in the card's order
extern const std::uint16_t kCardWordStart[49];  // symbol n's are [start[n - 1], start[n]), start[48] the count
extern const int kPairCount;
extern const MinimalPair kPairs[];

// Every coded rendition, one after the other.
const unsigned char* blob();
std::uint32_t blobSize();

}  // namespace pelomar::words_data
