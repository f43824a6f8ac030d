// The words a question can play, by the symbol they stand for, and the
// minimal pairs; and the candidates shown with a word. Built from the
// embedded words once, when the practice window first opens; the tests build
// small ones of their own.
#pragma once

#include <array>
#include <span>
#include <string_view>
#include <vector>

#include "chart/symbol_chart.h"
#include "practice/practice_sets.h"
#include "practice/random.h"

namespace pelomar {

// A word standing for one symbol.
struct PracticeWord {
    int word = -1;                         // the embedded word's index
    std::string_view text;                 // ASCII
    std::span<const unsigned char> units;  // every symbol the word carries
    int symbol = 0;
    std::string_view letters;  // the letters that carry the symbol's sound
    int lettersAt = 0;         // where they start in the text
};

bool carries(const PracticeWord& word, int symbol);

struct PracticePair {
    PracticeWord first;
    PracticeWord second;
};

struct WordBank {
    // Symbol n's words at [n - 1]: its card's words, then those of the
    // pairs it is in, each word once.
    std::array<std::vector<PracticeWord>, kSymbolCount> bySymbol;
    std::vector<PracticePair> pairs;

    const std::vector<PracticeWord>& wordsFor(int n) const;
    // The symbols a set asks about: those with a word to play, and for the
    // minimal pairs those in a pair.
    std::vector<int> symbolsOf(PracticeSet set) const;
    // The pairs symbol n is in, as indices into pairs.
    std::vector<int> pairsOf(int n) const;
};

// Every embedded card word and minimal pair.
WordBank embeddedWordBank();

inline constexpr int kMaxCandidates = 4;

struct Candidates {
    std::array<int, kMaxCandidates> symbols{};
    int count = 0;
    int right = 0;  // the target's index among them
};

// The target and up to three others from its small group that the word does
// not carry, each once, in a random order.
Candidates groupCandidates(const PracticeWord& word, Random& random);
// The pair's two symbols in a random order, the word's own marked right.
Candidates pairCandidates(const PracticePair& pair, const PracticeWord& word, Random& random);

}  // namespace pelomar
