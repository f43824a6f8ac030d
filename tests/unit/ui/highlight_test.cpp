#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "ui/highlight.h"

using namespace pelomar;

namespace {

// Records every canvas operation and sleep as one line of a script.
struct Recorder : ChartCanvas, Sleeper {
    std::vector<std::string> ops;
    void erase() override { ops.push_back("erase"); }
    void setPenColour(Colour c) override {
        ops.push_back(c == kFrameRed ? "red" : c == kFrameYellow ? "yellow" : "other");
    }
    void drawRectangle(int l, int t, int r, int b) override {
        ops.push_back("rect " + std::to_string(l) + "," + std::to_string(t) + "-" + std::to_string(r) +
                      "," + std::to_string(b));
    }
    void sleepMs(int ms) override { ops.push_back("sleep " + std::to_string(ms)); }
    void fineTimer(bool on) override {
        if (withTimer) ops.push_back(on ? "fine" : "coarse");
    }
    bool withTimer = false;
};

const HitRegion kSymbol1{116, 157, 37, 33};

}  // namespace

TEST_CASE("a press on symbol 1 shrinks a yellow frame onto its centre") {
    Recorder rec;
    rec.withTimer = true;
    drawHighlight(rec, rec, kSymbol1, PointerEventKind::Press);
    // The timer is made fine once, around all six sleeps.
    const std::vector<std::string> expected = {
        "yellow",   "erase", "rect 157,116-194,149", "fine",
        "sleep 10", "erase", "rect 160,119-190,146",
        "sleep 10", "erase", "rect 164,122-187,143",
        "sleep 10", "erase", "rect 167,125-183,140",
        "sleep 10", "erase", "rect 171,128-180,137",
        "sleep 10", "erase", "rect 174,131-176,134",
        "sleep 10", "erase", "rect 174,131-176,133", "coarse",
    };
    CHECK(rec.ops == expected);
}

TEST_CASE("move and release draw one red frame on the outline") {
    for (PointerEventKind kind : {PointerEventKind::Move, PointerEventKind::Release}) {
        Recorder rec;
        drawHighlight(rec, rec, kSymbol1, kind);
        CHECK(rec.ops == std::vector<std::string>{"red", "erase", "rect 157,116-194,149"});
    }
    Recorder rec;
    drawHighlight(rec, rec, HitRegion{140, 56, 88, 24}, PointerEventKind::Move);  // a caption
    CHECK(rec.ops.back() == "rect 56,140-144,164");
}

TEST_CASE("the animation on tall and wide regions") {
    const auto frames = [](const Recorder& r) {
        std::vector<std::string> out;
        for (const std::string& op : r.ops)
            if (op.rfind("rect", 0) == 0) out.push_back(op);
        return out;
    };
    // A 37 x 37 vowel cell: dy = 7 gives half steps of 3.5 vertically too.
    Recorder rec;
    drawHighlight(rec, rec, HitRegion{327, 157, 37, 37}, PointerEventKind::Press);
    REQUIRE(frames(rec).size() == 7);
    CHECK(frames(rec)[1] == "rect 160,330-190,360");
    CHECK(frames(rec)[2] == "rect 164,334-187,357");
    CHECK(frames(rec).back() == "rect 174,344-176,346");
    // The tall caption (39 x 92): dx = 7, dy = 18.
    Recorder tall;
    drawHighlight(tall, tall, HitRegion{122, 3, 39, 92}, PointerEventKind::Press);
    REQUIRE(frames(tall).size() == 7);
    CHECK(frames(tall)[1] == "rect 6,131-38,205");
    CHECK(frames(tall).back() == "rect 21,167-23,169");
    int sleeps = 0;
    for (const std::string& op : tall.ops) sleeps += op == "sleep 10";
    CHECK(sleeps == 6);
}
