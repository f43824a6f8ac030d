#include <doctest/doctest.h>

#include "interaction_fakes.h"

using namespace pelomar;
using pelomar::testing::Chart;
using pelomar::testing::Log;

namespace {

const Log kPressAnimationSymbol1 = {
    "yellow", "erase", "rect 157,116-194,149", "sleep 10", "erase", "rect 160,119-190,146",
    "sleep 10", "erase", "rect 164,122-187,143", "sleep 10", "erase", "rect 167,125-183,140",
    "sleep 10", "erase", "rect 171,128-180,137", "sleep 10", "erase", "rect 174,131-176,134",
    "sleep 10", "erase", "rect 174,131-176,133",
};

Log concat(Log a, const Log& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST_CASE("hovering: a new cell acts, the same cell does nothing, no region clears") {
    Chart c;
    c.move(160, 120);
    CHECK(c.log == Log{"red", "erase", "rect 157,116-194,149", "dispatch", "stop", "play 1", "card 1", "hand"});
    CHECK(c.tracker.lastRegion() == 1);
    CHECK(c.reader.stopReading == 1);

    c.log.clear();
    c.move(190, 140);
    c.move(194, 149);  // right and bottom edges belong to the cell
    CHECK(c.log.empty());

    c.move(195, 116);  // the neighbouring cell touches it
    CHECK(c.log == Log{"red", "erase", "rect 195,116-232,149", "dispatch", "stop", "play 2", "card 2"});

    c.log.clear();
    c.move(300, 190);  // the band between rows 2 and 3: no sound is stopped
    CHECK(c.log == Log{"arrow", "erase", "hide"});
    CHECK(c.tracker.lastRegion() == 0);

    c.log.clear();
    c.move(300, 191);  // still nowhere: the frame and card are taken away again, the shape stays
    CHECK(c.log == Log{"erase", "hide"});

    c.log.clear();
    c.move(196, 120);  // coming back onto the same cell acts again
    CHECK(c.only({"play", "card", "hand"}) == Log{"play 2", "card 2", "hand"});
}

TEST_CASE("pressing acts every time, and a press on the framed cell keeps the card once") {
    Chart c;
    c.move(160, 120);
    c.log.clear();
    c.press(160, 120);
    CHECK(c.log == concat(kPressAnimationSymbol1, {"dispatch", "stop", "play 1", "keep", "card 1"}));
    // Kept only while the press is handled: a later loss of focus takes the card.
    CHECK(c.keepCardOnce == 0);
    c.log.clear();
    c.release(160, 120);
    CHECK(c.log == Log{"red", "erase", "rect 157,116-194,149"});

    // A press on a cell reached without a move onto it is not the same region: no keep.
    c.log.clear();
    c.press(200, 120);
    CHECK(c.only({"keep", "play", "card"}) == Log{"play 2", "card 2"});

    // Dragged off the cells, the release clears everything.
    c.log.clear();
    c.release(470, 120);
    CHECK(c.log == Log{"arrow", "erase", "hide"});
}

// On Windows a press on the chart first activates the main window, which
// takes the focus from the card; only then does the press itself arrive.
TEST_CASE("in the order Windows sends them, a press on the framed symbol keeps its card up, once") {
    Chart c;
    c.move(160, 120);  // symbol 1 framed, its card up
    REQUIRE(c.cardShown);
    auto activatingPress = [&](int x, int y) {
        c.tracker.activatedByPress(x, y);
        c.cardLosesFocus();
        c.press(x, y);
        c.release(x, y);
    };
    SUBCASE("the same symbol: the card never goes down, and the next loss of focus takes it") {
        c.log.clear();
        activatingPress(165, 125);
        CHECK(c.only({"hide", "card"}) == Log{"card 1"});
        CHECK(c.cardShown);
        CHECK(c.keepCardOnce == 0);
        c.cardLosesFocus();  // another program is activated
        CHECK_FALSE(c.cardShown);
    }
    SUBCASE("another symbol: the card goes with the focus and the press brings the new one") {
        c.log.clear();
        activatingPress(200, 120);
        CHECK(c.only({"hide", "card", "keep"}) == Log{"hide", "card 2"});
        CHECK(c.keepCardOnce == 0);
    }
    SUBCASE("a caption that bears the symbol's number is not the symbol") {
        c.move(200, 120);  // symbol 2
        c.log.clear();
        activatingPress(100, 150);  // caption 2
        CHECK(c.only({"hide", "keep"}) == Log{"hide"});
        CHECK(c.keepCardOnce == 0);
    }
    SUBCASE("after a move off every region the cell is new again") {
        c.move(300, 190);
        c.tracker.activatedByPress(160, 120);
        CHECK(c.keepCardOnce == 0);
    }
    SUBCASE("a press overtaken by a newer event still takes the flag back") {
        c.tracker.activatedByPress(160, 120);  // the card had not the focus: nothing used the flag
        REQUIRE(c.keepCardOnce == 1);
        c.arrivals.emplace(0, [&] { c.move(200, 120); });
        c.log.clear();
        c.press(160, 120);
        CHECK(c.only({"card"}) == Log{"card 2"});
        CHECK(c.keepCardOnce == 0);
    }
}

TEST_CASE("release draws the frame on a new cell but plays and shows nothing") {
    Chart c;
    c.release(160, 120);
    CHECK(c.log == Log{"red", "erase", "rect 157,116-194,149", "hand"});
    CHECK(c.tracker.lastRegion() == 1);
}

TEST_CASE("Ctrl alone suppresses what its options say; with Shift or Alt it does not count") {
    const PointerOptions quietHover{true, true, true, false};  // ignore the sound with Ctrl only
    Chart c;
    c.move(160, 120, kKeyCtrl, quietHover);
    CHECK(c.only({"rect", "play", "stop", "card"}) == Log{"rect 157,116-194,149", "card 1"});
    c.move(200, 120, kKeyCtrl | kKeyShift, quietHover);
    CHECK(c.only({"play", "card"}) == Log{"card 1", "play 2", "card 2"});
    c.log.clear();
    c.move(240, 120, kKeyCtrl | kKeyAlt, quietHover);
    CHECK(c.only({"play", "card"}) == Log{"play 3", "card 3"});

    // Both exceptions on: Ctrl alone crosses the chart with frames only.
    c.log.clear();
    c.move(280, 120, kKeyCtrl);
    c.move(320, 120, kKeyCtrl);
    CHECK(c.only({"rect", "play", "stop", "card", "dispatch"}) ==
          Log{"rect 271,116-308,149", "rect 309,116-346,149"});
    // Without an exception Ctrl changes nothing.
    c.log.clear();
    c.move(390, 120, kKeyCtrl, {true, true, false, false});
    CHECK(c.only({"play", "card"}) == Log{"play 7", "card 7"});
}

TEST_CASE("a press with Ctrl and the click-sound exception animates and shows the card silently") {
    Chart c;
    c.press(160, 120, kKeyCtrl, {true, true, true, false});
    CHECK(c.log == concat(kPressAnimationSymbol1, {"card 1", "hand"}));
}

TEST_CASE("options off: a symbol is only framed, a caption is still read") {
    Chart c;
    c.move(160, 120, 0, Chart::none());
    c.press(160, 120, 0, Chart::none());
    CHECK(c.only({"play", "stop", "card", "dispatch"}) == Log{});
    c.log.clear();
    c.press(100, 340, 0, Chart::none());  // the long-vowel caption
    CHECK(c.only({"play", "card", "stop"}) == Log{"stop", "play 29", "play 30", "play 31", "play 32", "play 33"});
    CHECK(c.tracker.lastRegion() == 5);
}

TEST_CASE("a caption is framed on a move, pressed into a reading, and released into a frame") {
    Chart c;
    c.move(100, 150);  // voiceless consonants
    CHECK(c.log == Log{"red", "erase", "rect 56,140-144,164", "hand"});
    c.log.clear();
    c.move(110, 152);
    CHECK(c.log.empty());
    c.press(100, 340);
    // The caption's animation, then the reading is prepared and started on its first member.
    CHECK(c.inOrder({"yellow", "rect 56,332-144,356", "dispatch", "stop", "yellow", "rect 157,327-194,364", "play 29"}));
    CHECK(c.only({"stop"}) == Log{"stop"});  // once, before the reading; never between members
    CHECK(c.reader.stopReading == 1);
    c.log.clear();
    c.release(100, 340);
    CHECK(c.log == Log{"red", "erase", "rect 56,332-144,356"});
}

TEST_CASE("the last region is a bare number shared by symbols and captions") {
    Chart c;
    c.move(200, 120);  // symbol 2
    c.log.clear();
    c.move(100, 150);  // caption 2, reached without crossing an empty band
    CHECK(c.log.empty());
    c.move(100, 230);  // caption 3 is a different number
    CHECK(c.only({"rect"}) == Log{"rect 56,214-144,238"});
}

// An event handled inside another one's dispatch (a quick flick, a move during
// the press animation) is newer: once it has acted, the outer event adds
// nothing, so the frame, the card and the sound stay those of the newest one.
TEST_CASE("a newer event handled during an event's dispatch wins; the outer one does nothing more") {
    Chart c;
    auto lastOf = [&](const std::string& prefix) {
        const Log entries = c.only({prefix});
        return entries.empty() ? std::string() : entries.back();
    };
    SUBCASE("a flick from one cell onto the next") {
        c.arrivals.emplace(0, [&] { c.move(200, 120); });
        c.move(160, 120);
        CHECK(c.only({"play", "card", "stop"}) == Log{"stop", "play 2", "card 2"});
        CHECK(lastOf("rect") == "rect 195,116-232,149");
        CHECK(c.tracker.lastRegion() == 2);
    }
    SUBCASE("a move during the press animation") {
        c.arrivals.emplace(0, [&] { c.move(200, 120); });
        c.press(160, 120);
        CHECK(c.only({"play", "card", "keep"}) == Log{"play 2", "card 2"});
        CHECK(lastOf("rect") == "rect 195,116-232,149");
        CHECK(c.tracker.lastRegion() == 2);
    }
    SUBCASE("off every region before the sound starts: nothing plays, nothing shows") {
        c.arrivals.emplace(0, [&] { c.move(300, 190); });
        c.move(160, 120);
        CHECK(c.only({"play", "card", "stop"}).empty());
        CHECK(c.only({"erase", "hide"}).back() == "hide");
        CHECK_FALSE(c.hand);
    }
    SUBCASE("onto a symbol before a caption's reading starts: no reading") {
        c.arrivals.emplace(0, [&] { c.move(160, 120); });
        c.press(100, 340);
        CHECK(c.only({"play", "card"}) == Log{"play 1", "card 1"});
        CHECK(c.steps == 0);
        CHECK(c.tracker.lastRegion() == 1);
    }
    SUBCASE("off the chart during a reading: the pointer shape stays the arrow") {
        c.arrivals.emplace(150, [&] { c.move(300, 190); });
        c.press(100, 340);
        CHECK(c.only({"play"}).size() == 5);  // moving off does not end a reading
        CHECK(c.only({"hand"}).empty());  // the reading's own press never puts the hand back afterwards
        CHECK_FALSE(c.hand);
    }
    SUBCASE("a release of the same click, or a move inside the cell, does not overtake it") {
        c.arrivals.emplace(0, [&] {
            c.release(160, 120);
            c.move(165, 125);
        });
        c.press(160, 120);
        CHECK(c.only({"play", "card"}) == Log{"play 1", "card 1"});
        CHECK(c.hand);
    }
}
