// A chart with recording fakes for everything pointer tracking and group
// reading reach: the canvas, the sleeps, the sounds, the card window, the
// pointer shape and the event pump. Every call becomes one line of a log.
// Events can be scheduled to arrive while a reading waits.
#pragma once

#include <doctest/doctest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "chart/symbol_chart.h"
#include "ui/card_placement.h"
#include "ui/group_reader.h"
#include "ui/highlight.h"
#include "ui/main_window_rules.h"
#include "ui/pointer_tracker.h"

namespace pelomar::testing {

struct Chart : ChartCanvas, Sleeper, SoundActions, CardActions, PointerShape, EventPump {
    SymbolChart chart;
    GroupReader reader{chart, *this, *this, *this, *this};
    PointerTracker tracker{{chart, *this, *this, *this, *this, *this, reader, *this}};

    std::vector<std::string> log;
    bool hand = false;
    bool mainWindow = true;
    int steps = 0;  // wait steps taken so far
    // The timer's resolution: brackets open now, raises so far, and sleeps or
    // wait steps taken while it was coarse.
    int fineDepth = 0;
    int fineRaises = 0;
    int coarseSleeps = 0;
    // Events that arrive once the given number of wait steps has passed.
    std::multimap<int, std::function<void()>> arrivals;

    Chart() { chart.buildChart(); }

    void note(const std::string& entry) {
        justDispatched = false;
        log.push_back(entry);
    }
    bool justDispatched = false;

    // ChartCanvas
    void erase() override { note("erase"); }
    void setPenColour(Colour c) override { note(c == kFrameRed ? "red" : "yellow"); }
    void drawRectangle(int l, int t, int r, int b) override {
        note("rect " + std::to_string(l) + "," + std::to_string(t) + "-" + std::to_string(r) + "," +
             std::to_string(b));
    }
    // Sleeper: a reading's wait step is a dispatch followed at once by a
    // sleep ("step"); the press animation's sleeps follow its drawing ("sleep").
    void sleepMs(int ms) override {
        if (fineDepth == 0) ++coarseSleeps;
        if (justDispatched) {
            ++steps;
            note("step " + std::to_string(ms));
        } else {
            note("sleep " + std::to_string(ms));
        }
    }
    void fineTimer(bool on) override {
        if (on) ++fineRaises;
        fineDepth += on ? 1 : -1;
        CHECK(fineDepth >= 0);
    }
    // SoundActions
    void stopAllSounds() override { note("stop"); }
    bool playSymbol(int n) override {
        note("play " + std::to_string(n));
        return true;
    }
    // CardActions, with the card's state as the card window keeps it.
    void showCard(int n) override {
        cardShown = true;
        note("card " + std::to_string(n));
    }
    void hideCard() override {
        cardShown = false;
        note("hide");
    }
    void setKeepCardOnce(bool keep) override {
        keepCardOnce = keep ? 1 : 0;
        if (keep) note("keep");
    }
    // The card window loses the focus and decides as the real one does.
    void cardLosesFocus() {
        if (hidesOnFocusLoss(keepCardOnce)) hideCard();
    }
    bool cardShown = false;
    int keepCardOnce = 0;
    // PointerShape
    bool pointerIsHand() override { return hand; }
    void setPointerHand(bool h) override {
        hand = h;
        note(h ? "hand" : "arrow");
    }
    // EventPump
    void processPendingEvents() override {
        note("dispatch");
        while (!arrivals.empty() && arrivals.begin()->first <= steps) {
            const std::function<void()> event = arrivals.begin()->second;
            arrivals.erase(arrivals.begin());
            event();
        }
        justDispatched = true;
    }
    bool mainWindowExists() override {
        note("exists?");
        return mainWindow;
    }

    // Pointer events with every option given explicitly.
    void move(int x, int y, int keys = 0, PointerOptions o = all()) {
        tracker.handlePointer(x, y, PointerEventKind::Move, keys, o);
    }
    void press(int x, int y, int keys = 0, PointerOptions o = all()) {
        tracker.handlePointer(x, y, PointerEventKind::Press, keys, o);
    }
    void release(int x, int y) { tracker.handlePointer(x, y, PointerEventKind::Release, 0, none()); }
    static PointerOptions all() { return {true, true, true, true}; }
    static PointerOptions none() { return {}; }

    // True when the entries occur in the log in this order (others may come
    // between them).
    bool inOrder(std::initializer_list<std::string> entries) const {
        auto at = log.begin();
        for (const std::string& e : entries) {
            at = std::find(at, log.end(), e);
            if (at == log.end()) return false;
            ++at;
        }
        return true;
    }

    // The log entries that begin with one of the prefixes; runs of the same
    // entry are folded into "entry xN".
    std::vector<std::string> only(std::initializer_list<std::string> prefixes) const {
        std::vector<std::string> out;
        std::string last;
        int run = 0;
        auto flush = [&] {
            if (run) out.push_back(run == 1 ? last : last + " x" + std::to_string(run));
        };
        for (const std::string& entry : log) {
            bool wanted = false;
            for (const std::string& p : prefixes) wanted = wanted || entry.rfind(p, 0) == 0;
            if (!wanted) continue;
            if (entry == last) {
                ++run;
                continue;
            }
            flush();
            last = entry;
            run = 1;
        }
        flush();
        return out;
    }
};

using Log = std::vector<std::string>;

}  // namespace pelomar::testing

// Failed comparisons of logs print both logs.
template <>
struct doctest::StringMaker<pelomar::testing::Log> {
    static doctest::String convert(const pelomar::testing::Log& log) {
        std::string s = "{";
        for (const std::string& entry : log) s += (s.size() > 1 ? ", " : "") + entry;
        return (s + "}").c_str();
    }
};
