// The card window: a captionless pop-up owned by the main window that shows
// one symbol's card picture beside the pointer.
//
// Supports: creation hidden (309 x 314, dialog frame with a sunken client
// edge, the four-way arrow over it), showCard and hideCard, and its own
// events: a loss of focus hides it unless a press asked to keep it once,
// a close request (Esc) hides it and is refused, the end of the session is
// allowed, the left button drags it, the right button hides it. The card
// pictures are decoded on first use and kept for the rest of the run.
#pragma once

#include <windows.h>

#include <array>

#include "chart/symbol_chart.h"
#include "ui/picture_win32.h"
#include "ui/pointer_tracker.h"
#include "ui/window_proc_win32.h"

namespace pelomar {

// Places a pop-up beside the pointer by the card's rule, shows it, makes it
// the active window and paints it: all of showing a card but the card.
void showBesidePointer(HWND popup);

class CardWindow final : public CardActions {
public:
    CardWindow() = default;
    ~CardWindow() override;
    CardWindow(const CardWindow&) = delete;
    CardWindow& operator=(const CardWindow&) = delete;

    // Creates the window hidden, owned by owner and centred on the screen.
    bool create(HWND owner);
    HWND hwnd() const { return hwnd_; }
    bool visible() const;
    // The symbol whose card the window holds; 0 before the first showCard.
    int card() const { return shown_; }

    // Card n (1..48) beside the pointer, then shown and painted.
    void showCard(int n) override;
    void hideCard() override;
    void setKeepCardOnce(bool keep) override { keepCardOnce = keep ? 1 : 0; }

    // 1: the next loss of focus leaves the card on the screen, once.
    int keepCardOnce = 0;

private:
    template <class Window>
    friend LRESULT CALLBACK routeMessages(HWND, UINT, WPARAM, LPARAM);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void onPaint();
    const Picture& picture(int n);

    HWND hwnd_ = nullptr;
    int shown_ = 0;
    std::array<Picture, kSymbolCount> pictures_;
};

}  // namespace pelomar
