#include "ui/pointer_tracker.h"

#include "ui/main_window_rules.h"

namespace pelomar {
namespace {

// Option numbers of the menu rows each event kind reads.
struct OptionNumbers {
    int sound, card, ignoreSound, ignoreCard;
};
constexpr OptionNumbers kHoverOptions{1, 3, 2, 4};
constexpr OptionNumbers kClickOptions{5, 7, 6, 8};

// "Ctrl held" means Ctrl alone: with Shift or Alt as well it does not count.
bool suppressedByCtrl(bool ignoreWithCtrl, int keys) { return ignoreWithCtrl && keys == kKeyCtrl; }

}  // namespace

PointerOptions pointerOptions(PointerEventKind kind, const ContextMenu& menu) {
    if (kind == PointerEventKind::Release) return {};
    const OptionNumbers& n = kind == PointerEventKind::Move ? kHoverOptions : kClickOptions;
    return {menu.option(n.sound), menu.option(n.card), menu.option(n.ignoreSound), menu.option(n.ignoreCard)};
}

void PointerTracker::handleChartEvent(PointerEventKind kind, int x, int y, int keys, const ContextMenu& menu) {
    const PointerOptions o = pointerOptions(kind, menu);
    handlePointer(x, y, o.soundOn, o.cardOn, kind, kind == PointerEventKind::Release ? 0 : keys,
                  o.ignoreSoundWithCtrl, o.ignoreCardWithCtrl);
}

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

void PointerTracker::handlePointer(int x, int y, bool soundOn, bool cardOn, PointerEventKind kind, int keys,
                                   bool ignoreSoundWithCtrl, bool ignoreCardWithCtrl) {
    bool found = false;
    if (const int n = p_.chart.symbolAt(x, y)) {
        found = true;
        const int prev = lastRegion_;
        setLastRegion(n);
        const bool acts = kind != PointerEventKind::Move || prev != n;
        if (acts) drawHighlight(p_.canvas, p_.sleeper, p_.chart.symbolRegion(n), kind);
        if (soundOn && acts && !suppressedByCtrl(ignoreSoundWithCtrl, keys) && !startSound(n)) return;
        if (prev == n && kind == PointerEventKind::Press) p_.card.setKeepCardOnce();
        if (cardOn && acts && !suppressedByCtrl(ignoreCardWithCtrl, keys)) {
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
