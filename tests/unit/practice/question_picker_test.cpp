#include <doctest/doctest.h>

#include <algorithm>
#include <map>

#include "practice/question_picker.h"

using namespace pelomar;

namespace {

const WordBank& bank() {
    static const WordBank built = embeddedWordBank();
    return built;
}

}  // namespace

TEST_CASE("boxes: a miss to box 1, a right answer one up to 5; weights halve from box to box") {
    CHECK(boxAfter(0, true) == 1);
    CHECK(boxAfter(1, true) == 2);
    CHECK(boxAfter(4, true) == 5);
    CHECK(boxAfter(5, true) == 5);
    CHECK(boxAfter(5, false) == 1);
    CHECK(boxAfter(0, false) == 1);
    CHECK(drawWeight(0) == 0);
    CHECK(drawWeight(1) == 16);
    CHECK(drawWeight(2) == 8);
    CHECK(drawWeight(5) == 1);
    CHECK(drawWeight(6) == 0);
}

TEST_CASE("a missed symbol comes back within the next three questions; in the pairs with the same pair") {
    for (const PracticeSet set : {PracticeSet::MinimalPairs, PracticeSet::LongVowels, PracticeSet::All}) {
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            CAPTURE(static_cast<int>(set));
            CAPTURE(seed);
            ProgressBook book;
            QuestionPicker picker(bank());
            Random random(seed);
            std::vector<Question> asked;
            std::vector<bool> missed;
            for (int i = 0; i < 60; ++i) {
                const auto q = picker.next(set, book, random);
                REQUIRE(q.has_value());
                CHECK(q->number == i + 1);
                const bool right = random.below(3) != 0;
                picker.answered(*q, right);
                book.recordAnswer(q->symbol(), right);
                asked.push_back(*q);
                missed.push_back(!right);
            }
            for (std::size_t i = 0; i + 3 < asked.size(); ++i) {
                if (!missed[i]) continue;
                const auto back = std::find_if(asked.begin() + i + 1, asked.begin() + i + 4, [&](const Question& q) {
                    return q.symbol() == asked[i].symbol() &&
                           (set != PracticeSet::MinimalPairs || q.pair == asked[i].pair);
                });
                CHECK(back != asked.begin() + i + 4);
            }
        }
    }
}

TEST_CASE("an unseen symbol joins only while fewer than three of the set are in box 1") {
    ProgressBook book;
    QuestionPicker picker(bank());
    Random random(5);
    int joined = 0;
    for (int i = 0; i < 200; ++i) {
        const std::vector<int> symbols = bank().symbolsOf(PracticeSet::All);
        const auto inBoxOne = std::count_if(symbols.begin(), symbols.end(), [&](int n) { return book.box(n) == 1; });
        std::map<int, int> before;
        for (int n : symbols) before[n] = book.box(n);
        const auto q = picker.next(PracticeSet::All, book, random);
        REQUIRE(q.has_value());
        if (before[q->symbol()] == 0) {
            ++joined;
            CHECK(inBoxOne < kNewWhileFewerInBoxOne);
            CHECK(book.box(q->symbol()) == 1);
        }
        const bool right = random.below(4) != 0;
        picker.answered(*q, right);
        book.recordAnswer(q->symbol(), right);
    }
    CHECK(joined >= 3);
}

TEST_CASE("symbols are drawn by their box: one in box 5 far less often than one in box 1") {
    ProgressBook book;
    for (int n : {29, 30, 31}) book.recordAnswer(n, false);  // box 1
    for (int n : {32, 33})
        for (int i = 0; i < 5; ++i) book.recordAnswer(n, true);  // box 5
    REQUIRE(book.box(32) == 5);
    QuestionPicker picker(bank());
    Random random(9);
    std::map<int, int> drawn;
    int last = 0;
    for (int i = 0; i < 3000; ++i) {
        const auto q = picker.next(PracticeSet::LongVowels, book, random);
        REQUIRE(q.has_value());
        CHECK(q->symbol() != last);  // never twice in a row while others are there
        last = q->symbol();
        ++drawn[q->symbol()];
    }
    CHECK(drawn[32] > 0);
    CHECK(drawn[32] * 4 < drawn[29]);
    CHECK(drawn[33] * 4 < drawn[31]);
}
