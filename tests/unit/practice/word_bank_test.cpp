#include <doctest/doctest.h>

#include <algorithm>
#include <set>

#include "practice/question_picker.h"

using namespace pelomar;

namespace {

const WordBank& bank() {
    static const WordBank built = embeddedWordBank();
    return built;
}

bool inSmallGroup(int n, int of) { return smallGroupOf(n) == smallGroupOf(of); }

}  // namespace

TEST_CASE("the small groups are the chart's five, and every symbol is in one") {
    CHECK(smallGroupMembers(1) == std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    CHECK(smallGroupOf(11) == 2);
    CHECK(smallGroupOf(12) == 3);
    CHECK(smallGroupOf(28) == 3);
    CHECK(smallGroupMembers(31) == std::vector<int>{29, 30, 31, 32, 33});
    CHECK(smallGroupOf(40) == 6);
    CHECK(smallGroupOf(41) == 7);
    CHECK(smallGroupOf(0) == 0);
    CHECK(smallGroupOf(49) == 0);
    CHECK(smallGroupMembers(0).empty());
    CHECK(practiceSetNamed(practiceSetInfo(PracticeSet::ShortVowels).name) == PracticeSet::ShortVowels);
    CHECK_FALSE(practiceSetNamed("x").has_value());
}

TEST_CASE("every embedded word's candidates: the target once, its own small group, nothing the word carries") {
    Random random(7);
    int words = 0;
    for (int n = 1; n <= kSymbolCount; ++n) {
        CAPTURE(n);
        REQUIRE_FALSE(bank().wordsFor(n).empty());
        for (const PracticeWord& w : bank().wordsFor(n)) {
            CAPTURE(std::string(w.text));
            REQUIRE(carries(w, n));
            ++words;
            for (int round = 0; round < 8; ++round) {
                const Candidates c = groupCandidates(w, random);
                REQUIRE(c.count >= 2);
                REQUIRE(c.count <= kMaxCandidates);
                CHECK(c.symbols[c.right] == n);
                const std::set<int> distinct(c.symbols.begin(), c.symbols.begin() + c.count);
                CHECK(static_cast<int>(distinct.size()) == c.count);
                for (int i = 0; i < c.count; ++i) {
                    CHECK(inSmallGroup(c.symbols[i], n));
                    if (i != c.right) CHECK_FALSE(carries(w, c.symbols[i]));
                }
            }
        }
    }
    CHECK(words > 100);
}

TEST_CASE("a group of five with a word that carries two of its members still gives the target and the rest") {
    // A long vowel word that also carries another long vowel: 3 candidates.
    static const unsigned char units[] = {12, 29, 13, 30};
    const PracticeWord w{0, "made-up", units, 29, "ee", 1};
    Random random(3);
    std::set<int> seenRight;
    for (int i = 0; i < 40; ++i) {
        const Candidates c = groupCandidates(w, random);
        REQUIRE(c.count == 4);  // 29 and the three long vowels the word lacks
        const std::set<int> symbols(c.symbols.begin(), c.symbols.end());
        CHECK(symbols == std::set<int>{29, 31, 32, 33});
        seenRight.insert(c.right);
    }
    CHECK(seenRight.size() == 4);  // the answer is not always in one place
}

TEST_CASE("minimal pairs: both symbols, the word's own right, and the sets hold what they name") {
    REQUIRE_FALSE(bank().pairs.empty());
    Random random(11);
    for (const PracticePair& p : bank().pairs) {
        for (const PracticeWord* w : {&p.first, &p.second}) {
            const Candidates c = pairCandidates(p, *w, random);
            REQUIRE(c.count == 2);
            CHECK(c.symbols[c.right] == w->symbol);
            CHECK(c.symbols[1 - c.right] == (w == &p.first ? p.second.symbol : p.first.symbol));
        }
    }
    for (int n : bank().symbolsOf(PracticeSet::MinimalPairs)) CHECK_FALSE(bank().pairsOf(n).empty());
    CHECK(bank().symbolsOf(PracticeSet::All).size() == kSymbolCount);
    CHECK(bank().symbolsOf(PracticeSet::LongVowels) == std::vector<int>{29, 30, 31, 32, 33});
    CHECK(bank().symbolsOf(PracticeSet::Voiceless).size() == 11);
}
