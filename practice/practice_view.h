// What the practice window shows and where: its fixed layout, which part of
// it lies under a point, the list of things to draw for the session's state,
// and where the window goes beside the main window. The window itself only
// draws the list and reports what was clicked.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "practice/practice_session.h"
#include "ui/highlight.h"

namespace pelomar {

// The client area; the frame around it makes the window about 440 x 400.
inline constexpr int kPracticeClientWidth = 432;
inline constexpr int kPracticeClientHeight = 376;

inline constexpr Colour kRightGreen{0, 150, 70};
inline constexpr Colour kWrongRed{200, 40, 40};
inline constexpr Colour kPracticeBackground{250, 250, 247};
inline constexpr Colour kPracticeInk{33, 37, 41};
// The model and the learner in a comparison, and the rating 还不像.
inline constexpr Colour kModelInk{25, 95, 175};
inline constexpr Colour kLearnerInk{205, 100, 15};
inline constexpr Colour kNotYetOrange{225, 130, 25};

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive, as the right and bottom edges of a Windows rectangle
    int bottom = 0;
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};
bool operator==(const Box& a, const Box& b);

// How well a symbol is heard: unseen, under 60 %, under 90 %, 90 % and more.
enum class Shade { Unseen, Low, Middle, High };
Shade shadeOf(const SymbolRecord& record);
Colour shadeColour(Shade shade);
// A pixel (0x00RRGGBB) of a cell under its shade: the shade's colour laid
// over it at a fixed strength, so that the glyph stays readable.
std::uint32_t shadedPixel(std::uint32_t pixel, Shade shade);

// The layout.
Box setButtonBox(int index);
Box candidateBox(int index, int count);
Box replayBox();
Box slowBox();
Box nextBox();
Box againBox();
Box progressBox();
Box backBox();
Box clearBox();
// 跟读 after an answer, or on the progress page; 对比 there too.
Box sayItBox(PracticePage page);
Box playBackBox();
// The comparison's buttons: 像, 还不像, 再听, 重录, 继续.
enum class CompareButton { Alike, NotYet, Listen, Again, GoOn };
Box compareButtonBox(CompareButton button);
// The comparison's strips: the model's (row 0) and the learner's (row 1).
Box envelopeBox(int row);
Box bandsBox(int row);
// Symbol n's cell on the progress page: the chart's rows and columns, the
// chart's cell size.
Box progressCellBox(int n);
// A cell cut from the chart: the symbol's hit region, both edges included.
Box chartCellBox(int n);

// What lies under (x, y) and answers a click now.
Hit hitTest(const PracticeSession& session, int x, int y);

enum class TextSize { Normal, Heading, Word };
enum class Align { Left, Centre };

struct DrawItem {
    enum class Kind {
        Fill,        // box in colour
        Frame,       // a one-pixel outline of box in colour
        Text,        // text in box, in colour
        Cell,        // symbol's chart cell, unscaled, top-left at the box's corner, under shade when shaded
        MarkedWord,  // text centred in box, the letters from markAt for markLength in colour and underlined
        Pixels,      // pixels (0x00RRGGBB, top row first) filling box
    };
    Kind kind = Kind::Fill;
    Box box;
    Colour colour{};
    std::wstring text;
    TextSize size = TextSize::Normal;
    Align align = Align::Left;
    bool wrap = false;
    int symbol = 0;
    bool shaded = false;
    Shade shade = Shade::Unseen;
    int markAt = 0;
    int markLength = 0;
    std::vector<std::uint32_t> pixels;
};

std::vector<DrawItem> practiceScene(const PracticeSession& session);

// A duration in seconds with two decimals: 420 -> "0.42".
std::wstring secondsText(int ms);
// The level meter's share of its width for a level in dB: -60 dB and
// below empty, 0 dB full.
int meterWidth(float levelDb, int width);

// The pattern with {0}, {1}, ... replaced by the values.
std::wstring fillIn(std::wstring_view pattern, std::initializer_list<std::wstring_view> values);

// Where the window goes, its outer size given: beside the main window's
// rectangle, right of it, else left, else below, else above, wherever it
// fits in the work area without covering the chart; where none fits, at the
// left edge of the work area, over the chart's captions.
struct Placement {
    int left;
    int top;
};
Placement placeBeside(const Box& mainWindow, int width, int height, const Box& workArea);

}  // namespace pelomar
