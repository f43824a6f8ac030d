// The tray icon's rules: which mouse messages act, how the subclassed main
// window procedure sorts its messages, and the record's fixed values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelomar {

// The message the shell sends for icon events; a fixed number, not one from
// the WM_APP range and not a registered one.
inline constexpr unsigned kTrayCallbackMessage = 123456;
inline constexpr unsigned kTrayIconId = 1;
inline constexpr unsigned kTrayFlags = 7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP
inline constexpr std::size_t kTrayTipField = 128;  // bytes, with the terminating zero

// Adding the icon fails while the shell is still starting, which is when a
// program started hidden at logon needs it most: the icon is its only way
// in. The remedy is to wait and try again: a failed add is retried every
// kTrayRetryMs until one succeeds or kTrayRetries retries have failed (a
// minute), and then the main window is shown instead.
inline constexpr unsigned kTrayRetryMs = 2000;
inline constexpr int kTrayRetries = 30;
inline constexpr unsigned kTrayRetryTimer = 0x7E1;  // the retry timer's id on the main window

class TrayRetry {
public:
    enum class Next {
        Done,    // the icon is there: no (more) retries
        Retry,   // try again at the next tick of the retry timer
        GiveUp,  // stop retrying and show the main window
    };
    explicit TrayRetry(int retries = kTrayRetries) : retries_(retries) {}
    // The outcome of an add: the first one, a retry, or a re-add after the
    // taskbar came back.
    Next attempted(bool added);
    bool retrying() const { return retrying_; }

private:
    const int retries_;
    int failedRetries_ = 0;
    bool retrying_ = false;
};

// Window messages the rules talk about.
inline constexpr unsigned kMsgDestroy = 0x0002;      // WM_DESTROY
inline constexpr unsigned kMsgTimer = 0x0113;        // WM_TIMER
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
    RetryTimer,      // try to add the icon again; not passed on
    PassOn,
};

// How the subclassed main window procedure treats a message (with its
// wParam), tested in this order: destroy, the icon callback (only while a
// handler is stored), the shell's TaskbarCreated broadcast, the retry timer.
// A taskbarCreatedMessage of 0 means the registration failed and matches
// nothing.
TrayMessage classifyTrayMessage(unsigned message, std::uintptr_t wParam, unsigned taskbarCreatedMessage,
                                bool handlerStored);

// The tip as it goes into the record's 128-byte field: whole when it fits,
// otherwise cut to 127 bytes without splitting a double-byte character. The
// field's terminating zero is not part of the result.
std::string fitTrayTip(std::string_view tip);

}  // namespace pelomar
