// What the pointer does on the chart: the symbol or group caption under it is
// framed, a symbol is played and its card shown, a caption pressed reads its
// group aloud, all as the options say. A move acts only when it brings the
// pointer onto a region other than the one found at the previous event; a
// press acts every time. Leaving every region removes the frame and the card.
#pragma once

#include "chart/symbol_chart.h"
#include "ui/group_reader.h"
#include "ui/highlight.h"

namespace pelomar {

// The card window as the chart sees it.
class CardActions {
public:
    virtual ~CardActions() = default;
    virtual void showCard(int n) = 0;
    virtual void hideCard() = 0;
    // true: the card window's next loss of focus leaves the card up, once;
    // false: that next loss hides it as usual.
    virtual void setKeepCardOnce(bool keep) = 0;
};

// The chart panel's pointer shape: the hand over a region, else the arrow.
class PointerShape {
public:
    virtual ~PointerShape() = default;
    virtual bool pointerIsHand() = 0;
    virtual void setPointerHand(bool hand) = 0;
};

// The options one event is handled with.
struct PointerOptions {
    bool soundOn = false;
    bool cardOn = false;
    bool ignoreSoundWithCtrl = false;  // applies when Ctrl alone is held
    bool ignoreCardWithCtrl = false;
};

class PointerTracker {
public:
    struct Parts {
        const SymbolChart& chart;
        ChartCanvas& canvas;
        PointerShape& shape;
        Sleeper& sleeper;  // the press animation's plain waits
        SoundActions& sound;
        CardActions& card;
        GroupReader& reader;
        EventPump& pump;
    };
    explicit PointerTracker(const Parts& parts) : p_(parts) {}

    // One pointer event at chart position (x, y); keys is the modifier bit
    // set (1 Ctrl, 2 Shift, 4 Alt). In this order: the frame, then the sound,
    // then the card; a press on a caption reads its group, whatever the
    // options. The pointer shape follows whether a region was found.
    // A press keeps the card through the card window's next loss of focus
    // when it lands on the symbol the previous event found; whatever it set
    // is taken back once the press has been handled.
    void handlePointer(int x, int y, PointerEventKind kind, int keys, const PointerOptions& options);

    // A left press at (x, y) is activating the main window. Windows
    // activates the window, and so takes the focus from the card, before the
    // press itself arrives: whether the press will keep the card is decided
    // here, before that loss of focus.
    void activatedByPress(int x, int y);

    // The symbol or group number found by the last event, 0 if it found none.
    // A bare number: whether it was a symbol or a caption is not kept. For
    // the tests.
    int lastRegion() const { return lastRegion_; }

private:
    void handleEvent(int x, int y, PointerEventKind kind, int keys, const PointerOptions& options);
    // True when a press at (x, y) lands on the symbol the previous event found.
    bool keepsCard(int x, int y) const;
    // Starts symbol n's sound; false when an event handled meanwhile took over.
    bool startSound(int n);
    // Dispatches what is queued; false when an event handled meanwhile took over.
    bool dispatchPending();
    void setLastRegion(int region);

    Parts p_;
    int lastRegion_ = 0;
    // Counts what events do that a later event must not undo: a new region
    // under the pointer, a sound, a card or a reading started. An event that
    // dispatches pending messages and finds the count moved has been
    // overtaken by a newer one and does nothing more, so that the frame, the
    // card and the sound always belong to the same, latest event.
    unsigned long long actions_ = 0;
};

}  // namespace pelomar
