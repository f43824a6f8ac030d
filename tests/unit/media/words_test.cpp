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
        CHECK(std::ranges::all_of(w.text, [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '\''; }));
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

namespace {

double db(double v) { return 20 * std::log10(v / 32768.0); }

// What the rules look at, in one pass over raw samples: a sanitizer build
// makes every container access a call, and every word is looked at.
struct Figures {
    int peak = 0;
    double onsetMs = 0;        // the first sample above 2 % of full scale
    double loudnessDb = -200;  // RMS of the 10 ms frames above a tenth of the loudest
    bool silentEnd = false;    // the last 20 ms exactly zero
};

Figures figuresOf(const std::vector<std::int16_t>& samples, int rate) {
    Figures f;
    const std::int16_t* p = samples.data();
    const std::size_t n = samples.size(), frame = rate / 100;
    std::size_t onset = n, lastSound = 0;
    std::vector<double> frames;
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int v = p[i], a = v < 0 ? -v : v;
        if (a > f.peak) f.peak = a;
        if (a > 655 && onset == n) onset = i;
        if (v != 0) lastSound = i;
        sum += double(v) * v;
        if ((i + 1) % frame == 0) {
            frames.push_back(std::sqrt(sum / frame));
            sum = 0;
        }
    }
    f.onsetMs = onset * 1000.0 / rate;
    f.silentEnd = n - lastSound > static_cast<std::size_t>(rate / 50);
    double top = 0;
    for (double e : frames) top = std::max(top, e);
    double loud = 0;
    int count = 0;
    for (double e : frames)
        if (e > 0.1 * top) loud += e * e, ++count;
    if (count) f.loudnessDb = db(std::sqrt(loud / count));
    return f;
}

CodedWord renditionOf(int i, int r) { return r < kWordVoices ? wordSound(i, r) : slowWordSound(i); }

}  // namespace

// Each stored rendition as coded: decoding them all through the resampler
// as well would take the unit tests well past a few seconds in a sanitizer
// build, so the full path is taken for a sample of the words below.
TEST_CASE("every rendition decodes to a word that is heard at once, never clips and ends in silence") {
    double quietest = 0, loudest = -100;
    for (int i = 0; i < wordCount(); ++i) {
        CAPTURE(wordAt(i).text);
        std::size_t mainLength = 0;
        for (int r = 0; r <= kWordVoices; ++r) {
            CAPTURE(r);
            const CodedWord coded = renditionOf(i, r);
            const std::vector<std::int16_t> s =
                decodeAdpcm(std::span<const unsigned char>(coded.coded.data, coded.coded.size), coded.samples);
            REQUIRE(s.size() == coded.samples);
            const double ms = s.size() * 1000.0 / kStoredWordRate;
            CHECK(ms > 250);
            CHECK(ms < 2000);
            const Figures f = figuresOf(s, kStoredWordRate);
            // Room for the resampler's overshoot: never near full scale.
            CHECK(db(f.peak) < -0.5);
            CHECK(db(f.peak) > -12);
            CHECK(f.onsetMs < 40);  // heard at once
            CHECK(f.silentEnd);
            quietest = std::min(quietest, f.loudnessDb);
            loudest = std::max(loudest, f.loudnessDb);
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

TEST_CASE("a sample of the words, played at 22050 Hz: their length, level and no clipping") {
    for (int i = 0; i < wordCount(); i += 16) {
        CAPTURE(wordAt(i).text);
        for (int r = 0; r <= kWordVoices; ++r) {
            CAPTURE(r);
            const CodedWord coded = renditionOf(i, r);
            const std::vector<std::int16_t> played = decodeWord(coded);
            REQUIRE(played.size() == resampledLength(coded.samples));
            const std::vector<std::int16_t> stored =
                decodeAdpcm(std::span<const unsigned char>(coded.coded.data, coded.coded.size), coded.samples);
            const Figures heard = figuresOf(played, kPlayedWordRate);
            CHECK(heard.peak < 32767);
            CHECK(heard.loudnessDb == doctest::Approx(figuresOf(stored, kStoredWordRate).loudnessDb).epsilon(0.03));
        }
    }
}
