// A clickable line of text in the about window: what it shows, what it
// opens, its colours, and how it reacts to the pointer. The shell opens the
// target; when the shell cannot, the browser registered for .htm files is
// started with the target appended to its command line.
#pragma once

#include <string>
#include <string_view>

#include "ui/highlight.h"

namespace pelomar {

enum class LinkKind { Web, Email };

struct LinkSpec {
    std::string_view text;  // GBK; when empty the target is shown
    LinkKind kind;
    std::string_view webAddress;
    std::string_view emailAddress;
};

inline constexpr Colour kLinkNormal{0, 0, 255};
inline constexpr Colour kLinkHover{255, 0, 0};
inline constexpr Colour kLinkVisited{255, 0, 255};
inline constexpr Colour kLinkBackground{255, 255, 255};

// Web links open their address; e-mail links "mailto:" and the address. An
// empty result opens nothing.
std::string linkTarget(const LinkSpec& link);
// What the field shows: its text, or the target when the text is empty.
std::string linkDisplayText(const LinkSpec& link);

// The fallback command line from the .htm handler's open command: cut from
// the first "%1" in double quotes (the opening quote included), else from the
// first %1, else keep it whole; then one blank and the target in double
// quotes. Empty, so that nothing is run, when there is no target or no
// program before the cut, when the target holds a double quote, and when the
// program path is not quoted but has a blank in it: the path of an unquoted
// command runs to its first ".exe", and with a blank in it Windows would try
// the part before the blank as a program of its own first.
std::wstring fallbackCommandLine(std::wstring_view openCommand, std::wstring_view target);

// What a pointer event asks of the field's window.
struct LinkEffect {
    bool capture = false;  // SetCapture
    bool release = false;  // ReleaseCapture
    bool redraw = false;
    bool open = false;  // open the target
};

// The pointer state of one field: over it (red, with the mouse captured so
// that leaving is noticed), visited once opened (magenta), else blue.
class LinkState {
public:
    // A move with the pointer inside or outside the field's client area.
    LinkEffect pointerMoved(bool inside);
    LinkEffect pressed(bool inside);
    // A release inside after a press inside is a click: open the target.
    LinkEffect released(bool inside);
    // The capture went elsewhere (another window took it): no longer over.
    LinkEffect captureLost();
    // The target was opened: the field turns visited.
    LinkEffect opened();

    // The state, for the tests.
    bool pointerOver() const { return over_; }
    bool visited() const { return visited_; }
    // Over takes precedence over visited, visited over normal.
    Colour textColour() const;

private:
    bool over_ = false;
    bool visited_ = false;
    bool pressed_ = false;
};

}  // namespace pelomar
