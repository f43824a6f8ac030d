#include <doctest/doctest.h>

#include <algorithm>

#include "practice/practice_view.h"
#include "practice_fakes.h"

using namespace pelomar;
using pelomar::testing::LoggedMicrophone;
using pelomar::testing::LoggedSound;
using pelomar::testing::MemoryProgressFile;

namespace {

struct Practice {
    explicit Practice(std::uint64_t seed = 1) : random(seed) {}
    MemoryProgressFile file;
    ProgressBook book;
    ProgressStore store{file};
    LoggedSound sound;
    LoggedMicrophone microphone;
    Random random;
    PracticeSession session{pelomar::testing::embeddedBank(), book, store, sound, microphone, random};

    const Question& q() const { return *session.question(); }
    int wrongIndex() const { return q().candidates.right == 0 ? 1 : 0; }
    PracticeKey answerKey(int index) const {
        return static_cast<PracticeKey>(static_cast<int>(PracticeKey::Answer1) + index);
    }
    // Runs the timers up to `until`, as the window's timer would.
    void runUntil(std::int64_t until) {
        for (auto due = session.deadline(); due && *due <= until; due = session.deadline()) session.tick(*due);
    }
    std::vector<std::string> since(std::size_t from) const {
        return {sound.log.begin() + static_cast<long>(from), sound.log.end()};
    }
};

}  // namespace

TEST_CASE("opening starts a round of the set practised last; the first question stops every sound, then plays") {
    Practice p;
    p.file.text = {SettingsText::State::Present, "[\xC1\xB7\xCF\xB0]\r\n\xC9\xCF\xB4\xCE\xC1\xB7\xCF\xB0=\xB3\xA4\xD4\xAA\xD2\xF4\r\n"};
    p.session.open(0);
    CHECK(p.session.set() == PracticeSet::LongVowels);
    REQUIRE(p.session.state() == QuestionState::Asking);
    REQUIRE(p.sound.log.size() == 2);
    CHECK(p.sound.log[0] == "stop");
    CHECK(p.sound.log[1].rfind("word " + std::to_string(p.q().word.word) + " voice ", 0) == 0);
    CHECK(smallGroupOf(p.q().symbol()) == 5);
}

TEST_CASE("a wrong answer plays the word, the right symbol, then the chosen one, each after the one before") {
    Practice p;
    p.session.open(0);
    const Candidates c = p.q().candidates;
    const std::size_t mark = p.sound.log.size();
    const int wrong = p.wrongIndex();
    p.session.key(p.answerKey(wrong), 1000);
    CHECK(p.session.state() == QuestionState::Wrong);
    CHECK(p.session.chosen() == wrong);
    CHECK(p.since(mark).size() == 2);  // stop, word
    p.runUntil(1000);                  // the answer's save
    CHECK(p.session.deadline() == 1000 + p.sound.wordMs + kSequenceGapMs);
    p.runUntil(10000);
    const std::vector<std::string> expected = {"stop", p.sound.log[mark + 1],
                                               "symbol " + std::to_string(c.symbols[c.right]),
                                               "symbol " + std::to_string(c.symbols[wrong])};
    CHECK(p.since(mark) == expected);
    CHECK(p.session.state() == QuestionState::Wrong);  // the learner goes on
    CHECK(p.book.record(p.q().symbol()).asked == 1);
    CHECK(p.book.record(p.q().symbol()).right == 0);
}

TEST_CASE("going on, or any hover's sound, cuts the sequence short") {
    SUBCASE("Enter") {
        Practice p;
        p.session.open(0);
        p.session.key(p.answerKey(p.wrongIndex()), 100);
        p.session.key(PracticeKey::Enter, 200);
        CHECK(p.session.state() == QuestionState::Asking);
        const std::size_t mark = p.sound.log.size();
        p.runUntil(5000);
        for (const std::string& s : p.since(mark)) CHECK(s.rfind("symbol", 0) != 0);
    }
    SUBCASE("a hover") {
        Practice p;
        p.session.open(0);
        p.session.key(p.answerKey(p.wrongIndex()), 100);
        p.session.chartSoundStarted();
        const std::size_t mark = p.sound.log.size();
        p.runUntil(5000);
        CHECK(p.since(mark).empty());
    }
}

TEST_CASE("a right answer: the next question a second later, or at once with Enter") {
    Practice p;
    p.session.open(0);
    const long first = p.q().number;
    p.session.key(p.answerKey(p.q().candidates.right), 500);
    CHECK(p.session.state() == QuestionState::Right);
    p.runUntil(1499);
    CHECK(p.q().number == first);
    p.runUntil(1500);
    CHECK(p.q().number == first + 1);
    CHECK(p.session.state() == QuestionState::Asking);
    p.session.key(p.answerKey(p.q().candidates.right), 2000);
    p.session.key(PracticeKey::Enter, 2100);
    CHECK(p.q().number == first + 2);
}

TEST_CASE("Space replays in another voice, S slowly; keys out of range and on other pages do nothing") {
    Practice p(4);
    p.session.open(0);
    for (int i = 0; i < 6; ++i) p.session.key(PracticeKey::Replay, 10 + i);
    for (std::size_t i = 1; i < p.sound.voices.size(); ++i) CHECK(p.sound.voices[i] != p.sound.voices[i - 1]);
    p.session.key(PracticeKey::Slow, 20);
    CHECK(p.sound.log.back() == "slow " + std::to_string(p.q().word.word));
    if (p.q().candidates.count < 4) {
        p.session.key(PracticeKey::Answer4, 30);
        CHECK(p.session.state() == QuestionState::Asking);
    }
    p.session.click({Target::Progress}, 40);
    CHECK(p.session.page() == PracticePage::Progress);
    p.session.key(p.answerKey(p.q().candidates.right), 50);
    CHECK(p.session.roundAsked() == 0);
    CHECK(p.session.click({Target::Clear}, 60));  // asks first
    CHECK(p.book.hasUnsaved() == false);
}

TEST_CASE("twenty questions make a round; its end names the most missed; Enter starts another") {
    Practice p(8);
    p.session.open(0);
    std::int64_t now = 0;
    for (int i = 0; i < kRoundLength; ++i) {
        REQUIRE(p.session.state() == QuestionState::Asking);
        const bool miss = i % 3 == 0;
        p.session.key(p.answerKey(miss ? p.wrongIndex() : p.q().candidates.right), now += 50);
        p.session.key(PracticeKey::Enter, now += 50);
    }
    CHECK(p.session.state() == QuestionState::RoundOver);
    CHECK(p.session.roundAsked() == kRoundLength);
    CHECK(p.session.roundRight() == kRoundLength - 7);
    const auto missed = p.session.missedMost();
    REQUIRE_FALSE(missed.empty());
    CHECK(missed.size() <= kMissedShown);
    CHECK(std::is_sorted(missed.begin(), missed.end(),
                         [](const MissedSymbol& a, const MissedSymbol& b) { return a.misses > b.misses; }));
    p.session.key(PracticeKey::Replay, now += 50);
    CHECK(p.session.state() == QuestionState::RoundOver);
    p.session.key(PracticeKey::Enter, now += 50);
    CHECK(p.session.state() == QuestionState::Asking);
    CHECK(p.session.roundAsked() == 0);
}

TEST_CASE("saves: at most one a second while answering, the rest when the window closes") {
    Practice p;
    p.session.open(0);
    std::int64_t now = 0;
    for (int i = 0; i < 10; ++i) {
        p.session.key(p.answerKey(p.q().candidates.right), now += 100);
        p.runUntil(now);
        p.session.key(PracticeKey::Enter, now += 100);
        p.runUntil(now);
    }
    CHECK(now == 2000);
    CHECK(p.file.writes == 2);  // at 100 and at 1100
    p.session.close(now);
    CHECK(p.file.writes == 3);
    ProgressBook reader;
    reader.readFrom(p.file.text.bytes);
    std::uint32_t asked = 0;
    for (int n = 1; n <= kSymbolCount; ++n) asked += reader.record(n).asked;
    CHECK(asked == 10);
    p.session.close(now + 10);  // nothing new: nothing written
    CHECK(p.file.writes == 3);
}

TEST_CASE("without an output device nothing is asked or counted; Enter tries again") {
    Practice p;
    p.sound.device = false;
    p.session.open(0);
    CHECK(p.session.state() == QuestionState::NoSound);
    CHECK_FALSE(p.session.question().has_value());
    p.session.key(PracticeKey::Answer1, 10);
    CHECK(p.book.hasUnsaved() == false);
    CHECK(std::none_of(p.sound.log.begin(), p.sound.log.end(), [](const std::string& s) { return s != "stop"; }));
    p.sound.device = true;
    p.session.key(PracticeKey::Enter, 20);
    CHECK(p.session.state() == QuestionState::Asking);
}

TEST_CASE("the window's parts: hit-testing follows the state; the drawn answer colours") {
    Practice p;
    p.session.open(0);
    const int count = p.q().candidates.count;
    const Box first = candidateBox(0, count);
    CHECK(hitTest(p.session, first.left, first.top) == Hit{Target::Candidate, 0});
    CHECK(hitTest(p.session, first.left - 1, first.top) == Hit{});
    CHECK(hitTest(p.session, setButtonBox(6).right - 1, setButtonBox(6).bottom - 1) == Hit{Target::SetButton, 6});
    CHECK(hitTest(p.session, nextBox().left, nextBox().top) == Hit{});  // no 下一题 while asking
    const int wrong = p.wrongIndex();
    p.session.click({Target::Candidate, wrong}, 10);
    CHECK(hitTest(p.session, first.left, first.top) == Hit{});  // answered: the candidates are no longer live
    CHECK(hitTest(p.session, nextBox().left, nextBox().top) == Hit{Target::Next});
    const auto scene = practiceScene(p.session);
    const auto fillOf = [&](const Box& b) {
        const auto it = std::find_if(scene.begin(), scene.end(),
                                     [&](const DrawItem& d) { return d.kind == DrawItem::Kind::Fill && d.box == b; });
        return it == scene.end() ? Colour{} : it->colour;
    };
    CHECK(fillOf(candidateBox(wrong, count)) == kWrongRed);
    CHECK(fillOf(candidateBox(p.q().candidates.right, count)) == kRightGreen);
    const auto word = std::find_if(scene.begin(), scene.end(),
                                   [](const DrawItem& d) { return d.kind == DrawItem::Kind::MarkedWord; });
    REQUIRE(word != scene.end());
    CHECK(word->markLength == static_cast<int>(p.q().word.letters.size()));
    p.session.click({Target::Progress}, 20);
    const Box cell = progressCellBox(40);
    CHECK(hitTest(p.session, cell.left + 3, cell.top + 3) == Hit{Target::Cell, 40});
}

TEST_CASE("the progress page keeps the chart's rows and columns, cells apart, inside the window") {
    for (int n = 1; n <= kSymbolCount; ++n) {
        const Box b = progressCellBox(n);
        CAPTURE(n);
        CHECK(b.width() == chartCellBox(n).width());
        CHECK(b.height() == chartCellBox(n).height());
        CHECK(b.left >= 0);
        CHECK(b.right <= kPracticeClientWidth);
        CHECK(b.bottom <= 330);
        for (int m = 1; m < n; ++m) {
            const Box o = progressCellBox(m);
            CHECK((b.left >= o.right || o.left >= b.right || b.top >= o.bottom || o.top >= b.bottom));
            // Same row on the chart, same row here.
            CHECK((chartCellBox(n).top == chartCellBox(m).top) == (b.top == o.top));
        }
    }
}

TEST_CASE("shades: unseen, under 60 %, under 90 %, 90 % and more") {
    CHECK(shadeOf({0, 0, 0}) == Shade::Unseen);
    CHECK(shadeOf({59, 100, 1}) == Shade::Low);
    CHECK(shadeOf({3, 5, 1}) == Shade::Middle);
    CHECK(shadeOf({89, 100, 1}) == Shade::Middle);
    CHECK(shadeOf({9, 10, 1}) == Shade::High);
    CHECK(shadeOf({999999999, 999999999, 5}) == Shade::High);
    CHECK(shadedPixel(0xFFFFFF, Shade::High) != shadedPixel(0xFFFFFF, Shade::Low));
    CHECK(fillIn(L"{0}/{1} {2} {x}", {L"7", L"9"}) == L"7/9 {2} {x}");
}

TEST_CASE("the window goes beside the main window where it fits, never over it where another place does") {
    const Box work{0, 0, 1024, 738};
    CHECK(placeBeside({40, 100, 576, 588}, 440, 380, work).left == 576);  // right
    CHECK(placeBeside({500, 100, 1020, 588}, 440, 380, work).left == 60);  // left
    const Placement below = placeBeside({250, 10, 786, 330}, 440, 380, work);
    CHECK(below.top == 330);
    CHECK(below.left == 250);
    const Placement none = placeBeside({244, 140, 780, 628}, 440, 380, work);  // centred: no side fits
    CHECK(none.left == 0);
    CHECK(none.top == 140);
    CHECK(placeBeside({40, 600, 576, 1088}, 440, 380, work).top == 738 - 380);  // kept on the screen
    CHECK(placeBeside({100, 600, 636, 1088}, 440, 380, work).top == 600 - 380);  // above
}
