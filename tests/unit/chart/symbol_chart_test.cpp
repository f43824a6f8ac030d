#include <doctest/doctest.h>

#include <climits>
#include <sstream>
#include <vector>

#include "chart/symbol_chart.h"

using namespace pelomar;

namespace {

SymbolChart builtChart() {
    SymbolChart chart;
    chart.buildChart();
    return chart;
}

std::vector<int> split(std::string_view text) {
    std::vector<int> out;
    std::istringstream in{std::string(text)};
    for (int n; in >> n;) out.push_back(n);
    return out;
}

}  // namespace

TEST_CASE("symbol cells: edges are inclusive and rows meet without a gap") {
    const SymbolChart chart = builtChart();
    CHECK(chart.symbolAt(157, 116) == 1);
    CHECK(chart.symbolAt(194, 149) == 1);
    CHECK(chart.symbolAt(195, 116) == 2);
    CHECK(chart.symbolAt(156, 116) == 0);
    CHECK(chart.symbolAt(194, 150) == 9);
    CHECK(chart.symbolAt(460, 449) == 48);
    CHECK(chart.symbolAt(461, 449) == 0);
    CHECK(chart.symbolAt(157, 450) == 0);
}

TEST_CASE("bands between rows and right of short rows belong to no region") {
    const SymbolChart chart = builtChart();
    CHECK(chart.symbolAt(300, 190) == 0);
    CHECK(chart.symbolAt(280, 160) == 0);
    CHECK(chart.symbolAt(270, 160) == 11);
    for (int y : {184, 194, 297, 326, 365, 368, 407, 411})
        for (int x = 157; x <= 460; ++x) {
            INFO("x=" << x << " y=" << y);
            CHECK(chart.symbolAt(x, y) == 0);
        }
}

TEST_CASE("the table of cells") {
    const SymbolChart chart = builtChart();
    CHECK(chart.symbolRegion(1) == HitRegion{116, 157, 37, 33});
    CHECK(chart.symbolRegion(11) == HitRegion{150, 233, 37, 33});
    CHECK(chart.symbolRegion(20) == HitRegion{229, 157, 37, 33});
    CHECK(chart.symbolRegion(28) == HitRegion{263, 347, 37, 33});
    CHECK(chart.symbolRegion(29) == HitRegion{327, 157, 37, 37});
    CHECK(chart.symbolRegion(40) == HitRegion{369, 385, 37, 37});
    CHECK(chart.symbolRegion(48) == HitRegion{412, 423, 37, 37});
    // Every cell's centre finds that cell, and no two regions overlap.
    for (int n = 1; n <= 48; ++n) {
        const HitRegion r = chart.symbolRegion(n);
        CHECK(chart.symbolAt(r.left + r.width / 2, r.top + r.height / 2) == n);
        CHECK(chart.symbolAt(r.left, r.top) == n);
        CHECK(chart.symbolAt(r.left + r.width, r.top + r.height) == n);
        CHECK(chart.groupAt(r.left, r.top) == 0);
    }
}

TEST_CASE("group captions") {
    const SymbolChart chart = builtChart();
    CHECK(chart.groupAt(3, 122) == 1);
    CHECK(chart.groupAt(144, 164) == 2);
    CHECK(chart.groupAt(50, 150) == 0);
    CHECK(chart.groupAt(100, 340) == 5);
    CHECK(chart.symbolAt(100, 340) == 0);
    CHECK(chart.groupRegion(4) == HitRegion{329, 3, 39, 92});
    CHECK(chart.groupRegion(7) == HitRegion{418, 56, 88, 24});
    for (int g = 1; g <= 7; ++g) {
        const HitRegion r = chart.groupRegion(g);
        CHECK(chart.groupAt(r.left + r.width, r.top + r.height) == g);
        CHECK(chart.symbolAt(r.left, r.top) == 0);
    }
}

TEST_CASE("member lists read in order and nest as the classes do") {
    const std::vector<int> voiced = split(groupMembers(3));
    REQUIRE(voiced.size() == 17);
    for (size_t i = 0; i < voiced.size(); ++i) CHECK(voiced[i] == int(12 + i));

    std::vector<int> consonants = split(groupMembers(2));
    for (int n : voiced) consonants.push_back(n);
    CHECK(split(groupMembers(1)) == consonants);

    std::vector<int> vowels;
    for (int g : {5, 6, 7})
        for (int n : split(groupMembers(g))) vowels.push_back(n);
    CHECK(split(groupMembers(4)) == vowels);
    CHECK(groupMembers(5) == "29 30 31 32 33");
    // Single blanks only: the reading splits at each blank.
    for (int g = 1; g <= 7; ++g) CHECK(std::string(groupMembers(g)).find("  ") == std::string::npos);
}

TEST_CASE("numbers outside the tables never read outside them") {
    SymbolChart chart;
    CHECK(chart.symbolAt(0, 0) == 0);  // nothing is found before the chart is built
    chart.buildChart();
    CHECK(chart.symbolRegion(0) == HitRegion{});
    CHECK(chart.symbolRegion(49) == HitRegion{});
    CHECK(chart.groupRegion(-1) == HitRegion{});
    CHECK(chart.groupRegion(8) == HitRegion{});
    CHECK(groupMembers(0).empty());
    CHECK(groupMembers(8).empty());
    // Extreme coordinates neither overflow nor wrap into a region.
    CHECK(contains(HitRegion{0, INT_MAX - 1, 10, 10}, INT_MAX, 5));
    CHECK(chart.symbolAt(INT_MIN, INT_MAX) == 0);
    CHECK(chart.groupAt(INT_MAX, INT_MIN) == 0);
}
