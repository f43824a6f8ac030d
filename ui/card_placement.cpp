#include "ui/card_placement.h"

namespace pelomar {

bool operator==(const CardPosition& a, const CardPosition& b) {
    return a.left == b.left && a.top == b.top;
}

CardPosition placeCard(int pointerX, int pointerY, int width, int height, int screenWidth,
                       int screenHeight) {
    CardPosition p{pointerX + cardOffset, pointerY + cardOffset};
    if (p.left + width > screenWidth) p.left = pointerX - cardOffset - width;
    if (p.top + height > screenHeight) p.top = pointerY - cardOffset - height;
    return p;
}

bool hidesOnFocusLoss(int& keepCardOnce) {
    const bool hide = keepCardOnce == 0;
    keepCardOnce = 0;
    return hide;
}

}  // namespace pelomar
