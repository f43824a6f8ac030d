#include <doctest/doctest.h>

#include "ui/card_placement.h"

using namespace pelomar;

namespace {

CardPosition onScreen(int x, int y) { return placeCard(x, y, kCardWindowWidth, kCardWindowHeight, 1024, 768); }

}  // namespace

TEST_CASE("the card goes 50 pixels right of and below the pointer while it fits") {
    CHECK(onScreen(100, 100) == CardPosition{150, 150});
    // Right edge exactly on the screen's edge (665 + 50 + 309 = 1024) is not past it.
    CHECK(onScreen(665, 100) == CardPosition{715, 150});
    // Bottom edge exactly on the screen's edge (404 + 50 + 314 = 768).
    CHECK(onScreen(100, 404) == CardPosition{150, 454});
}

TEST_CASE("the card flips left and up at the screen's edges, each way on its own") {
    CHECK(onScreen(666, 100) == CardPosition{307, 150});
    CHECK(onScreen(700, 100) == CardPosition{341, 150});
    CHECK(onScreen(100, 405) == CardPosition{150, 41});
    CHECK(onScreen(100, 500) == CardPosition{150, 136});
    CHECK(onScreen(900, 700) == CardPosition{541, 336});
    // No clamping: near the top-left corner a flipped card may stand off the screen.
    CHECK(placeCard(60, 30, 309, 314, 200, 200) == CardPosition{-299, -334});
}

TEST_CASE("the placement uses the window's current size") {
    CHECK(placeCard(100, 100, 500, 100, 1024, 768) == CardPosition{150, 150});
    CHECK(placeCard(500, 100, 500, 100, 1024, 768) == CardPosition{-50, 150});
}

TEST_CASE("a loss of focus hides the card unless a press asked to keep it once") {
    int keepCardOnce = 0;
    CHECK(hidesOnFocusLoss(keepCardOnce));
    CHECK(keepCardOnce == 0);
    keepCardOnce = 1;
    CHECK_FALSE(hidesOnFocusLoss(keepCardOnce));
    CHECK(keepCardOnce == 0);
    CHECK(hidesOnFocusLoss(keepCardOnce));
}
