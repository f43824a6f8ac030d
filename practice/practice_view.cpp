#include "practice/practice_view.h"

#include <algorithm>

#include "text/card_traps.h"
#include "text/texts.h"

namespace pelomar {
namespace {

constexpr int kMargin = 8;
constexpr int kSetTop = 8, kSetHeight = 26, kSetWidth = 56, kSetGap = 4;
constexpr int kCandidateTop = 86, kCandidateWidth = 96, kCandidateHeight = 88, kCandidateGap = 10;
constexpr int kMissedTop = 126;
constexpr int kGridLeft = 118, kGridPitch = 38;
constexpr int kChartFirstLeft = 157;

constexpr Colour kButtonFace{234, 238, 242};
constexpr Colour kButtonHover{214, 228, 240};
constexpr Colour kButtonEdge{150, 160, 170};
constexpr Colour kSelected{0, 110, 160};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kMuted{96, 104, 112};

// The chart's row tops and where those rows stand on the progress page:
// the same rows, closer together.
struct RowPlace {
    int chartTop;
    int pageTop;
};
constexpr RowPlace kRows[] = {{116, 40}, {150, 74}, {195, 110}, {229, 144},
                              {263, 178}, {327, 214}, {369, 253}, {412, 292}};

const SymbolChart& chart() {
    static const SymbolChart built = [] {
        SymbolChart c;
        c.buildChart();
        return c;
    }();
    return built;
}

std::wstring number(long long n) { return std::to_wstring(n); }

std::wstring wide(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class Scene {
public:
    explicit Scene(const PracticeSession& s) : s_(s) {}

    std::vector<DrawItem> build() {
        fill({0, 0, kPracticeClientWidth, kPracticeClientHeight}, kPracticeBackground);
        setButtons();
        if (s_.page() == PracticePage::Questions)
            questions();
        else
            progress();
        return std::move(items_);
    }

private:
    static DrawItem item(DrawItem::Kind kind, const Box& b, Colour c = {}) {
        DrawItem i;
        i.kind = kind;
        i.box = b;
        i.colour = c;
        return i;
    }
    void fill(const Box& b, Colour c) { items_.push_back(item(DrawItem::Kind::Fill, b, c)); }
    void frame(const Box& b, Colour c) { items_.push_back(item(DrawItem::Kind::Frame, b, c)); }
    void text(const Box& b, std::wstring t, Colour c = kPracticeInk, Align a = Align::Left,
              TextSize size = TextSize::Normal, bool wrap = false) {
        DrawItem i = item(DrawItem::Kind::Text, b, c);
        i.text = std::move(t);
        i.size = size;
        i.align = a;
        i.wrap = wrap;
        items_.push_back(std::move(i));
    }
    void cell(const Box& at, int symbol, bool shaded = false, Shade shade = Shade::Unseen) {
        DrawItem i = item(DrawItem::Kind::Cell, at);
        i.symbol = symbol;
        i.shaded = shaded;
        i.shade = shade;
        items_.push_back(i);
    }
    bool hovered(Target t, int index = 0) const { return s_.hovered() == Hit{t, index}; }
    void button(const Box& b, std::wstring_view label, Target t, int index = 0) {
        fill(b, hovered(t, index) ? kButtonHover : kButtonFace);
        frame(b, kButtonEdge);
        text(b, std::wstring(label), kPracticeInk, Align::Centre);
    }

    void setButtons() {
        for (int i = 0; i < kPracticeSetCount; ++i) {
            const PracticeSetInfo& info = practiceSets()[i];
            const Box b = setButtonBox(i);
            if (info.set == s_.set() && s_.page() == PracticePage::Questions) {
                fill(b, kSelected);
                frame(b, kSelected);
                text(b, std::wstring(info.wideName), kWhite, Align::Centre);
            } else {
                button(b, info.wideName, Target::SetButton, i);
            }
        }
    }

    void status(std::wstring line) { text({kMargin, 330, 324, 350}, std::move(line), kMuted); }

    void questions() {
        switch (s_.state()) {
        case QuestionState::Asking:
        case QuestionState::Right:
        case QuestionState::Wrong:
            question();
            break;
        case QuestionState::RoundOver:
            roundOver();
            break;
        case QuestionState::NoSound:
            text({kMargin, 90, kPracticeClientWidth - kMargin, 118}, std::wstring(text::wide::kPracticeNoDevice),
                 kWrongRed, Align::Centre, TextSize::Heading);
            text({kMargin, 124, kPracticeClientWidth - kMargin, 144}, std::wstring(text::wide::kPracticeNoDeviceHint),
                 kPracticeInk, Align::Centre);
            button(againBox(), text::wide::kPracticeRetry, Target::Again);
            break;
        }
        const bool answered = s_.state() == QuestionState::Right || s_.state() == QuestionState::Wrong;
        status(std::wstring(s_.inMemoryOnly() ? text::wide::kPracticeMemoryOnly
                            : answered        ? text::wide::kPracticeKeysHintAnswered
                                              : text::wide::kPracticeKeysHint));
        button(progressBox(), text::wide::kPracticeProgress, Target::Progress);
    }

    void question() {
        const Question& q = *s_.question();
        const QuestionState state = s_.state();
        const int shown = s_.roundAsked() + (state == QuestionState::Asking ? 1 : 0);
        text({kMargin, 42, 250, 60}, fillIn(text::wide::kPracticeCounter, {number(shown), number(kRoundLength)}));
        text({250, 42, kPracticeClientWidth - kMargin, 60},
             fillIn(text::wide::kPracticeScore, {number(s_.roundRight()), number(s_.roundAsked())}), kMuted);
        text({kMargin, 60, kPracticeClientWidth - kMargin, 78}, std::wstring(text::wide::kPracticePrompt), kMuted);
        const Candidates& c = q.candidates;
        for (int i = 0; i < c.count; ++i) {
            const Box b = candidateBox(i, c.count);
            Colour face = hovered(Target::Candidate, i) && state == QuestionState::Asking ? kButtonHover : kWhite;
            Colour label = kPracticeInk;
            if (state != QuestionState::Asking && (i == s_.chosen() || i == c.right)) {
                face = i == c.right ? kRightGreen : kWrongRed;
                label = kWhite;
            }
            fill(b, face);
            frame(b, kButtonEdge);
            text({b.left + 6, b.top + 4, b.left + 30, b.top + 24}, number(i + 1), label);
            const Box cellBox = chartCellBox(c.symbols[i]);
            cell({b.left + (b.width() - cellBox.width()) / 2, b.top + 32, 0, 0}, c.symbols[i]);
        }
        if (state == QuestionState::Asking) {
            button(replayBox(), text::wide::kPracticeReplay, Target::Replay);
            button(slowBox(), text::wide::kPracticeSlow, Target::Slow);
            return;
        }
        button(nextBox(), text::wide::kPracticeNext, Target::Next);
        const bool right = state == QuestionState::Right;
        if (!right) button(slowBox(), text::wide::kPracticeSlow, Target::Slow);
        text({kMargin, 218, kPracticeClientWidth - kMargin, 238},
             std::wstring(right ? text::wide::kPracticeRight : text::wide::kPracticeWrong),
             right ? kRightGreen : kWrongRed, Align::Left, TextSize::Heading);
        DrawItem word = item(DrawItem::Kind::MarkedWord, {kMargin, 240, kPracticeClientWidth - kMargin, 276}, kWrongRed);
        word.text = wide(q.word.text);
        word.size = TextSize::Word;
        word.align = Align::Centre;
        word.markAt = q.word.lettersAt;
        word.markLength = static_cast<int>(q.word.letters.size());
        items_.push_back(std::move(word));
        if (!right)
            text({kMargin, 280, kPracticeClientWidth - kMargin, 324}, std::wstring(text::kCardTraps[q.symbol() - 1]),
                 kPracticeInk, Align::Left, TextSize::Normal, true);
    }

    void roundOver() {
        text({kMargin, 60, kPracticeClientWidth - kMargin, 84},
             fillIn(text::wide::kPracticeRoundOver, {number(s_.roundAsked()), number(s_.roundRight())}), kPracticeInk,
             Align::Centre, TextSize::Heading);
        const std::vector<MissedSymbol> missed = s_.missedMost();
        if (missed.empty()) {
            text({kMargin, 100, kPracticeClientWidth - kMargin, 120}, std::wstring(text::wide::kPracticeNoMisses),
                 kRightGreen, Align::Centre);
        } else {
            text({kMargin, 100, kPracticeClientWidth - kMargin, 120}, std::wstring(text::wide::kPracticeMissedMost),
                 kPracticeInk, Align::Centre);
            const int count = static_cast<int>(missed.size());
            for (int i = 0; i < count; ++i) {
                Box b = candidateBox(i, count);
                b.top = kMissedTop;
                b.bottom = kMissedTop + kCandidateHeight;
                fill(b, kWhite);
                frame(b, kButtonEdge);
                const Box cellBox = chartCellBox(missed[i].symbol);
                cell({b.left + (b.width() - cellBox.width()) / 2, b.top + 12, 0, 0}, missed[i].symbol);
                text({b.left, b.bottom - 28, b.right, b.bottom - 6},
                     fillIn(text::wide::kPracticeMissCount, {number(missed[i].misses)}), kWrongRed, Align::Centre);
            }
        }
        button(againBox(), text::wide::kPracticeAgain, Target::Again);
    }

    void progress() {
        const Shade shades[] = {Shade::Unseen, Shade::Low, Shade::Middle, Shade::High};
        const std::wstring_view labels[] = {text::wide::kPracticeLegendUnseen, text::wide::kPracticeLegendLow,
                                            text::wide::kPracticeLegendMiddle, text::wide::kPracticeLegendHigh};
        for (int i = 0; i < 4; ++i) {
            const int y = 46 + i * 22;
            fill({kMargin, y, kMargin + 14, y + 14}, shadeColour(shades[i]));
            frame({kMargin, y, kMargin + 14, y + 14}, kButtonEdge);
            text({kMargin + 20, y - 2, kGridLeft - 2, y + 16}, std::wstring(labels[i]));
        }
        button(backBox(), text::wide::kPracticeBack, Target::Back);
        button(clearBox(), text::wide::kPracticeClear, Target::Clear);
        const ProgressBook& book = s_.book();
        for (int n = 1; n <= kSymbolCount; ++n) cell(progressCellBox(n), n, true, shadeOf(book.record(n)));
        const Hit& h = s_.hovered();
        if (h.target == Target::Cell) {
            const Box b = progressCellBox(h.index);
            frame(b, kPracticeInk);
            frame({b.left + 1, b.top + 1, b.right - 1, b.bottom - 1}, kPracticeInk);
            const SymbolRecord r = book.record(h.index);
            const auto& words = s_.bank().wordsFor(h.index);
            const std::wstring example = words.empty() ? std::wstring(L"-") : wide(words.front().text);
            status(r.asked == 0 ? fillIn(text::wide::kPracticeCellUnseen, {example})
                                : fillIn(text::wide::kPracticeCellCounts,
                                         {example, number(r.right), number(r.asked), number(r.right * 100ull / r.asked)}));
        } else {
            status(std::wstring(s_.inMemoryOnly() ? text::wide::kPracticeMemoryOnly : text::wide::kPracticeProgressHint));
        }
    }

    const PracticeSession& s_;
    std::vector<DrawItem> items_;
};

}  // namespace

bool operator==(const Box& a, const Box& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

Shade shadeOf(const SymbolRecord& r) {
    if (r.asked == 0) return Shade::Unseen;
    const unsigned long long right = r.right * 100ull;
    if (right < 60ull * r.asked) return Shade::Low;
    if (right < 90ull * r.asked) return Shade::Middle;
    return Shade::High;
}

Colour shadeColour(Shade shade) {
    switch (shade) {
    case Shade::Unseen:
        return {200, 200, 200};
    case Shade::Low:
        return {235, 110, 95};
    case Shade::Middle:
        return {245, 195, 70};
    case Shade::High:
        return {80, 185, 110};
    }
    return {200, 200, 200};
}

std::uint32_t shadedPixel(std::uint32_t pixel, Shade shade) {
    const Colour c = shadeColour(shade);
    // Five eighths of the pixel, three eighths of the shade.
    const auto mix = [](unsigned p, unsigned s) { return (p * 5 + s * 3) / 8; };
    const unsigned r = mix((pixel >> 16) & 0xFF, c.r);
    const unsigned g = mix((pixel >> 8) & 0xFF, c.g);
    const unsigned b = mix(pixel & 0xFF, c.b);
    return (r << 16) | (g << 8) | b;
}

Box setButtonBox(int i) {
    const int left = kMargin + i * (kSetWidth + kSetGap);
    return {left, kSetTop, left + kSetWidth, kSetTop + kSetHeight};
}

Box candidateBox(int index, int count) {
    const int total = count * kCandidateWidth + (count - 1) * kCandidateGap;
    const int left = (kPracticeClientWidth - total) / 2 + index * (kCandidateWidth + kCandidateGap);
    return {left, kCandidateTop, left + kCandidateWidth, kCandidateTop + kCandidateHeight};
}

Box replayBox() { return {kMargin, 184, 112, 210}; }
Box slowBox() { return {118, 184, 206, 210}; }
Box nextBox() { return {324, 184, kPracticeClientWidth - kMargin, 210}; }
Box againBox() { return {141, 240, 291, 270}; }
Box progressBox() { return {330, 326, kPracticeClientWidth - kMargin, 350}; }
Box backBox() { return {kMargin, 150, 108, 176}; }
Box clearBox() { return {kMargin, 296, 108, 322}; }

Box chartCellBox(int n) {
    const HitRegion r = chart().symbolRegion(n);
    return {r.left, r.top, r.left + r.width + 1, r.top + r.height + 1};
}

Box progressCellBox(int n) {
    const Box c = chartCellBox(n);
    int top = 0;
    for (const RowPlace& row : kRows)
        if (row.chartTop == c.top) top = row.pageTop;
    const int left = kGridLeft + (c.left - kChartFirstLeft) / kGridPitch * kGridPitch;
    return {left, top, left + c.width(), top + c.height()};
}

Hit hitTest(const PracticeSession& s, int x, int y) {
    for (int i = 0; i < kPracticeSetCount; ++i)
        if (setButtonBox(i).contains(x, y)) return {Target::SetButton, i};
    if (s.page() == PracticePage::Progress) {
        if (backBox().contains(x, y)) return {Target::Back};
        if (clearBox().contains(x, y)) return {Target::Clear};
        for (int n = 1; n <= kSymbolCount; ++n)
            if (progressCellBox(n).contains(x, y)) return {Target::Cell, n};
        return {};
    }
    if (progressBox().contains(x, y)) return {Target::Progress};
    switch (s.state()) {
    case QuestionState::Asking: {
        const int count = s.question()->candidates.count;
        for (int i = 0; i < count; ++i)
            if (candidateBox(i, count).contains(x, y)) return {Target::Candidate, i};
        if (replayBox().contains(x, y)) return {Target::Replay};
        if (slowBox().contains(x, y)) return {Target::Slow};
        break;
    }
    case QuestionState::Wrong:
        if (slowBox().contains(x, y)) return {Target::Slow};
        [[fallthrough]];
    case QuestionState::Right:
        if (nextBox().contains(x, y)) return {Target::Next};
        break;
    case QuestionState::RoundOver:
    case QuestionState::NoSound:
        if (againBox().contains(x, y)) return {Target::Again};
        break;
    }
    return {};
}

std::vector<DrawItem> practiceScene(const PracticeSession& session) { return Scene(session).build(); }

std::wstring fillIn(std::wstring_view pattern, std::initializer_list<std::wstring_view> values) {
    std::wstring out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'{' && i + 2 < pattern.size() && pattern[i + 2] == L'}' && pattern[i + 1] >= L'0' &&
            pattern[i + 1] <= L'9') {
            const std::size_t v = static_cast<std::size_t>(pattern[i + 1] - L'0');
            if (v < values.size()) {
                out += *(values.begin() + v);
                i += 2;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

Placement placeBeside(const Box& main, int width, int height, const Box& work) {
    const auto clampTo = [](int v, int low, int high) { return std::max(low, std::min(v, high)); };
    const int top = clampTo(main.top, work.top, work.bottom - height);
    const int left = clampTo(main.left, work.left, work.right - width);
    if (main.right + width <= work.right && height <= work.height()) return {main.right, top};
    if (main.left - width >= work.left && height <= work.height()) return {main.left - width, top};
    if (main.bottom + height <= work.bottom && width <= work.width()) return {left, main.bottom};
    if (main.top - height >= work.top && width <= work.width()) return {left, main.top - height};
    // Nowhere clear of the chart: at the left of the work area, over the
    // chart's left part, which holds the group captions rather than symbols.
    return {work.left, top};
}

}  // namespace pelomar
