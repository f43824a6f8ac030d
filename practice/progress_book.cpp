#include "practice/progress_book.h"

#include <algorithm>
#include <charconv>

#include "settings/ini_file.h"
#include "text/texts.h"

namespace pelomar {
namespace {

constexpr std::uint32_t kMaxCount = 999999999;  // nine digits

std::string keyOf(int n) { return std::to_string(n); }

// A run of 1..9 digits at the front of s, taken off it.
std::optional<std::uint32_t> takeNumber(std::string_view& s) {
    std::size_t digits = 0;
    while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') ++digits;
    if (digits == 0 || digits > 9) return std::nullopt;
    std::uint32_t n = 0;
    std::from_chars(s.data(), s.data() + digits, n);
    s.remove_prefix(digits);
    return n;
}

std::uint32_t addCount(std::uint32_t a, std::uint32_t b) { return std::min<std::uint64_t>(std::uint64_t{a} + b, kMaxCount); }

std::uint32_t addChange(std::uint32_t a, std::int64_t change) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(std::int64_t{a} + change, 0, kMaxCount));
}

// The ratings' field at the front of s (after its blank), taken off it.
bool takeRatings(std::string_view& s, SymbolRecord& r) {
    if (s.empty() || s.front() != ' ') return false;
    std::string_view t = s.substr(1);
    const auto alike = takeNumber(t);
    if (!alike || t.empty() || t.front() != '/') return false;
    t.remove_prefix(1);
    const auto rated = takeNumber(t);
    if (!rated || (!t.empty() && t.front() != ' ')) return false;
    r.rated = *rated;
    r.alike = std::min(*alike, *rated);
    s = t;
    return true;
}

}  // namespace

int boxAfter(int box, bool right) { return right ? std::clamp(box + 1, 1, kTopBox) : 1; }

int drawWeight(int box) { return box >= 1 && box <= kTopBox ? 16 >> (box - 1) : 0; }

std::optional<StoredRecord> parseRecord(std::string_view value) {
    StoredRecord stored;
    SymbolRecord& r = stored.record;
    std::string_view s = value;
    const auto right = takeNumber(s);
    if (!right || s.empty() || s.front() != '/') return std::nullopt;
    s.remove_prefix(1);
    const auto asked = takeNumber(s);
    if (!asked || (!s.empty() && s.front() != ' ')) return std::nullopt;
    r.asked = *asked;
    r.right = std::min(*right, *asked);
    // The box, when the next field is a number.
    long box = -1;
    stored.rest = s;
    if (!s.empty()) {
        std::string_view t = s.substr(1);
        const auto number = takeNumber(t);
        if (number && (t.empty() || t.front() == ' ')) {
            box = static_cast<long>(*number);
            stored.rest = t;
            takeRatings(stored.rest, r);
        }
    }
    const bool possible = box >= 0 && box <= kTopBox && (box == 0) == (r.asked == 0);
    r.box = possible ? static_cast<int>(box) : (r.asked > 0 ? 1 : 0);
    return stored;
}

std::string formatRecord(const SymbolRecord& record, std::string_view rest) {
    std::string value = std::to_string(record.right) + "/" + std::to_string(record.asked) + " " +
                        std::to_string(record.box);
    // Unrated, the field is left out, unless the next field would then be
    // taken for it.
    SymbolRecord next;
    std::string_view following = rest;
    if (record.rated > 0 || takeRatings(following, next))
        value += " " + std::to_string(record.alike) + "/" + std::to_string(record.rated);
    return value + std::string(rest);
}

ProgressTextKind classifyProgressText(const SettingsText& text) {
    switch (text.state) {
    case SettingsText::State::Missing:
        return ProgressTextKind::Missing;
    case SettingsText::State::Unreadable:
        return ProgressTextKind::Bad;
    case SettingsText::State::Present:
        break;
    }
    const std::string_view bytes = text.bytes;
    if (ini::isUtf16Text(bytes)) return ProgressTextKind::Bad;
    bool blank = true;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return ProgressTextKind::Bad;
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') blank = false;
    }
    if (blank) return ProgressTextKind::Usable;
    return ini::hasSection(bytes, text::kProgressSection) ? ProgressTextKind::Usable : ProgressTextKind::Bad;
}

SymbolRecord ProgressBook::record(int n) const {
    if (n < 1 || n > kSymbolCount) return {};
    SymbolRecord r = stored_[n - 1];
    r.right = addCount(r.right, pending_[n - 1].right);
    r.asked = addCount(r.asked, pending_[n - 1].asked);
    r.box = box_[n - 1];
    r.rated = addChange(r.rated, pending_[n - 1].rated);
    r.alike = std::min(addChange(r.alike, pending_[n - 1].alike), r.rated);
    return r;
}

void ProgressBook::enter(int n) {
    if (n < 1 || n > kSymbolCount || box_[n - 1] != 0) return;
    box_[n - 1] = 1;
    boxChanged_[n - 1] = true;
}

void ProgressBook::recordAnswer(int n, bool right) {
    if (n < 1 || n > kSymbolCount) return;
    Pending& p = pending_[n - 1];
    p.asked = addCount(p.asked, 1);
    if (right) p.right = addCount(p.right, 1);
    box_[n - 1] = boxAfter(box_[n - 1], right);
    boxChanged_[n - 1] = true;
}

void ProgressBook::recordRating(int n, bool alike) {
    if (n < 1 || n > kSymbolCount) return;
    Pending& p = pending_[n - 1];
    ++p.rated;
    if (alike) ++p.alike;
}

void ProgressBook::changeRating(int n, bool alike) {
    if (n < 1 || n > kSymbolCount) return;
    pending_[n - 1].alike += alike ? 1 : -1;
}

void ProgressBook::setLastSet(PracticeSet set) {
    if (set != lastSet_) setChanged_ = true;
    lastSet_ = set;
}

bool ProgressBook::hasUnsaved() const {
    return clearing_ || setChanged_ || std::any_of(pending_.begin(), pending_.end(), [](const Pending& p) { return p.any(); });
}

void ProgressBook::readFrom(std::string_view text) {
    for (int n = 1; n <= kSymbolCount; ++n) {
        const auto value = ini::readValue(text, text::kProgressSection, keyOf(n));
        const auto stored = value ? parseRecord(*value) : std::nullopt;
        stored_[n - 1] = stored ? stored->record : SymbolRecord{};
        if (!boxChanged_[n - 1]) box_[n - 1] = stored_[n - 1].box;
    }
    const auto set = ini::readValue(text, text::kProgressSection, text::kProgressLastSet);
    if (const auto known = set ? practiceSetNamed(*set) : std::nullopt) lastSet_ = *known;
}

std::string ProgressBook::mergedInto(std::string_view text) const {
    std::string merged(text);
    for (int n = 1; n <= kSymbolCount; ++n) {
        const Pending& p = pending_[n - 1];
        if (!clearing_ && !p.any()) continue;
        const auto value = ini::readValue(merged, text::kProgressSection, keyOf(n));
        if (clearing_ && !value && !p.any()) continue;
        const auto stored = value ? parseRecord(*value) : std::nullopt;
        SymbolRecord r = stored && !clearing_ ? stored->record : SymbolRecord{};
        r.right = addCount(r.right, p.right);
        r.asked = addCount(r.asked, p.asked);
        // Rated alone, a symbol keeps the box the file gives it.
        if (p.answered()) r.box = std::max(box_[n - 1], 1);
        r.rated = addChange(r.rated, p.rated);
        r.alike = std::min(addChange(r.alike, p.alike), r.rated);
        merged = ini::writeValue(merged, text::kProgressSection, keyOf(n),
                                 formatRecord(r, stored ? stored->rest : std::string_view{}));
    }
    return ini::writeValue(merged, text::kProgressSection, text::kProgressLastSet, practiceSetInfo(lastSet_).name);
}

void ProgressBook::saved(std::string_view text) {
    pending_ = {};
    clearing_ = false;
    setChanged_ = false;
    readFrom(text);
}

void ProgressBook::clear() {
    stored_ = {};
    pending_ = {};
    box_ = {};
    boxChanged_ = {};
    clearing_ = true;
}

}  // namespace pelomar
