#include "practice/practice_view.h"

#include <algorithm>

#include "media/words.h"
#include "practice/compare_picture.h"
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
// The comparison: the strips' left edge and right edge, the rows' tops, the
// axis under them, the buttons.
constexpr int kPictureLeft = 70, kPictureRight = kPracticeClientWidth - kMargin;
constexpr int kEnvelopeHeight = 30, kBandsGap = 2;
constexpr int kRowTop[2] = {78, 158};
constexpr int kAxisTop = 236;
constexpr int kCompareButtonTop = 259, kCompareButtonHeight = 25;
constexpr int kMeterWidth = 100;

constexpr Colour kButtonFace{234, 238, 242};
constexpr Colour kButtonHover{214, 228, 240};
constexpr Colour kButtonEdge{150, 160, 170};
constexpr Colour kSelected{0, 110, 160};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kMuted{96, 104, 112};
constexpr Colour kPaper{255, 255, 255};
constexpr Colour kModelPale{170, 195, 228};
constexpr Colour kLearnerPale{240, 203, 168};
constexpr Colour kMeterGreen{40, 170, 80};

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
        switch (s_.page()) {
        case PracticePage::Questions:
            questions();
            break;
        case PracticePage::Progress:
            progress();
            break;
        case PracticePage::Compare:
            comparison();
            break;
        }
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
    // A button that stands for a choice made: filled in its colour.
    void chosenButton(const Box& b, std::wstring_view label, Colour face) {
        fill(b, face);
        frame(b, face);
        text(b, std::wstring(label), kWhite, Align::Centre);
    }
    void pixels(const Box& b, std::vector<std::uint32_t> data) {
        DrawItem i = item(DrawItem::Kind::Pixels, b);
        i.pixels = std::move(data);
        items_.push_back(std::move(i));
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

    // The line under the page; it stops short of the 我的进度 button unless told otherwise.
    void status(std::wstring line, int right = 324) { text({kMargin, 330, right, 350}, std::move(line), kMuted); }

    // Where a take is shown: the preparing, the level meter, or why it gave
    // nothing (over two lines). False when there is none of these.
    bool takeStatus(int right) {
        const Box area{kMargin, 330, right, kPracticeClientHeight - 4};
        switch (s_.take()) {
        case TakeState::Preparing:
            text({area.left, 330, right, 350}, std::wstring(text::wide::kPracticePreparing), kPracticeInk);
            return true;
        case TakeState::Recording: {
            const Box meter{area.left, 335, area.left + kMeterWidth, 345};
            fill(meter, kPaper);
            const int lit = meterWidth(s_.takeLevel(), meter.width() - 2);
            if (lit > 0) fill({meter.left + 1, meter.top + 1, meter.left + 1 + lit, meter.bottom - 1}, kMeterGreen);
            frame(meter, kButtonEdge);
            text({meter.right + 8, 330, right, 350}, std::wstring(text::wide::kPracticeRecording), kPracticeInk);
            return true;
        }
        case TakeState::None:
            break;
        }
        std::wstring_view trouble;
        switch (s_.trouble()) {
        case TakeTrouble::NoMicrophone:
            trouble = text::wide::kPracticeNoMicrophone;
            break;
        case TakeTrouble::MicrophoneBusy:
            trouble = text::wide::kPracticeMicrophoneBusy;
            break;
        case TakeTrouble::NothingHeard:
            trouble = text::wide::kPracticeNothingHeard;
            break;
        case TakeTrouble::None:
            return false;
        }
        text(area, std::wstring(trouble), kWrongRed, Align::Left, TextSize::Normal, true);
        return true;
    }
    std::wstring_view sayItLabel() const {
        switch (s_.take()) {
        case TakeState::Preparing:
            return text::wide::kPracticePreparing;
        case TakeState::Recording:
            return text::wide::kPracticeSayStop;
        case TakeState::None:
            break;
        }
        return text::wide::kPracticeSayIt;
    }

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
        if (!takeStatus(324))
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
        button(sayItBox(PracticePage::Questions), sayItLabel(), Target::SayIt);
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
        const int chosen = s_.chosenSymbol();
        if (chosen > 0) {
            button(sayItBox(PracticePage::Progress), sayItLabel(), Target::SayIt);
            if (s_.attemptOf(chosen)) button(playBackBox(), text::wide::kPracticePlayBack, Target::PlayBack);
        }
        const ProgressBook& book = s_.book();
        for (int n = 1; n <= kSymbolCount; ++n) {
            const SymbolRecord r = book.record(n);
            const Box b = progressCellBox(n);
            cell(b, n, true, shadeOf(r));
            // Rated attempts at saying it: a corner mark, green when most were 像.
            if (r.rated > 0) fill({b.right - 8, b.top + 2, b.right - 2, b.top + 8}, r.alike * 2 >= r.rated ? kRightGreen : kNotYetOrange);
        }
        if (chosen > 0) {
            const Box b = progressCellBox(chosen);
            frame({b.left - 1, b.top - 1, b.right + 1, b.bottom + 1}, kSelected);
            frame({b.left - 2, b.top - 2, b.right + 2, b.bottom + 2}, kSelected);
        }
        const Hit& h = s_.hovered();
        const int shown = h.target == Target::Cell ? h.index : chosen;
        if (shown > 0 && book.record(shown).rated > 0) {
            const SymbolRecord r = book.record(shown);
            text({kMargin, 250, kGridLeft - 2, 268}, std::wstring(text::wide::kPracticeRatingsLabel), kMuted);
            text({kMargin, 268, kGridLeft - 2, 286},
                 fillIn(text::wide::kPracticeRatingCounts, {number(r.alike), number(r.rated - r.alike)}));
        }
        if (takeStatus(kPracticeClientWidth - kMargin)) return;
        if (h.target == Target::Cell) {
            const Box b = progressCellBox(h.index);
            frame(b, kPracticeInk);
            frame({b.left + 1, b.top + 1, b.right - 1, b.bottom - 1}, kPracticeInk);
            const SymbolRecord r = book.record(h.index);
            const auto& words = s_.bank().wordsFor(h.index);
            const std::wstring example = words.empty() ? std::wstring(L"-") : wide(words.front().text);
            status(r.asked == 0 ? fillIn(text::wide::kPracticeCellUnseen, {example})
                                : fillIn(text::wide::kPracticeCellCounts,
                                         {example, number(r.right), number(r.asked), number(r.right * 100ull / r.asked)}),
                   kPracticeClientWidth - kMargin);
        } else {
            status(std::wstring(s_.inMemoryOnly() ? text::wide::kPracticeMemoryOnly : text::wide::kPracticeProgressHint),
                   kPracticeClientWidth - kMargin);
        }
    }

    // The learner's attempt beside its model, the buttons that go with it,
    // and the line that says where recordings are kept.
    void comparison() {
        const Attempt* a = s_.compared();
        if (!a) return;
        const Box cellBox = chartCellBox(a->model.symbol);
        cell({kMargin, 40, 0, 0}, a->model.symbol);
        const Word word = a->model.word >= 0 ? wordAt(a->model.word) : Word{};
        text({kMargin + cellBox.width() + 10, 40, kPracticeClientWidth - kMargin, 40 + cellBox.height()},
             a->model.word >= 0 ? fillIn(text::wide::kPracticeSayWord, {wide(word.text)})
                                : std::wstring(text::wide::kPracticeSaySymbol),
             kPracticeInk, Align::Left, TextSize::Heading);
        const TimeAxis axis = sharedAxis(a->modelPicture, a->learner);
        const int width = kPictureRight - kPictureLeft;
        const SoundPicture* pictures[2] = {&a->modelPicture, &a->learner};
        const Colour inks[2] = {kModelInk, kLearnerInk};
        const Colour pales[2] = {kModelPale, kLearnerPale};
        const std::wstring_view labels[2] = {text::wide::kPracticeModel, text::wide::kPracticeYou};
        for (int row = 0; row < 2; ++row) {
            const Box env = envelopeBox(row), bands = bandsBox(row);
            text({kMargin, env.top, kPictureLeft - 4, env.top + 18}, std::wstring(labels[row]), inks[row]);
            text({kMargin, env.top + 18, kPictureLeft - 4, env.top + 36},
                 fillIn(text::wide::kPracticeSeconds, {secondsText(pictures[row]->durationMs())}), kPracticeInk);
            pixels(env, envelopePixels(*pictures[row], axis, width, env.height(), inks[row], pales[row], kPaper));
            pixels(bands, bandPixels(*pictures[row], axis, width, inks[row], kPaper));
            frame({env.left - 1, env.top - 1, bands.right + 1, bands.bottom + 1}, kButtonEdge);
        }
        // The axis: a tick every 100 ms from each onset, a label every
        // 200 ms, or 500 ms for a long axis.
        const int labelEvery = axis.frames > 100 ? 50 : 20;
        for (int f = 0; kLeadFrames + f <= axis.frames; f += 10) {
            const int x = kPictureLeft + columnOf(axis, kLeadFrames + f, width);
            if (x >= kPictureRight) break;
            const bool labelled = f % labelEvery == 0;
            fill({x, kAxisTop, x + 1, kAxisTop + (labelled ? 6 : 3)}, kMuted);
            if (labelled && x + 20 < kPictureRight)
                text({x - 20, kAxisTop + 5, x + 40, kAxisTop + 21},
                     f == 0 ? std::wstring(L"0") : fillIn(text::wide::kPracticeSeconds, {secondsText(f * kFrameMs)}),
                     kMuted);
        }
        const int rating = a->rating;
        if (rating == 1)
            chosenButton(compareButtonBox(CompareButton::Alike), text::wide::kPracticeAlike, kRightGreen);
        else
            button(compareButtonBox(CompareButton::Alike), text::wide::kPracticeAlike, Target::Rate, 1);
        if (rating == 0)
            chosenButton(compareButtonBox(CompareButton::NotYet), text::wide::kPracticeNotYet, kNotYetOrange);
        else
            button(compareButtonBox(CompareButton::NotYet), text::wide::kPracticeNotYet, Target::Rate, 0);
        button(compareButtonBox(CompareButton::Listen), text::wide::kPracticeListenAgain, Target::PlayBack);
        button(compareButtonBox(CompareButton::Again), s_.take() == TakeState::None ? text::wide::kPracticeRecordAgain : sayItLabel(),
               Target::SayIt);
        button(compareButtonBox(CompareButton::GoOn), text::wide::kPracticeGoOn, Target::Next);
        text({kMargin, 288, kPracticeClientWidth - kMargin, 327}, std::wstring(text::wide::kPracticeSayPrivacy), kMuted,
             Align::Left, TextSize::Normal, true);
        if (!takeStatus(324)) status(std::wstring(text::wide::kPracticeCompareHint));
        button(progressBox(), text::wide::kPracticeProgress, Target::Progress);
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

Box sayItBox(PracticePage page) {
    return page == PracticePage::Progress ? Box{kMargin, 184, 108, 210} : Box{212, 184, 318, 210};
}
Box playBackBox() { return {kMargin, 216, 108, 242}; }

Box compareButtonBox(CompareButton button) {
    // Five across: the two ratings, then the rest.
    constexpr int kWidths[] = {74, 92, 80, 80, 62};
    int left = kMargin;
    for (int i = 0; i < static_cast<int>(button); ++i) left += kWidths[i] + 7;
    return {left, kCompareButtonTop, left + kWidths[static_cast<int>(button)], kCompareButtonTop + kCompareButtonHeight};
}

Box envelopeBox(int row) { return {kPictureLeft, kRowTop[row], kPictureRight, kRowTop[row] + kEnvelopeHeight}; }
Box bandsBox(int row) {
    const int top = kRowTop[row] + kEnvelopeHeight + kBandsGap;
    return {kPictureLeft, top, kPictureRight, top + kBands};
}

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
        if (s.chosenSymbol() > 0 && sayItBox(PracticePage::Progress).contains(x, y)) return {Target::SayIt};
        if (s.attemptOf(s.chosenSymbol()) && playBackBox().contains(x, y)) return {Target::PlayBack};
        for (int n = 1; n <= kSymbolCount; ++n)
            if (progressCellBox(n).contains(x, y)) return {Target::Cell, n};
        return {};
    }
    if (progressBox().contains(x, y)) return {Target::Progress};
    if (s.page() == PracticePage::Compare) {
        const std::pair<CompareButton, Hit> buttons[] = {{CompareButton::Alike, {Target::Rate, 1}},
                                                         {CompareButton::NotYet, {Target::Rate, 0}},
                                                         {CompareButton::Listen, {Target::PlayBack}},
                                                         {CompareButton::Again, {Target::SayIt}},
                                                         {CompareButton::GoOn, {Target::Next}}};
        for (const auto& [button, hit] : buttons)
            if (compareButtonBox(button).contains(x, y)) return hit;
        return {};
    }
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
        if (sayItBox(PracticePage::Questions).contains(x, y)) return {Target::SayIt};
        break;
    case QuestionState::RoundOver:
    case QuestionState::NoSound:
        if (againBox().contains(x, y)) return {Target::Again};
        break;
    }
    return {};
}

std::vector<DrawItem> practiceScene(const PracticeSession& session) { return Scene(session).build(); }

std::wstring secondsText(int ms) {
    const int hundredths = (std::max(ms, 0) + 5) / 10;
    const int part = hundredths % 100;
    return std::to_wstring(hundredths / 100) + (part < 10 ? L".0" : L".") + std::to_wstring(part);
}

int meterWidth(float levelDb, int width) {
    const float share = std::clamp((levelDb + 60.0f) / 60.0f, 0.0f, 1.0f);
    return static_cast<int>(share * static_cast<float>(width));
}

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
