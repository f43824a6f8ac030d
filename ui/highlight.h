// The frames drawn over the chart: a red frame on the region under the
// pointer, and a yellow frame that shrinks onto the centre of a pressed region.
#pragma once

#include "chart/symbol_chart.h"

namespace pelomar {

enum class PointerEventKind { Move = 0, Press = 1, Release = 2 };

struct Colour {
    unsigned char r, g, b;
};
bool operator==(const Colour& a, const Colour& b);

inline constexpr Colour kFrameRed{255, 0, 0};
inline constexpr Colour kFrameYellow{255, 255, 0};

// What the highlight needs of the chart panel. The panel draws with a 5-pixel
// solid pen and a hollow brush; only the pen colour changes.
class ChartCanvas {
public:
    virtual ~ChartCanvas() = default;
    // Removes every drawing; the bare chart picture shows again.
    virtual void erase() = 0;
    virtual void setPenColour(Colour colour) = 0;
    // Outline from (left, top) to (right, bottom), pen centred on it.
    virtual void drawRectangle(int left, int top, int right, int bottom) = 0;
};

// A plain wait that handles no messages. Waits of 10 ms are only as fine as
// the system timer (15.6 ms by default on Windows), so a run of them is
// bracketed by fineTimer(true) and fineTimer(false); the brackets nest.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(int ms) = 0;
    virtual void fineTimer(bool on) = 0;
};

// The timer kept fine for the life of the scope.
class FineTimer {
public:
    explicit FineTimer(Sleeper& sleeper) : sleeper_(sleeper) { sleeper_.fineTimer(true); }
    ~FineTimer() { sleeper_.fineTimer(false); }
    FineTimer(const FineTimer&) = delete;
    FineTimer& operator=(const FineTimer&) = delete;

private:
    Sleeper& sleeper_;
};

// Erases the panel, then outlines the region with the current pen.
void drawFrame(ChartCanvas& canvas, const HitRegion& region);

// Move and Release: the red frame. Press: the yellow animation, six steps
// 10 ms apart, ending in a 2 x 2 dot at the centre, with the timer kept fine
// throughout.
void drawHighlight(ChartCanvas& canvas, Sleeper& sleeper, const HitRegion& region,
                   PointerEventKind kind);

}  // namespace pelomar
