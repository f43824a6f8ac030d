// Win32 adapter for the card window; where the card goes and whether a loss
// of focus hides it are decided in card_placement.
#include "ui/card_window_win32.h"

#include <windowsx.h>

#include "media/assets.h"
#include "ui/card_placement.h"
#include "ui/main_window_rules.h"

namespace pelomar {
namespace {

const wchar_t kCardClass[] = L"PelomarCardWindow";

}  // namespace

CardWindow::~CardWindow() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool CardWindow::create(HWND owner) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &routeMessages<CardWindow>;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_SIZEALL);  // it can be dragged
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kCardClass;
    RegisterClassExW(&wc);

    const int left = centredOrigin(GetSystemMetrics(SM_CXSCREEN), kCardWindowWidth);
    const int top = centredOrigin(GetSystemMetrics(SM_CYSCREEN), kCardWindowHeight);
    CreateWindowExW(WS_EX_CLIENTEDGE, kCardClass, L"", WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN, left, top,
                    kCardWindowWidth, kCardWindowHeight, owner, nullptr, instance, this);
    return hwnd_ != nullptr;
}

bool CardWindow::visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

const Picture& CardWindow::picture(int n) {
    Picture& p = pictures_[n - 1];
    if (p.empty()) p = decodePicture(cardFor(n));
    return p;
}

void showBesidePointer(HWND popup) {
    POINT pointer{};
    GetCursorPos(&pointer);
    RECT r{};
    GetWindowRect(popup, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const CardPosition at = placeCard(pointer.x, pointer.y, width, height, GetSystemMetrics(SM_CXSCREEN),
                                      GetSystemMetrics(SM_CYSCREEN));
    if (at.left != r.left || at.top != r.top) MoveWindow(popup, at.left, at.top, width, height, TRUE);
    InvalidateRect(popup, nullptr, FALSE);
    ShowWindow(popup, SW_SHOW);
    // SW_SHOW activates only a hidden window; a card kept up through a press
    // on the chart is made the active window again here.
    SetActiveWindow(popup);
    UpdateWindow(popup);
}

void CardWindow::showCard(int n) {
    if (!hwnd_ || n < 1 || n > kSymbolCount) return;
    picture(n);
    shown_ = n;
    showBesidePointer(hwnd_);
}

void CardWindow::hideCard() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void CardWindow::onPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (shown_) pictures_[shown_ - 1].draw(dc, 0, 0);
    EndPaint(hwnd_, &ps);
}

LRESULT CardWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    switch (msg) {
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_ERASEBKGND:
        if (shown_ && !pictures_[shown_ - 1].empty()) return 1;  // the picture covers the client area
        break;
    case WM_KILLFOCUS:
        if (hidesOnFocusLoss(keepCardOnce)) hideCard();
        return 0;
    case WM_CLOSE:
        hideCard();  // the one card window lives for the whole run
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            SendMessageW(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        // No caption to drag by: let the system move the window as if the caption had been pressed.
        SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    case WM_RBUTTONDOWN:
        hideCard();
        return 0;
    case WM_CONTEXTMENU:
        // After a hover the card has the focus: the keyboard's request for the
        // options is passed on to the main window.
        if (isKeyboardMenuRequest(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
            if (const HWND owner = GetWindow(hwnd, GW_OWNER))
                SendMessageW(owner, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(owner), lParam);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        hwnd_ = nullptr;
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace pelomar
