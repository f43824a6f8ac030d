#include "practice/word_bank.h"

#include <algorithm>

#include "media/words.h"

namespace pelomar {
namespace {

PracticeWord practiceWord(const WordUse& use) {
    const Word w = wordAt(use.word);
    return {use.word, w.text, w.units, use.symbol, use.letters, use.lettersAt};
}

void addOnce(std::vector<PracticeWord>& words, const PracticeWord& word) {
    const bool known = std::any_of(words.begin(), words.end(), [&](const PracticeWord& w) { return w.word == word.word; });
    if (!known && word.symbol >= 1 && word.symbol <= kSymbolCount && !word.text.empty()) words.push_back(word);
}

void shuffle(std::vector<int>& v, Random& random) {
    for (int i = static_cast<int>(v.size()) - 1; i > 0; --i) std::swap(v[i], v[random.below(i + 1)]);
}

}  // namespace

bool carries(const PracticeWord& word, int symbol) {
    return std::find(word.units.begin(), word.units.end(), symbol) != word.units.end();
}

const std::vector<PracticeWord>& WordBank::wordsFor(int n) const {
    static const std::vector<PracticeWord> none;
    return n >= 1 && n <= kSymbolCount ? bySymbol[n - 1] : none;
}

std::vector<int> WordBank::symbolsOf(PracticeSet set) const {
    std::vector<int> symbols;
    const int group = practiceSetInfo(set).group;
    for (int n = 1; n <= kSymbolCount; ++n) {
        if (wordsFor(n).empty()) continue;
        const bool in = set == PracticeSet::MinimalPairs ? !pairsOf(n).empty()
                        : set == PracticeSet::All        ? true
                                                         : smallGroupOf(n) == group;
        if (in) symbols.push_back(n);
    }
    return symbols;
}

std::vector<int> WordBank::pairsOf(int n) const {
    std::vector<int> found;
    for (int i = 0; i < static_cast<int>(pairs.size()); ++i)
        if (pairs[i].first.symbol == n || pairs[i].second.symbol == n) found.push_back(i);
    return found;
}

WordBank embeddedWordBank() {
    WordBank bank;
    for (int n = 1; n <= kSymbolCount; ++n)
        for (const WordUse& use : cardWords(n)) addOnce(bank.bySymbol[n - 1], practiceWord(use));
    for (const MinimalPair& pair : minimalPairs()) {
        const PracticePair p{practiceWord(pair.first), practiceWord(pair.second)};
        if (p.first.text.empty() || p.second.text.empty()) continue;
        bank.pairs.push_back(p);
        addOnce(bank.bySymbol[p.first.symbol - 1], p.first);
        addOnce(bank.bySymbol[p.second.symbol - 1], p.second);
    }
    return bank;
}

Candidates groupCandidates(const PracticeWord& word, Random& random) {
    std::vector<int> others;
    for (int n : smallGroupMembers(word.symbol))
        if (n != word.symbol && !carries(word, n)) others.push_back(n);
    shuffle(others, random);
    others.resize(std::min<std::size_t>(others.size(), kMaxCandidates - 1));
    Candidates c;
    c.count = static_cast<int>(others.size()) + 1;
    c.right = random.below(c.count);
    for (int i = 0, o = 0; i < c.count; ++i) c.symbols[i] = i == c.right ? word.symbol : others[o++];
    return c;
}

Candidates pairCandidates(const PracticePair& pair, const PracticeWord& word, Random& random) {
    Candidates c;
    c.count = 2;
    c.right = random.below(2);
    const int other = pair.first.symbol == word.symbol ? pair.second.symbol : pair.first.symbol;
    c.symbols[c.right] = word.symbol;
    c.symbols[1 - c.right] = other;
    return c;
}

}  // namespace pelomar
