#include <doctest/doctest.h>

#include <algorithm>

#include "interaction_fakes.h"

using namespace pelomar;
using pelomar::testing::Chart;
using pelomar::testing::Log;

namespace {

constexpr int kCaptionLongVowels[2] = {100, 340};
constexpr int kCaptionConsonants[2] = {20, 150};
constexpr int kCaptionDiphthongs[2] = {100, 425};

void pressCaption(Chart& c, const int (&at)[2]) { c.press(at[0], at[1]); }

}  // namespace

TEST_CASE("member lists split into symbol numbers; anything else is dropped") {
    CHECK(memberSymbols(groupMembers(5)) == std::vector<int>{29, 30, 31, 32, 33});
    CHECK(memberSymbols(groupMembers(1)).size() == 28);
    CHECK(memberSymbols(groupMembers(1)).back() == 28);
    CHECK(memberSymbols(groupMembers(4)).front() == 29);
    CHECK(memberSymbols("0 49 -3 x 7  12 5x 48") == std::vector<int>{7, 12, 48});
    CHECK(memberSymbols("").empty());
}

TEST_CASE("a wait is a count of dispatch-then-sleep steps of 10 ms") {
    Chart c;
    c.reader.responsiveWait(1000);
    CHECK(c.log.size() == 201);
    CHECK(c.only({"dispatch", "step"}).front() == "dispatch");
    CHECK(c.only({"step"}) == Log{"step 10 x100"});
    c.log.clear();
    c.reader.responsiveWait(5);
    CHECK(c.log == Log{"dispatch", "step 10", "dispatch"});
    c.log.clear();
    c.reader.responsiveWait(0);
    CHECK(c.log.empty());
}

TEST_CASE("the long vowels are read in full: frame, sound, a second's wait, the check") {
    Chart c;
    c.reader.stopReading = 1;  // left so by an earlier action; a reading clears it first
    c.reader.readGroup(groupMembers(5));
    // Each member: the press animation on its cell, its plain red frame, then
    // its sound, then the wait; only then the next member.
    const auto cell = [](int n) {
        const int left = 157 + 38 * (n - 29);
        return "rect " + std::to_string(left) + ",327-" + std::to_string(left + 37) + ",364";
    };
    for (int n = 29; n <= 33; ++n) {
        CAPTURE(n);
        const std::string played = "play " + std::to_string(n);
        CHECK(c.inOrder({"yellow", cell(n), "red", cell(n), played, "step 10"}));
        if (n < 33) CHECK(c.inOrder({played, "step 10", "exists?", "yellow", cell(n + 1)}));
    }
    CHECK(c.only({"yellow", "red", "play"}).size() == 15);
    Log perMember;
    for (int n = 29; n <= 33; ++n)
        perMember.insert(perMember.end(), {"play " + std::to_string(n), "step 10 x100", "exists?"});
    CHECK(c.only({"play", "step", "exists?"}) == perMember);
    CHECK(c.only({"stop", "card", "hide"}).empty());  // the previous sound plays on; no card
    CHECK(c.only({"rect"}).back() == "rect 309,327-346,364");  // the frame stays on symbol 33
    CHECK(c.reader.stopReading == 1);
}

TEST_CASE("a hover that plays a symbol ends the reading after the current wait") {
    Chart c;
    c.arrivals.emplace(150, [&] { c.move(160, 120); });  // halfway through symbol 30's wait
    pressCaption(c, kCaptionLongVowels);
    CHECK(c.only({"play", "stop", "card"}) == Log{"stop", "play 29", "play 30", "stop", "play 1", "card 1"});
    CHECK(c.steps == 200);  // symbol 30's wait runs out, then the check ends the reading
    CHECK(c.reader.stopReading == 1);
}

TEST_CASE("a hover during the last step of a wait ends the reading before the next member") {
    Chart c;
    c.arrivals.emplace(100, [&] { c.move(160, 120); });  // during symbol 29's last sleep
    pressCaption(c, kCaptionLongVowels);
    CHECK(c.only({"play", "stop", "card"}) == Log{"stop", "play 29", "stop", "play 1", "card 1"});
    CHECK(c.steps == 100);
    CHECK(std::count(c.log.begin(), c.log.end(), "yellow") == 2);  // the caption's and symbol 29's animations only
}

TEST_CASE("a hover that plays nothing only moves the frame; the reading goes on") {
    Chart c;
    c.arrivals.emplace(150, [&] { c.move(160, 120, 0, {false, true, false, false}); });
    pressCaption(c, kCaptionLongVowels);
    CHECK(c.only({"play"}) == Log{"play 29", "play 30", "play 31", "play 32", "play 33"});
    CHECK(c.only({"card"}) == Log{"card 1"});
    // Moving off every region during a reading does not end it either.
    Chart d;
    d.arrivals.emplace(50, [&] { d.move(300, 190); });
    pressCaption(d, kCaptionLongVowels);
    CHECK(d.only({"play"}).size() == 5);
}

TEST_CASE("a press on another caption replaces the reading, which does not resume") {
    Chart c;
    c.arrivals.emplace(30, [&] { pressCaption(c, kCaptionDiphthongs); });  // during symbol 1's wait
    pressCaption(c, kCaptionConsonants);
    Log expected = {"stop", "play 1", "stop"};
    for (int n = 41; n <= 48; ++n) expected.push_back("play " + std::to_string(n));
    CHECK(c.only({"play", "stop"}) == expected);
    // The outer wait runs out its remaining 70 steps after the nested reading's 800.
    CHECK(c.steps == 900);
    CHECK(c.tracker.lastRegion() == 7);
    CHECK(c.reader.stopReading == 1);
}

TEST_CASE("a second press on the caption being read starts it again from its first member") {
    Chart c;
    c.arrivals.emplace(250, [&] { pressCaption(c, kCaptionLongVowels); });  // during symbol 31's wait
    pressCaption(c, kCaptionLongVowels);
    CHECK(c.only({"play"}) ==
          Log{"play 29", "play 30", "play 31", "play 29", "play 30", "play 31", "play 32", "play 33"});
    CHECK(c.steps == 300 + 500);
}

TEST_CASE("closing the main window ends the reading after the current wait") {
    Chart c;
    c.arrivals.emplace(20, [&] { c.mainWindow = false; });
    pressCaption(c, kCaptionLongVowels);
    CHECK(c.only({"play", "step", "exists?"}) == Log{"play 29", "step 10 x100", "exists?"});
    CHECK(c.reader.stopReading == 1);
}

TEST_CASE("the timer is fine for every sleep, raised once per animation and once per reading") {
    Chart c;
    c.arrivals.emplace(150, [&] { c.move(160, 120); });  // ends the reading after symbol 30's wait
    c.arrivals.emplace(120, [&] { pressCaption(c, kCaptionDiphthongs); });  // a nested reading first
    pressCaption(c, kCaptionLongVowels);
    CHECK(c.coarseSleeps == 0);
    CHECK(c.fineDepth == 0);
    const auto animations = std::count(c.log.begin(), c.log.end(), "yellow");
    CHECK(c.fineRaises == animations + 2);  // two readings
}
