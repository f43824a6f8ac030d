#include "ui/highlight.h"

namespace pelomar {

bool operator==(const Colour& a, const Colour& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

void drawFrame(ChartCanvas& canvas, const HitRegion& r) {
    canvas.erase();
    canvas.drawRectangle(r.left, r.top, r.left + r.width, r.top + r.height);
}

void drawHighlight(ChartCanvas& canvas, Sleeper& sleeper, const HitRegion& r,
                   PointerEventKind kind) {
    if (kind != PointerEventKind::Press) {
        canvas.setPenColour(kFrameRed);
        drawFrame(canvas, r);
        return;
    }
    canvas.setPenColour(kFrameYellow);
    drawFrame(canvas, r);
    const FineTimer fine(sleeper);
    const int dx = r.width / 5;  // integer division truncates toward zero
    const int dy = r.height / 5;
    for (int k = 1; k <= 5; ++k) {
        sleeper.sleepMs(10);
        HitRegion step;
        // Half steps are fractional (3.5 for dx = 7); the sum is truncated.
        step.left = static_cast<int>(r.left + (dx / 2.0) * k);
        step.top = static_cast<int>(r.top + (dy / 2.0) * k);
        step.width = r.width - dx * k;
        step.height = r.height - dy * k;
        drawFrame(canvas, step);
    }
    sleeper.sleepMs(10);
    HitRegion dot;
    dot.left = r.left + static_cast<int>(r.width / 2.0 - 1);
    dot.top = r.top + static_cast<int>(r.height / 2.0 - 1);
    dot.width = 2;
    dot.height = 2;
    drawFrame(canvas, dot);
}

}  // namespace pelomar
