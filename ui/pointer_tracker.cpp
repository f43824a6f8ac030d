#include "ui/pointer_tracker.h"

#include "ui/main_window_rules.h"

namespace pelomar {
namespace {

// "Ctrl held" means Ctrl alone: with Shift or Alt as well it does not count.
bool suppressedByCtrl(bool ignoreWithCtrl, int keys) { return ignoreWithCtrl && keys == kKeyCtrl; }

}  // namespace

void PointerTracker::setLastRegion(int region) {
    if (region != lastRegion_) ++actions_;
    lastRegion_ = region;
}

bool PointerTracker::dispatchPending() {
    const unsigned long long mine = ++actions_;
    p_.pump.processPendingEvents();
    return actions_ == mine;
}

// Every sound the pointer starts first ends a reading in progress and
// silences what is playing.
bool PointerTracker::startSound(int n) {
    p_.reader.stopReading = 1;
    if (!dispatchPending()) return false;
    p_.sound.stopAllSounds();
    p_.sound.playSymbol(n);
    return true;
}

bool PointerTracker::keepsCard(int x, int y) const {
    const int n = p_.chart.symbolAt(x, y);
    return n != 0 && n == lastRegion_;
}

void PointerTracker::activatedByPress(int x, int y) {
    if (keepsCard(x, y)) p_.card.setKeepCardOnce(true);
}

void PointerTracker::handlePointer(int x, int y, PointerEventKind kind, int keys, const PointerOptions& options) {
    handleEvent(x, y, kind, keys, options);
    // Left set, the flag would spare the card at some later, unrelated loss of focus.
    if (kind == PointerEventKind::Press) p_.card.setKeepCardOnce(false);
}

void PointerTracker::handleEvent(int x, int y, PointerEventKind kind, int keys, const PointerOptions& options) {
    bool found = false;
    if (const int n = p_.chart.symbolAt(x, y)) {
        found = true;
        const int prev = lastRegion_;
        setLastRegion(n);
        const bool acts = kind != PointerEventKind::Move || prev != n;
        if (acts) drawHighlight(p_.canvas, p_.sleeper, p_.chart.symbolRegion(n), kind);
        if (options.soundOn && acts && !suppressedByCtrl(options.ignoreSoundWithCtrl, keys) && !startSound(n))
            return;
        if (prev == n && kind == PointerEventKind::Press) p_.card.setKeepCardOnce(true);
        if (options.cardOn && acts && !suppressedByCtrl(options.ignoreCardWithCtrl, keys)) {
            ++actions_;
            p_.card.showCard(n);
        }
    } else if (const int g = p_.chart.groupAt(x, y)) {
        found = true;
        const int prev = lastRegion_;
        setLastRegion(g);
        if (kind != PointerEventKind::Move || prev != g)
            drawHighlight(p_.canvas, p_.sleeper, p_.chart.groupRegion(g), kind);
        if (kind == PointerEventKind::Press) {
            p_.reader.stopReading = 1;
            if (!dispatchPending()) return;
            p_.sound.stopAllSounds();
            const unsigned long long mine = actions_;
            p_.reader.readGroup(groupMembers(g));
            // What the user did during the reading has set the pointer shape already.
            if (actions_ != mine) return;
        }
    }
    if (p_.shape.pointerIsHand() != found) p_.shape.setPointerHand(found);
    if (!found) {
        setLastRegion(0);
        p_.canvas.erase();
        p_.card.hideCard();
    }
}

}  // namespace pelomar
