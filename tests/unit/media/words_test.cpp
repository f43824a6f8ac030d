// The embedded words: the index the listening practice reads (words, their
// sounds as symbol numbers, card words and minimal pairs) and every
// rendition, decoded as it is played.
#include <doctest/doctest.h>

#include <algorithm>
#include <cctype>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "media/adpcm.h"
#include "media/resample.h"
#include "media/words.h"

using namespace pelomar;

namespace {

bool holds(const Word& w, int symbol) { return std::ranges::find(w.units, symbol) != w.units.end(); }

void checkUse(const WordUse& use) {
    const Word w = wordAt(use.word);
    CAPTURE(w.text);
    CAPTURE(use.symbol);
    REQUIRE(!w.text.empty());
    CHECK(holds(w, use.symbol));
    REQUIRE(!use.letters.empty());
    REQUIRE(use.lettersAt >= 0);
    REQUIRE(use.lettersAt + use.letters.size() <= w.text.size());
    std::string carried(w.text.substr(use.lettersAt, use.letters.size()));
    std::ranges::transform(carried, carried.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    CHECK(carried == use.letters);
}

}  // namespace

TEST_CASE("the words are found by their text, byte for byte") {
    REQUIRE(wordCount() > 150);
    for (int i = 0; i < wordCount(); ++i) {
        const Word w = wordAt(i);
        CAPTURE(w.text);
        CHECK(findWord(w.text) == i);
        CHECK(std::ranges::all_of(w.text, [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }));
        CHECK(!w.units.empty());
        CHECK(std::ranges::all_of(w.units, [](int s) { return s >= 1 && s <= 48; }));
    }
    const int ship = findWord("ship");
    REQUIRE(ship >= 0);
    CHECK(std::vector<int>(wordAt(ship).units.begin(), wordAt(ship).units.end()) == std::vector<int>{7, 34, 1});
    // ts, dz, tr and dr are one unit each.
    const auto unitsOf = [](const char* text) {
        const Word w = wordAt(findWord(text));
        return std::vector<int>(w.units.begin(), w.units.end());
    };
    CHECK(unitsOf("cats") == std::vector<int>{3, 36, 10});
    CHECK(unitsOf("beds") == std::vector<int>{12, 35, 21});
    CHECK(unitsOf("tree") == std::vector<int>{11, 29});
    CHECK(unitsOf("dress") == std::vector<int>{22, 35, 6});
    CHECK(findWord("") == -1);
    CHECK(findWord("shi") == -1);
    CHECK(findWord("ships") == -1);
    CHECK(findWord("Ship") == -1);
    CHECK(wordAt(-1).text.empty());
    CHECK(wordAt(wordCount()).text.empty());
}

TEST_CASE("every card has example words, and each holds its symbol in the letters it names") {
    int total = 0;
    for (int n = 1; n <= 48; ++n) {
        CAPTURE(n);
        const auto uses = cardWords(n);
        CHECK(!uses.empty());
        for (const WordUse& use : uses) {
            CHECK(use.symbol == n);
            checkUse(use);
        }
        total += static_cast<int>(uses.size());
    }
    CHECK(total > 140);
    CHECK(cardWords(0).empty());
    CHECK(cardWords(49).empty());
    const auto pen = cardWords(1);
    REQUIRE(!pen.empty());
    CHECK(wordAt(pen[0].word).text == "pen");
    CHECK(pen[0].letters == "p");
}

TEST_CASE("each minimal pair differs in exactly its one sound, and the pairs cover the contrasts") {
    const auto pairs = minimalPairs();
    CHECK(pairs.size() >= 60);
    std::set<std::pair<int, int>> contrasts;
    for (const MinimalPair& p : pairs) {
        checkUse(p.first);
        checkUse(p.second);
        const Word a = wordAt(p.first.word), b = wordAt(p.second.word);
        CAPTURE(a.text);
        CAPTURE(b.text);
        REQUIRE(a.units.size() == b.units.size());
        std::vector<std::pair<int, int>> differ;
        for (std::size_t i = 0; i < a.units.size(); ++i)
            if (a.units[i] != b.units[i]) differ.emplace_back(a.units[i], b.units[i]);
        CHECK(differ == std::vector<std::pair<int, int>>{{p.first.symbol, p.second.symbol}});
        contrasts.emplace(std::min(p.first.symbol, p.second.symbol), std::max(p.first.symbol, p.second.symbol));
    }
    // i/iː, u/uː, e/æ, ʌ/ɑː, ɔ/ɔː, e/ei, əu/ɔː, v/w, θ/s, ð/d, n/l, n/ŋ, l/r,
    // ʃ/s, s/z, tʃ/tr, dʒ/dr, ts/tʃ, dz/dʒ, and a voiced against a voiceless end.
    const std::pair<int, int> wanted[] = {{29, 34}, {33, 40}, {35, 36}, {31, 38}, {32, 39}, {35, 41}, {32, 44},
                                          {15, 24}, {5, 6},   {13, 16}, {26, 28}, {26, 27}, {19, 28}, {6, 7},
                                          {6, 17},  {9, 11},  {20, 22}, {9, 10},  {20, 21}, {3, 14}};
    for (const auto& c : wanted) {
        CAPTURE(c.first);
        CAPTURE(c.second);
        CHECK(contrasts.count(c) == 1);
    }
}

TEST_CASE("renditions: the voices and the slow one, nothing else") {
    const int ship = findWord("ship");
    for (int v = 0; v < kWordVoices; ++v) CHECK(!wordSound(ship, v).empty());
    CHECK(!slowWordSound(ship).empty());
    CHECK(wordSound(ship, -1).empty());
    CHECK(wordSound(ship, kWordVoices).empty());
    CHECK(wordSound(-1, 0).empty());
    CHECK(wordSound(wordCount(), 0).empty());
    CHECK(slowWordSound(-1).empty());
    CHECK(slowWordSound(wordCount()).empty());
    CHECK(decodeWord(CodedWord{}).empty());
}

TEST_CASE("every rendition decodes to a word that is heard at once, never clips and ends in silence") {
    const auto db = [](double v) { return 20 * std::log10(v / 32768.0); };
    double quietest = 0, loudest = -100;
    for (int i = 0; i < wordCount(); ++i) {
        CAPTURE(wordAt(i).text);
        std::size_t mainLength = 0;
        for (int r = 0; r <= kWordVoices; ++r) {
            CAPTURE(r);
            const CodedWord coded = r < kWordVoices ? wordSound(i, r) : slowWordSound(i);
            const std::vector<std::int16_t> s = decodeWord(coded);
            REQUIRE(s.size() == resampledLength(coded.samples));
            const double ms = s.size() * 1000.0 / kPlayedWordRate;
            CHECK(ms > 250);
            CHECK(ms < 2000);
            int peak = 0;
            for (std::int16_t v : s) peak = std::max(peak, std::abs(int{v}));
            CHECK(peak < 32767);
            CHECK(db(peak) > -12);
            // Heard within 40 ms: a sample above 2 % of full scale.
            const auto onset = std::ranges::find_if(s, [](std::int16_t v) { return std::abs(int{v}) > 655; });
            CHECK((onset - s.begin()) * 1000.0 / kPlayedWordRate < 40);
            // The last 20 ms are exact silence.
            CHECK(std::all_of(s.end() - kPlayedWordRate / 50, s.end(), [](std::int16_t v) { return v == 0; }));
            // Loudness: RMS of the 10 ms frames that sound.
            const std::size_t frame = kPlayedWordRate / 100;
            std::vector<double> frames;
            for (std::size_t f = 0; f + frame <= s.size(); f += frame) {
                double sum = 0;
                for (std::size_t k = f; k < f + frame; ++k) sum += double(s[k]) * s[k];
                frames.push_back(std::sqrt(sum / frame));
            }
            const double top = *std::ranges::max_element(frames);
            double sum = 0;
            int loud = 0;
            for (double e : frames)
                if (e > 0.1 * top) sum += e * e, ++loud;
            const double level = db(std::sqrt(sum / loud));
            quietest = std::min(quietest, level);
            loudest = std::max(loudest, level);
            if (r == 0) mainLength = s.size();
            if (r == kWordVoices) CHECK(s.size() > mainLength * 5 / 4);  // slow: some 70 % speed
        }
        // The voices are different recordings.
        CHECK(!std::ranges::equal(std::span(wordSound(i, 0).coded.data, wordSound(i, 0).coded.size),
                                  std::span(wordSound(i, 1).coded.data, wordSound(i, 1).coded.size)));
    }
    // Every voice as loud as the others.
    CHECK(loudest - quietest < 3);
    CHECK(quietest > -21);
}
