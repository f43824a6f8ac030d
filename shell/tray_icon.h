// The tray icon's rules: which mouse messages act, how the subclassed main
// window procedure sorts its messages, and the record's fixed values.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pelomar {

// The message the shell sends for icon events; a fixed number, not one from
// the WM_APP range and not a registered one.
inline constexpr unsigned kTrayCallbackMessage = 123456;
inline constexpr unsigned kTrayIconId = 1;
inline constexpr unsigned kTrayFlags = 7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP
inline constexpr std::string_view kTrayTip = "Pelomar(Vok)";
inline constexpr std::size_t kTrayTipField = 128;  // bytes, with the terminating zero

// Window messages the rules talk about.
inline constexpr unsigned kMsgDestroy = 0x0002;      // WM_DESTROY
inline constexpr unsigned kMsgLeftDown = 0x0201;     // WM_LBUTTONDOWN
inline constexpr unsigned kMsgRightUp = 0x0205;      // WM_RBUTTONUP

enum class TrayAction {
    None,
    ToggleWindow,  // the main window's visibility becomes its negation
    ShowMenu,
};

// What a mouse message reported for the icon does: a left press toggles the
// window, a right release opens the menu; moves, right presses, double clicks
// and left releases do nothing, so a double click toggles once.
TrayAction onTrayMouse(unsigned mouseMessage);

// What a left press on the icon does to the main window: one that is shown
// and not minimised is hidden; a hidden or minimised one (which the user
// cannot see either) is restored and brought forward.
enum class WindowToggle { Hide, Restore };
WindowToggle toggleWindow(bool visible, bool minimised);

enum class TrayMessage {
    Destroy,         // put the old procedure back, remove the icon, pass it on
    Mouse,           // hand lParam to the handler, do not pass it on
    TaskbarCreated,  // add the icon again, then pass it on
    PassOn,
};

// How the subclassed main window procedure treats a message, tested in this
// order: destroy, the icon callback (only while a handler is stored), the
// shell's TaskbarCreated broadcast. A taskbarCreatedMessage of 0 means the
// registration failed and matches nothing.
TrayMessage classifyTrayMessage(unsigned message, unsigned taskbarCreatedMessage, bool handlerStored);

// The tip as it goes into the record's 128-byte field: whole when it fits,
// otherwise cut to 127 bytes without splitting a double-byte character. The
// field's terminating zero is not part of the result.
std::string fitTrayTip(std::string_view tip);

}  // namespace pelomar
