// Which word comes next. Each symbol of the set is drawn by its Leitner box
// (practice/progress_book.h), with weight 1/2^(box-1); an unseen symbol joins
// while fewer than three of the set's symbols are in box 1. A missed symbol
// comes back two questions later, after one other, so within the next three;
// in the minimal pairs with the same pair, elsewhere in another of its words
// where it has one.
#pragma once

#include <optional>
#include <vector>

#include "practice/progress_book.h"
#include "practice/word_bank.h"

namespace pelomar {

inline constexpr int kReturnAfter = 2;
// While fewer of the set's symbols than this are in box 1, an unseen one joins.
inline constexpr int kNewWhileFewerInBoxOne = 3;

struct Question {
    long number = 0;    // counted over the window's whole run, from 1
    PracticeWord word;  // word.symbol is the one to find
    int pair = -1;      // into the bank's pairs, for a minimal pair
    Candidates candidates;

    int symbol() const { return word.symbol; }
};

class QuestionPicker {
public:
    explicit QuestionPicker(const WordBank& bank) : bank_(bank) {}

    // Nothing when the set has no symbol with a word. May let an unseen
    // symbol join (book.enter).
    std::optional<Question> next(PracticeSet set, ProgressBook& book, Random& random);
    // A miss sets the question's symbol to come back.
    void answered(const Question& question, bool right);
    // Returns pending from another set are dropped.
    void forgetReturns() { returns_.clear(); }

private:
    struct Return {
        Question question;
        long at;  // the number of the question it comes back as
    };

    int drawSymbol(PracticeSet set, ProgressBook& book, Random& random) const;
    Question ask(PracticeSet set, int symbol, Random& random) const;
    Question askAgain(const Question& missed, Random& random) const;
    const PracticeWord& pickWord(const std::vector<PracticeWord>& words, int avoid, Random& random) const;

    const WordBank& bank_;
    long count_ = 0;
    std::vector<Return> returns_;
    int lastSymbol_ = 0;
    int lastWord_ = -1;
};

}  // namespace pelomar
