#include "practice/question_picker.h"

#include <algorithm>

namespace pelomar {

std::optional<Question> QuestionPicker::next(PracticeSet set, ProgressBook& book, Random& random) {
    const long number = count_ + 1;
    Question q;
    const auto due = std::min_element(returns_.begin(), returns_.end(),
                                      [](const Return& a, const Return& b) { return a.at < b.at; });
    if (due != returns_.end() && due->at <= number) {
        q = askAgain(due->question, random);
        returns_.erase(due);
    } else {
        const int symbol = drawSymbol(set, book, random);
        if (symbol == 0) return std::nullopt;
        q = ask(set, symbol, random);
    }
    count_ = number;
    q.number = number;
    lastSymbol_ = q.symbol();
    lastWord_ = q.word.word;
    return q;
}

void QuestionPicker::answered(const Question& question, bool right) {
    if (right) return;
    returns_.push_back({question, question.number + kReturnAfter});
}

int QuestionPicker::drawSymbol(PracticeSet set, ProgressBook& book, Random& random) const {
    const std::vector<int> symbols = bank_.symbolsOf(set);
    if (symbols.empty()) return 0;
    const auto returning = [&](int n) {
        return std::any_of(returns_.begin(), returns_.end(), [n](const Return& r) { return r.question.symbol() == n; });
    };
    const auto inBoxOne = std::count_if(symbols.begin(), symbols.end(), [&](int n) { return book.box(n) == 1; });
    std::vector<int> unseen;
    std::copy_if(symbols.begin(), symbols.end(), std::back_inserter(unseen), [&](int n) { return book.box(n) == 0; });
    if (inBoxOne < kNewWhileFewerInBoxOne && !unseen.empty()) {
        const int n = unseen[random.below(static_cast<int>(unseen.size()))];
        book.enter(n);
        return n;
    }
    // By weight among the seen symbols; the one just asked and those about
    // to come back only when there is nothing else.
    for (int strictness = 2; strictness >= 0; --strictness) {
        std::vector<int> pool;
        int total = 0;
        for (int n : symbols) {
            if (strictness >= 1 && returning(n)) continue;
            if (strictness >= 2 && n == lastSymbol_) continue;
            if (drawWeight(book.box(n)) == 0) continue;
            pool.push_back(n);
            total += drawWeight(book.box(n));
        }
        if (pool.empty()) continue;
        int pick = random.below(total);
        for (int n : pool) {
            pick -= drawWeight(book.box(n));
            if (pick < 0) return n;
        }
    }
    const int n = unseen.empty() ? symbols[random.below(static_cast<int>(symbols.size()))]
                                 : unseen[random.below(static_cast<int>(unseen.size()))];
    book.enter(n);
    return n;
}

const PracticeWord& QuestionPicker::pickWord(const std::vector<PracticeWord>& words, int avoid, Random& random) const {
    if (words.size() == 1) return words.front();
    for (;;) {
        const PracticeWord& w = words[random.below(static_cast<int>(words.size()))];
        if (w.word != avoid) return w;
    }
}

Question QuestionPicker::ask(PracticeSet set, int symbol, Random& random) const {
    Question q;
    if (set == PracticeSet::MinimalPairs) {
        const std::vector<int> pairs = bank_.pairsOf(symbol);
        q.pair = pairs[random.below(static_cast<int>(pairs.size()))];
        const PracticePair& p = bank_.pairs[q.pair];
        q.word = p.first.symbol == symbol ? p.first : p.second;
        q.candidates = pairCandidates(p, q.word, random);
    } else {
        q.word = pickWord(bank_.wordsFor(symbol), lastWord_, random);
        q.candidates = groupCandidates(q.word, random);
    }
    return q;
}

Question QuestionPicker::askAgain(const Question& missed, Random& random) const {
    Question q = missed;
    if (missed.pair >= 0) {
        q.candidates = pairCandidates(bank_.pairs[missed.pair], missed.word, random);
    } else {
        q.word = pickWord(bank_.wordsFor(missed.symbol()), missed.word.word, random);
        q.candidates = groupCandidates(q.word, random);
    }
    return q;
}

}  // namespace pelomar
