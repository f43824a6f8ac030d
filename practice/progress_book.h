// What the learner has heard, per symbol: how often it was asked, how often
// it was heard right, and its Leitner box; and how the learner rated their
// own attempts at saying it, 像 (alike) or 还不像 (not yet). Kept in the
// progress file, an INI text in GBK:
//
//   [练习]
//   7=7/9 3 2/5
//   上次练习=易混音
//
// A symbol's value begins with "right/asked", then the box (0 unseen,
// 1..5), then, once the symbol has been rated, "alike/rated"; anything after
// that, and every other key and section, is kept as it is, so older and
// newer copies of the program can share the file (an older copy keeps the
// ratings as a field it does not know).
//
// Two copies may practise at once: each keeps the answers and ratings it
// has not yet saved apart, and every save reads the file again and adds them
// to what is there, so the answers of both count.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "chart/symbol_chart.h"
#include "practice/practice_sets.h"
#include "settings/settings_store.h"

namespace pelomar {

inline constexpr std::wstring_view kProgressFileName = L"Pelomar-practice.ini";
inline constexpr std::wstring_view kProgressSetAsideSuffix = L".bad";

// Leitner boxes: a miss puts a symbol in box 1, a right answer one box up.
inline constexpr int kTopBox = 5;
int boxAfter(int box, bool right);
// How often a symbol in this box is drawn against one in box 1: 1/2^(box-1),
// as a whole number out of 16; 0 for an unseen symbol (box 0).
int drawWeight(int box);

struct SymbolRecord {
    std::uint32_t right = 0;
    std::uint32_t asked = 0;
    int box = 0;
    std::uint32_t alike = 0;  // attempts at saying it rated 像
    std::uint32_t rated = 0;  // attempts rated at all
};

// One symbol's value as the file holds it.
struct StoredRecord {
    SymbolRecord record;
    std::string_view rest;  // what follows the box and the ratings, its leading blank kept
};
// Nothing for a value that does not begin with "right/asked". Counts over
// 9 digits are not counts; right is at most asked and alike at most rated;
// a missing or impossible box is 1 for a symbol that was asked and 0 for one
// that was not. The ratings are the field after a box when it reads
// "alike/rated"; without it, none.
std::optional<StoredRecord> parseRecord(std::string_view value);
std::string formatRecord(const SymbolRecord& record, std::string_view rest);

enum class ProgressTextKind {
    Missing,  // no file yet
    Usable,   // text with the section, or nothing but blanks
    Bad,      // unreadable, binary, UTF-16 or without the section: to be set aside
};
ProgressTextKind classifyProgressText(const SettingsText& text);

class ProgressBook {
public:
    // What is known of symbol n (1..48): the file as last read or saved,
    // plus the answers not yet saved.
    SymbolRecord record(int n) const;
    int box(int n) const { return record(n).box; }
    // An unseen symbol joins the practice in box 1.
    void enter(int n);
    void recordAnswer(int n, bool right);
    // An attempt at saying symbol n rated 像 (alike) or 还不像; changed
    // takes back the attempt's earlier, other rating first.
    void recordRating(int n, bool alike);
    void changeRating(int n, bool alike);
    bool hasUnsaved() const;

    PracticeSet lastSet() const { return lastSet_; }
    void setLastSet(PracticeSet set);

    // Takes everything from the file's text; answers not yet saved are kept.
    void readFrom(std::string_view text);
    // The file's text with the answers not yet saved added to it (the boxes
    // and the last set are this book's).
    std::string mergedInto(std::string_view text) const;
    // After mergedInto's text was saved: the answers it added are no longer
    // pending, and the counts are the text's.
    void saved(std::string_view text);

    // Every count to zero and every symbol unseen, here and, at the next
    // save, in the file.
    void clear();

private:
    struct Pending {
        std::uint32_t right = 0;
        std::uint32_t asked = 0;
        std::int64_t alike = 0;  // a changed rating takes one back
        std::int64_t rated = 0;
        bool answered() const { return asked > 0; }
        bool any() const { return asked > 0 || alike != 0 || rated != 0; }
    };
    std::array<SymbolRecord, kSymbolCount> stored_{};
    std::array<Pending, kSymbolCount> pending_{};
    std::array<int, kSymbolCount> box_{};
    std::array<bool, kSymbolCount> boxChanged_{};  // this book's box counts, not the file's
    bool clearing_ = false;  // the next save zeroes the file's records first
    bool setChanged_ = false;
    PracticeSet lastSet_ = kFirstPracticeSet;
};

}  // namespace pelomar
