#include "practice/practice_sets.h"

#include "chart/symbol_chart.h"
#include "text/texts.h"
#include "ui/group_reader.h"

namespace pelomar {
namespace {

constexpr std::array<PracticeSetInfo, kPracticeSetCount> kSets = {{
    {PracticeSet::MinimalPairs, text::kPracticeSetPairs, text::wide::kPracticeSetPairs, 0},
    {PracticeSet::Voiceless, text::kPracticeSetVoiceless, text::wide::kPracticeSetVoiceless, 2},
    {PracticeSet::Voiced, text::kPracticeSetVoiced, text::wide::kPracticeSetVoiced, 3},
    {PracticeSet::LongVowels, text::kPracticeSetLongVowels, text::wide::kPracticeSetLongVowels, 5},
    {PracticeSet::ShortVowels, text::kPracticeSetShortVowels, text::wide::kPracticeSetShortVowels, 6},
    {PracticeSet::Diphthongs, text::kPracticeSetDiphthongs, text::wide::kPracticeSetDiphthongs, 7},
    {PracticeSet::All, text::kPracticeSetAll, text::wide::kPracticeSetAll, 0},
}};

constexpr int kSmallGroups[] = {2, 3, 5, 6, 7};

}  // namespace

const std::array<PracticeSetInfo, kPracticeSetCount>& practiceSets() { return kSets; }

const PracticeSetInfo& practiceSetInfo(PracticeSet set) { return kSets[static_cast<int>(set)]; }

std::optional<PracticeSet> practiceSetNamed(std::string_view gbk) {
    for (const PracticeSetInfo& info : kSets)
        if (info.name == gbk) return info.set;
    return std::nullopt;
}

int smallGroupOf(int n) {
    for (int g : kSmallGroups)
        for (int member : memberSymbols(groupMembers(g)))
            if (member == n) return g;
    return 0;
}

std::vector<int> smallGroupMembers(int n) { return memberSymbols(groupMembers(smallGroupOf(n))); }

}  // namespace pelomar
