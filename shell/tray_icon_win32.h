// Win32 adapter for the tray icon. Supports: subclassing the main window
// (its procedure stays a Unicode one), adding the icon with the window's
// small icon and the tip, retrying a failed add on a timer of the window,
// handing icon mouse events to a handler, adding the icon again when the
// taskbar is re-created, and removing it when the window is destroyed.
// Balloons and icon changes are not supported.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <string_view>

#include "shell/tray_icon.h"

namespace pelomar {

// The record in its version-2 layout: everything up to the balloon flags.
// The pointer-sized fields make it larger in a 64-bit build.
inline constexpr std::size_t kTrayRecordSize = offsetof(NOTIFYICONDATAA, guidItem);
static_assert(kTrayRecordSize == (sizeof(void*) == 8 ? 504 : 488), "version-2 record size");

class TrayMouseHandler {
public:
    virtual ~TrayMouseHandler() = default;
    // The mouse message the shell reported for the icon.
    virtual void onTrayMouse(unsigned mouseMessage) = 0;
    // The icon could not be added however long it was retried.
    virtual void trayIconUnavailable() = 0;
};

class TrayIcon {
public:
    using NotifyFunction = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);

    // The shell call and the retry pace are replaceable so that tests can
    // watch and speed them.
    explicit TrayIcon(NotifyFunction notify = &Shell_NotifyIconA, unsigned retryMs = kTrayRetryMs)
        : notify_(notify), retryMs_(retryMs) {}
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // installTrayIcon: puts trayWindowProc in front of the window's
    // procedure, fills the record and adds the icon. The tip is plain ASCII
    // in this program, so the ANSI record reads the same in every code page.
    void install(HWND window, std::string_view tip, UINT taskbarCreatedMessage, TrayMouseHandler* handler);

    bool subclassed() const { return previousWindowProc_ != nullptr; }  // for the tests

private:
    static LRESULT CALLBACK trayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void unsubclass();
    // Adds the icon, or retries or gives up as the retry rule says.
    void addIcon();

    NotifyFunction notify_;
    unsigned retryMs_;
    TrayRetry retry_;
    NOTIFYICONDATAA record_{};
    HWND window_ = nullptr;
    WNDPROC previousWindowProc_ = nullptr;
    TrayMouseHandler* handler_ = nullptr;
    UINT taskbarCreatedMessage_ = 0;
};

}  // namespace pelomar
