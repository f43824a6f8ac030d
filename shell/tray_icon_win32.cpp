#include "shell/tray_icon_win32.h"

#include <cstring>
#include <string>

#include "shell/tray_icon.h"

namespace pelomar {
namespace {

// What the portable rules restate of the platform.
static_assert(kTrayFlags == (NIF_MESSAGE | NIF_ICON | NIF_TIP));
static_assert(kTrayTipField == sizeof NOTIFYICONDATAA{}.szTip);
static_assert(kMsgDestroy == WM_DESTROY && kMsgTimer == WM_TIMER && kMsgLeftDown == WM_LBUTTONDOWN &&
              kMsgRightUp == WM_RBUTTONUP);

// The window property that leads trayWindowProc to its TrayIcon.
const wchar_t kTrayProperty[] = L"Pelomar.TrayIcon";

}  // namespace

TrayIcon::~TrayIcon() {
    // The window normally goes first; if it outlives this object, leave it
    // with its own procedure and no icon.
    if (previousWindowProc_ && IsWindow(window_)) {
        KillTimer(window_, kTrayRetryTimer);
        unsubclass();
        notify_(NIM_DELETE, &record_);
    }
}

void TrayIcon::install(HWND window, std::string_view tip, UINT taskbarCreatedMessage, TrayMouseHandler* handler) {
    if (previousWindowProc_) return;  // one icon per window
    window_ = window;
    taskbarCreatedMessage_ = taskbarCreatedMessage;
    SetPropW(window, kTrayProperty, this);
    previousWindowProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrayIcon::trayWindowProc)));
    handler_ = handler;

    record_.cbSize = static_cast<DWORD>(kTrayRecordSize);
    record_.hWnd = window;
    record_.uID = kTrayIconId;
    record_.uFlags = kTrayFlags;
    record_.uCallbackMessage = kTrayCallbackMessage;
    record_.hIcon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
    const std::string fitted = fitTrayTip(tip);
    std::memcpy(record_.szTip, fitted.data(), fitted.size());
    record_.szTip[fitted.size()] = '\0';
    addIcon();
}

void TrayIcon::addIcon() {
    // A timed-out add may have worked all the same: then the icon answers a modify.
    const bool added = notify_(NIM_ADD, &record_) || (retry_.retrying() && notify_(NIM_MODIFY, &record_));
    switch (retry_.attempted(added)) {
    case TrayRetry::Next::Retry:
        SetTimer(window_, kTrayRetryTimer, retryMs_, nullptr);  // the same id replaces a running timer
        break;
    case TrayRetry::Next::Done:
        KillTimer(window_, kTrayRetryTimer);
        break;
    case TrayRetry::Next::GiveUp:
        KillTimer(window_, kTrayRetryTimer);
        if (handler_) handler_->trayIconUnavailable();
        break;
    }
}

void TrayIcon::unsubclass() {
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousWindowProc_));
    RemovePropW(window_, kTrayProperty);
}

LRESULT CALLBACK TrayIcon::trayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TrayIcon* self = static_cast<TrayIcon*>(GetPropW(window, kTrayProperty));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(window, message, wParam, lParam);
}

LRESULT TrayIcon::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = previousWindowProc_;
    switch (classifyTrayMessage(message, wParam, taskbarCreatedMessage_, handler_ != nullptr)) {
    case TrayMessage::Destroy: {
        KillTimer(window, kTrayRetryTimer);
        unsubclass();
        notify_(NIM_DELETE, &record_);
        previousWindowProc_ = nullptr;
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    case TrayMessage::Mouse:
        handler_->onTrayMouse(static_cast<unsigned>(lParam));
        return 0;
    case TrayMessage::TaskbarCreated:
        addIcon();
        break;
    case TrayMessage::RetryTimer:
        addIcon();
        return 0;
    case TrayMessage::PassOn:
        break;
    }
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

}  // namespace pelomar
