#include "chart/symbol_chart.h"

namespace pelomar {
namespace {

constexpr int kFirstCellLeft = 157;
constexpr int kCellWidth = 37;

struct RowLayout {
    int count;
    // A row either sets top/height itself or follows the row above (top = above.top + above.height + 1).
    bool followsAbove;
    int top;
    int height;
};

constexpr RowLayout kRows[] = {
    {8, false, 116, 33},  // p t k f θ s ʃ h
    {3, true, 0, 0},      // tʃ ts tr
    {8, false, 195, 33},  // b d g v ð z ʒ r
    {3, true, 0, 0},      // dʒ dz dr
    {6, true, 0, 0},      // j w m n ŋ l
    {5, false, 327, 37},  // iː əː ɑː ɔː uː
    {7, false, 369, 37},  // i e æ ə ʌ ɔ u
    {8, false, 412, 37},  // ei ai ɔi əu au iə ɛə uə
};

constexpr HitRegion kGroups[kGroupCount] = {
    {122, 3, 39, 92},   // 辅音
    {140, 56, 88, 24},  // 清辅音
    {214, 56, 88, 24},  // 浊辅音
    {329, 3, 39, 92},   // 元音
    {332, 56, 88, 24},  // 长元音
    {375, 56, 88, 24},  // 短元音
    {418, 56, 88, 24},  // 双元音
};

constexpr std::string_view kMembers[kGroupCount] = {
    "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28",
    "1 2 3 4 5 6 7 8 9 10 11",
    "12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28",
    "29 30 31 32 33 34 35 36 37 38 39 40 41 42 43 44 45 46 47 48",
    "29 30 31 32 33",
    "34 35 36 37 38 39 40",
    "41 42 43 44 45 46 47 48",
};

}  // namespace

bool operator==(const HitRegion& a, const HitRegion& b) {
    return a.top == b.top && a.left == b.left && a.width == b.width && a.height == b.height;
}

bool contains(const HitRegion& r, int x, int y) {
    // Both edges inclusive; 64-bit sums keep extreme inputs from overflowing.
    return r.left <= x && static_cast<long long>(x) <= static_cast<long long>(r.left) + r.width &&
           r.top <= y && static_cast<long long>(y) <= static_cast<long long>(r.top) + r.height;
}

void SymbolChart::buildChart() {
    HitRegion cell;
    int n = 0;
    for (const RowLayout& row : kRows) {
        if (row.followsAbove) {
            cell.top = cell.top + cell.height + 1;
        } else {
            cell.top = row.top;
            cell.height = row.height;
        }
        cell.left = kFirstCellLeft;
        cell.width = kCellWidth;
        for (int i = 0; i < row.count; ++i) {
            if (i > 0) cell.left = cell.left + cell.width + 1;
            symbols_[n++] = cell;
        }
    }
    for (int g = 0; g < kGroupCount; ++g) groups_[g] = kGroups[g];
    built_ = true;
}

int SymbolChart::symbolAt(int x, int y) const {
    if (!built_) return 0;
    for (int n = 0; n < kSymbolCount; ++n)
        if (contains(symbols_[n], x, y)) return n + 1;
    return 0;
}

int SymbolChart::groupAt(int x, int y) const {
    if (!built_) return 0;
    for (int g = 0; g < kGroupCount; ++g)
        if (contains(groups_[g], x, y)) return g + 1;
    return 0;
}

HitRegion SymbolChart::symbolRegion(int n) const {
    if (n < 1 || n > kSymbolCount) return {};
    return symbols_[n - 1];
}

HitRegion SymbolChart::groupRegion(int g) const {
    if (g < 1 || g > kGroupCount) return {};
    return groups_[g - 1];
}

std::string_view groupMembers(int g) {
    if (g < 1 || g > kGroupCount) return {};
    return kMembers[g - 1];
}

}  // namespace pelomar
