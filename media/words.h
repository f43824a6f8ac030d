// The words to listen to: every example word of the cards and the words of
// the minimal pairs, each said by kWordVoices voices and once slowly by the
// main voice. They are stored coded (media/adpcm.h) at 16000 Hz and decoded
// to 16-bit 22050 Hz when they are played. Every view points at read-only
// data that lives as long as the program.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "media/assets.h"

namespace pelomar {

// Voice 0 is the main one, the voice of the symbols' sounds.
inline constexpr int kWordVoices = 3;

// One rendition of a word as stored.
struct CodedWord {
    AssetView coded;
    std::uint32_t samples = 0;  // at 16000 Hz
    bool empty() const { return coded.empty(); }
};

struct Word {
    std::string_view text;                 // ASCII letters, and the apostrophe of "it's"
    std::span<const unsigned char> units;  // symbol numbers in the order said; ts, dz, tr and dr are one each
};

// A word standing for one symbol: an example on the symbol's card, or one
// word of a minimal pair.
struct WordUse {
    int word = -1;             // for wordAt
    int symbol = 0;            // 1..48
    std::string_view letters;  // the letters that carry the sound
    int lettersAt = 0;         // where they start in the word's text
};

// Two words that differ in one sound: first.symbol against second.symbol.
struct MinimalPair {
    WordUse first;
    WordUse second;
};

int wordCount();
// Word i, 0 <= i < wordCount(); an empty word for any other i.
Word wordAt(int i);
// The word whose text is exactly `text`, or -1.
int findWord(std::string_view text);
// Word i said by voice v (0..kWordVoices-1); empty for any other i or v.
CodedWord wordSound(int i, int voice);
// Word i said slowly by voice 0; empty for any other i.
CodedWord slowWordSound(int i);
// The example words on symbol n's card (1..48), in the card's order; empty
// for any other n.
std::span<const WordUse> cardWords(int n);
std::span<const MinimalPair> minimalPairs();

// A rendition as it is played: 16-bit samples at 22050 Hz (media/resample.h);
// empty when the stored bytes are not a coded sound.
std::vector<std::int16_t> decodeWord(const CodedWord& word);

}  // namespace pelomar
