// Win32 adapter for help and about. Supports: the help message box, and the
// about window with its logo background, the portrait that drags the window,
// the caption fields and the link fields (hover, capture, visited, opening
// through the shell or the registered .htm browser). Closing by Esc or by a
// left press on the background. Keyboard use of the links is not supported.
#pragma once

#include <windows.h>

#include <array>

#include "ui/help_window.h"
#include "ui/link_field.h"
#include "ui/picture_win32.h"
#include "ui/window_proc_win32.h"

namespace pelomar {

// showHelpText: the help box, with no owner, system-modal.
void showHelpText();

// One link field's window and state.
class LinkWindow {
public:
    bool create(HWND parent, const HelpRow& row, HFONT font);
    HWND hwnd() const { return hwnd_; }
    const LinkState& state() const { return state_; }

    template <class Window>
    friend LRESULT CALLBACK routeMessages(HWND, UINT, WPARAM, LPARAM);

private:
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    bool inside(LPARAM lParam) const;
    void apply(const LinkEffect& effect);
    void onPaint();

    HWND hwnd_ = nullptr;
    LinkSpec spec_{};
    HFONT font_ = nullptr;
    LinkState state_;
};

// Starts the target with the shell, else with the .htm browser's command
// line; true when one of them reports success.
bool openLinkTarget(HWND parent, const LinkSpec& link);

class HelpWindow {
public:
    HelpWindow() = default;
    ~HelpWindow();
    HelpWindow(const HelpWindow&) = delete;
    HelpWindow& operator=(const HelpWindow&) = delete;

    // openHelpWindow: creates the window, visible and owned by owner; when
    // it is open already, brings it forward instead.
    void open(HINSTANCE instance, HWND owner);
    // closeHelpWindow
    void close();
    HWND hwnd() const { return hwnd_; }
    bool exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }

private:
    template <class Window>
    friend LRESULT CALLBACK routeMessages(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK portraitProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void createFields(HINSTANCE instance);
    // dragByPicture: lets the user move the window by the portrait.
    void dragByPicture();
    void releaseResources();

    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HBRUSH background_ = nullptr;
    Picture logo_;
    Picture portrait_;
    std::array<LinkWindow, kHelpRowCount> links_{};
};

}  // namespace pelomar
