// Rules of the main window that need no window to check: the Esc rule, the
// fit of the frame around the chart and the centring on the screen.
#pragma once

namespace pelomar {

// Modifier bits of a key state.
inline constexpr int kKeyCtrl = 1;
inline constexpr int kKeyShift = 2;
inline constexpr int kKeyAlt = 4;

inline constexpr unsigned kMsgKeyDown = 0x0100;     // WM_KEYDOWN
inline constexpr unsigned kMsgSysKeyDown = 0x0104;  // WM_SYSKEYDOWN
inline constexpr unsigned kVirtualKeyEscape = 27;   // VK_ESCAPE

// A key-down of Esc with no Ctrl, Shift or Alt held, meant for the main
// window or one of its children, closes the window while Esc-closes is on.
bool escapeClosesMainWindow(bool escCloses, unsigned message, unsigned virtualKey, int keys,
                            bool forMainWindowOrChild);

// A context-menu request asks for the options menu only in its keyboard form
// (Shift+F10, the Menu key), which has no position: (-1, -1). One that comes
// with the pointer's position follows a right-button release, whose press
// has opened the menu already.
bool isKeyboardMenuRequest(int x, int y);

// The outer size that gives the wanted client size with the same frame,
// computed in floating point and truncated toward zero.
int fittedOuterSize(int outer, int client, int wanted);

// The left (or top) edge that centres a window of the given size on a screen
// of the given size (integer division).
int centredOrigin(int screen, int size);

}  // namespace pelomar
