// The sets a learner practises: the minimal pairs, the five small groups of
// the chart and all 48 symbols. A symbol's small group is where the other
// candidates of its questions come from.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace pelomar {

enum class PracticeSet { MinimalPairs, Voiceless, Voiced, LongVowels, ShortVowels, Diphthongs, All };
inline constexpr int kPracticeSetCount = 7;
inline constexpr PracticeSet kFirstPracticeSet = PracticeSet::MinimalPairs;

struct PracticeSetInfo {
    PracticeSet set;
    std::string_view name;       // GBK, as the progress file keeps it
    std::wstring_view wideName;  // as the window shows it
    int group;                   // its chart group (1..7); 0 for the pairs and for all
};

// In the order of the window's row of buttons.
const std::array<PracticeSetInfo, kPracticeSetCount>& practiceSets();
const PracticeSetInfo& practiceSetInfo(PracticeSet set);
std::optional<PracticeSet> practiceSetNamed(std::string_view gbk);

// The chart group of symbol n's small group: 2 voiceless, 3 voiced
// consonants, 5 long, 6 short vowels, 7 diphthongs; 0 for no symbol.
int smallGroupOf(int n);
// The members of symbol n's small group, n among them.
std::vector<int> smallGroupMembers(int n);

}  // namespace pelomar
