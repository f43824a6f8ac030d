// The symbol chart: the rectangles laid over the chart picture, one per
// phonetic symbol (1..48) and one per group caption (1..7), and the member
// list of every group. Built once at start-up and only read afterwards.
#pragma once

#include <array>
#include <string_view>

namespace pelomar {

// A rectangle in chart panel client coordinates. Both edges belong to it:
// it covers width + 1 columns and height + 1 rows.
struct HitRegion {
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
};

bool operator==(const HitRegion& a, const HitRegion& b);

bool contains(const HitRegion& region, int x, int y);

inline constexpr int kSymbolCount = 48;
inline constexpr int kGroupCount = 7;

class SymbolChart {
public:
    // Fills the 48 symbol regions and then the 7 group regions.
    void buildChart();

    // The first symbol (in the order 1..48) whose region holds the point, or 0.
    int symbolAt(int x, int y) const;
    // The first group (in the order 1..7) whose region holds the point, or 0.
    int groupAt(int x, int y) const;

    // Region of symbol n (1..48) or group g (1..7). Out-of-range numbers give
    // an empty region at the origin rather than reading outside the table.
    HitRegion symbolRegion(int n) const;
    HitRegion groupRegion(int g) const;

private:
    std::array<HitRegion, kSymbolCount> symbols_{};
    std::array<HitRegion, kGroupCount> groups_{};
    bool built_ = false;  // no point is in any region before buildChart
};

// The member list of group g (1..7): symbol numbers separated by single
// blanks, in reading order. Empty for any other g.
std::string_view groupMembers(int g);

}  // namespace pelomar
