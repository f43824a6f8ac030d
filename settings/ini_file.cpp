#include "settings/ini_file.h"

#include <vector>

#include "text/gbk.h"

namespace pelomar::ini {
namespace {

bool isLineBreak(unsigned char c) { return c == '\r' || c == '\n'; }

// Blanks the profile functions ignore around names and values; Ctrl+Z is
// one of them (an old end-of-file mark).
bool isBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A; }

unsigned char foldAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; }

// A span of characters: byte offsets into the text.
struct Span {
    size_t begin = 0;
    size_t end = 0;
};

// One line: its content (without the line break) and the run of line
// breaks that follows it, blank lines included.
struct Line {
    Span content;
    size_t breakEnd = 0;
    enum class Kind { Blank, Section, Entry } kind = Kind::Blank;
    Span name;       // section or entry name, blanks trimmed
    bool hasValue = false;
    Span value;      // blanks trimmed, quotes kept
    bool quoted = false;  // value starts and ends with the same quote character
};

class Text {
public:
    explicit Text(std::string_view text) : text_(text) { split(); }

    const std::vector<Line>& lines() const { return lines_; }
    std::string_view bytes(Span s) const { return text_.substr(s.begin, s.end - s.begin); }

private:
    size_t charEnd(size_t i) const { return isPlatformLeadByte(at(i)) && i + 1 < text_.size() ? i + 2 : i + 1; }
    unsigned char at(size_t i) const { return static_cast<unsigned char>(text_[i]); }

    void split() {
        size_t i = 0;
        while (i < text_.size()) {
            Line line;
            line.content.begin = i;
            while (i < text_.size() && !isLineBreak(at(i))) i = charEnd(i);
            line.content.end = i;
            while (i < text_.size() && isLineBreak(at(i))) ++i;
            line.breakEnd = i;
            classify(line);
            lines_.push_back(line);
        }
    }

    // The span without the blanks at either end; a double-byte character
    // is never cut, even where its second byte looks like a blank.
    Span trim(size_t begin, size_t end) const {
        while (begin < end && isBlank(at(begin))) ++begin;
        size_t last = begin;
        for (size_t i = begin; i < end; i = charEnd(i))
            if (!isBlank(at(i))) last = charEnd(i);
        return {begin, last};
    }

    void classify(Line& line) const {
        const Span s = trim(line.content.begin, line.content.end);
        if (s.begin == s.end) return;
        if (at(s.begin) == '[') {
            size_t close = s.end;
            for (size_t i = s.begin + 1; i < s.end; i = charEnd(i))
                if (at(i) == ']') close = i;
            if (close != s.end) {
                line.kind = Line::Kind::Section;
                line.name = trim(s.begin + 1, close);
                return;
            }
        }
        line.kind = Line::Kind::Entry;
        size_t equals = s.end;
        for (size_t i = s.begin; i < s.end; i = charEnd(i))
            if (at(i) == '=') {
                equals = i;
                break;
            }
        if (equals == s.end) {
            line.name = s;
            return;
        }
        line.name = trim(s.begin, equals);
        line.hasValue = true;
        line.value = trim(equals + 1, s.end);
        if (line.value.end - line.value.begin >= 2) {
            const unsigned char first = at(line.value.begin);
            size_t lastChar = line.value.begin;
            for (size_t i = line.value.begin; i < line.value.end; i = charEnd(i)) lastChar = i;
            line.quoted = (first == '"' || first == '\'') && charEnd(lastChar) - lastChar == 1 && at(lastChar) == first;
        }
    }

    std::string_view text_;
    std::vector<Line> lines_;
};

// ASCII letters match in either case; a double-byte character only as itself.
bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (isPlatformLeadByte(x) && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (foldAscii(x) != foldAscii(y)) {
            return false;
        }
    }
    return true;
}

constexpr size_t kNone = static_cast<size_t>(-1);

// The index of the first section line of that name, or kNone.
size_t findSection(const Text& t, std::string_view section) {
    const auto& lines = t.lines();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == Line::Kind::Section && sameName(t.bytes(lines[i].name), section)) return i;
    return kNone;
}

// The index of the first entry of that name in the section starting at
// line sectionLine, or kNone; lastEntry gets the section's last non-blank line.
size_t findEntry(const Text& t, size_t sectionLine, std::string_view key, size_t* lastEntry) {
    const auto& lines = t.lines();
    size_t last = sectionLine;
    for (size_t i = sectionLine + 1; i < lines.size() && lines[i].kind != Line::Kind::Section; ++i) {
        if (lines[i].kind != Line::Kind::Entry) continue;
        if (sameName(t.bytes(lines[i].name), key)) return i;
        last = i;
    }
    if (lastEntry) *lastEntry = last;
    return kNone;
}

constexpr std::string_view kNewLine = "\r\n";

}  // namespace

std::optional<std::string> readValue(std::string_view text, std::string_view section, std::string_view key) {
    const Text t(text);
    const size_t s = findSection(t, section);
    if (s == kNone) return std::nullopt;
    const size_t e = findEntry(t, s, key, nullptr);
    if (e == kNone) return std::nullopt;
    const Line& line = t.lines()[e];
    if (!line.hasValue) return std::nullopt;
    std::string_view value = t.bytes(line.value);
    if (line.quoted) value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string writeValue(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value) {
    // Blanks ahead of the value are not written (trailing ones are).
    while (!value.empty() && isBlank(static_cast<unsigned char>(value.front()))) value.remove_prefix(1);
    const Text t(text);
    const auto& lines = t.lines();
    std::string entry = std::string(key) + "=" + std::string(value);
    std::string out;

    const size_t s = findSection(t, section);
    if (s == kNone) {
        out.assign(text);
        if (!lines.empty() && lines.back().content.end == lines.back().breakEnd) out += kNewLine;
        out += "[" + std::string(section) + "]" + std::string(kNewLine) + entry + std::string(kNewLine);
        return out;
    }

    size_t last = s;
    const size_t e = findEntry(t, s, key, &last);
    if (e != kNone) {
        const Line& line = lines[e];
        if (line.hasValue && t.bytes(line.value) == value) return std::string(text);
        // The name stays as the file spells it.
        entry = std::string(t.bytes(line.name)) + "=" + std::string(value);
        out.assign(text.substr(0, line.content.begin));
        out += entry;
        out += text.substr(line.content.end);
        return out;
    }

    // A new entry goes right after the section's last line and its first
    // line break, ahead of any blank lines that part it from what follows.
    const Line& after = lines[last];
    size_t at = after.content.end;
    std::string insert;
    if (at == after.breakEnd) {
        insert = std::string(kNewLine) + entry + std::string(kNewLine);
    } else {
        at += text.substr(at, 2) == kNewLine ? 2 : 1;
        insert = entry + std::string(kNewLine);
    }
    out.assign(text.substr(0, at));
    out += insert;
    out += text.substr(at);
    return out;
}

bool hasSection(std::string_view text, std::string_view section) { return findSection(Text(text), section) != kNone; }

bool isUtf16Text(std::string_view text) {
    return text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'));
}

bool endsInLeadByte(std::string_view text) {
    size_t i = 0;
    while (i + 1 < text.size()) i += isPlatformLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i + 1 == text.size() && isPlatformLeadByte(static_cast<unsigned char>(text[i]));
}

}  // namespace pelomar::ini
