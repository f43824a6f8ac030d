// Rules of the card window that need no window: where the card goes beside
// the pointer, and whether a loss of focus hides it.
#pragma once

namespace pelomar {

inline constexpr int kCardWindowWidth = 309;
inline constexpr int kCardWindowHeight = 314;
// Distance between the pointer and the card's nearest corner, both ways.
inline constexpr int cardOffset = 50;

struct CardPosition {
    int left = 0;
    int top = 0;
};
bool operator==(const CardPosition& a, const CardPosition& b);

// Right of and below the pointer, cardOffset away. A card that would pass the
// right edge of the screen goes to the left of the pointer instead, one that
// would pass the bottom edge goes above it; ending exactly on an edge is not
// passing it. No further clamping: the result may lie partly off the screen.
CardPosition placeCard(int pointerX, int pointerY, int width, int height, int screenWidth,
                       int screenHeight);

// The card window's loss of focus: true when it hides the card. A press on
// the region already under the pointer sets keepCardOnce, which spares the
// card exactly once; the flag is cleared either way.
bool hidesOnFocusLoss(int& keepCardOnce);

}  // namespace pelomar
