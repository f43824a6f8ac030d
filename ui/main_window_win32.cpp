// Win32 adapter for the main window and chart panel. Supports: creation,
// the fit of the frame to the chart, retained drawing with a direct update
// of the screen (the press animation draws without handling messages),
// pointer and menu events handed to the MainWindowHandler.
#include "ui/main_window_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "media/assets.h"
#include "ui/colour_win32.h"
#include "ui/main_window_rules.h"
#include "text/gbk_win32.h"
#include "text/texts.h"

namespace pelomar {
namespace {

// What the portable rules restate of the platform.
static_assert(kMsgKeyDown == WM_KEYDOWN && kMsgSysKeyDown == WM_SYSKEYDOWN && kVirtualKeyEscape == VK_ESCAPE);

const wchar_t kMainClass[] = L"PelomarMainWindow";
const wchar_t kPanelClass[] = L"PelomarChartPanel";
constexpr int kPenWidth = 5;
// Posted to the main window by its own showing.
constexpr UINT kMsgShown = WM_APP + 1;

void unite(RECT& acc, const RECT& r) {
    if (IsRectEmpty(&acc))
        acc = r;
    else
        UnionRect(&acc, &acc, &r);
}

}  // namespace

int currentKeyState() {
    int keys = 0;
    if (GetKeyState(VK_CONTROL) & 0x8000) keys |= 1;
    if (GetKeyState(VK_SHIFT) & 0x8000) keys |= 2;
    if (GetKeyState(VK_MENU) & 0x8000) keys |= 4;
    return keys;
}

// ---------------------------------------------------------------- ChartPanel

ChartPanel::~ChartPanel() {
    if (back_) {
        SelectObject(back_, backOld_);
        DeleteDC(back_);
    }
    if (backBitmap_) DeleteObject(backBitmap_);
    if (pen_) DeleteObject(pen_);
}

bool ChartPanel::create(HWND parent, MainWindowHandler* handler) {
    handler_ = handler;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &routeMessages<ChartPanel>;
    wc.hInstance = instance;
    wc.hCursor = nullptr;  // the panel sets its own pointer shape
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPanelClass;
    RegisterClassExW(&wc);

    // The retained copy is a 32-bit DIB section: exact whatever the display's
    // colour depth, and made without a display device context.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kChartWidth;
    info.bmiHeader.biHeight = -kChartHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    back_ = CreateCompatibleDC(nullptr);
    backBitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    backBits_ = static_cast<std::uint32_t*>(bits);
    backOld_ = SelectObject(back_, backBitmap_);
    pen_ = CreatePen(PS_SOLID, kPenWidth, toColorRef(penColour_));
    SelectObject(back_, pen_);
    SelectObject(back_, GetStockObject(NULL_BRUSH));
    SetROP2(back_, R2_COPYPEN);
    SetBkMode(back_, TRANSPARENT);

    // Decoded here, on the thread that shows it: it takes little (bench/README.md).
    const AssetView chart = chartPicture();
    setPicture(decodeGif(chart.data, chart.size).value_or(GifPicture{}));
    hwnd_ = CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, kChartWidth, kChartHeight, parent,
                            nullptr, instance, this);
    return hwnd_ != nullptr;
}

void ChartPanel::setPicture(GifPicture picture) {
    picture_ = std::move(picture);
    restore({0, 0, kChartWidth, kChartHeight});
    SetRectEmpty(&dirty_);
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

// The bare picture back into the retained copy over `area` (white where the
// picture does not reach). The colours are looked up here: a blit from an
// 8-bit picture to the 32-bit copy is far slower (bench/README.md).
void ChartPanel::restore(const RECT& area) {
    if (!backBits_) return;
    GdiFlush();  // what the pen drew is in the pixels before they are written over
    copyColours(picture_, area.left, area.top, area.right, area.bottom, backBits_, kChartWidth);
}

void ChartPanel::present(const RECT& area) {
    if (!hwnd_ || IsRectEmpty(&area)) return;
    HDC dc = GetDC(hwnd_);
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, back_, area.left, area.top,
           SRCCOPY);
    ReleaseDC(hwnd_, dc);
}

void ChartPanel::erase() {
    if (IsRectEmpty(&dirty_)) return;
    const RECT area = dirty_;
    SetRectEmpty(&dirty_);
    restore(area);
    present(area);
}

void ChartPanel::setPenColour(Colour colour) {
    if (colour == penColour_ && pen_) return;
    penColour_ = colour;
    HPEN pen = CreatePen(PS_SOLID, kPenWidth, toColorRef(colour));
    SelectObject(back_, pen);
    if (pen_) DeleteObject(pen_);
    pen_ = pen;
}

void ChartPanel::drawRectangle(int left, int top, int right, int bottom) {
    Rectangle(back_, left, top, right, bottom);
    // The wide pen is centred on the outline; cover its outer half as well.
    RECT area{left - kPenWidth, top - kPenWidth, right + kPenWidth, bottom + kPenWidth};
    RECT panel{0, 0, kChartWidth, kChartHeight};
    IntersectRect(&area, &area, &panel);
    unite(dirty_, area);
    present(area);
}

void ChartPanel::setPointerHand(bool hand) {
    if (hand == hand_) return;
    hand_ = hand;
    POINT p;
    if (GetCursorPos(&p) && WindowFromPoint(p) == hwnd_) showPointer();
}

void ChartPanel::showPointer() const { SetCursor(LoadCursorW(nullptr, hand_ ? IDC_HAND : IDC_ARROW)); }

void ChartPanel::onPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    const RECT& r = ps.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, back_, r.left, r.top, SRCCOPY);
    EndPaint(hwnd_, &ps);
}

LRESULT ChartPanel::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    switch (msg) {
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            showPointer();
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        handler_->onChartPointer(PointerEventKind::Move, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                                 currentKeyState());
        return 0;
    case WM_LBUTTONDOWN:
        handler_->onChartPointer(PointerEventKind::Press, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                                 currentKeyState());
        return 0;
    case WM_LBUTTONUP:
        handler_->onChartPointer(PointerEventKind::Release, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                                 currentKeyState());
        return 0;
    case WM_RBUTTONDOWN:
        handler_->onChartRightPress();
        return 0;
    case WM_MOUSEACTIVATE:
        // Sent before the activation that takes the focus from the card, and
        // before the press; the main window's answer comes from DefWindowProc.
        if (HIWORD(lParam) == WM_LBUTTONDOWN) {
            POINT p{};
            GetCursorPos(&p);
            ScreenToClient(hwnd, &p);
            handler_->onChartPressActivates(p.x, p.y);
        }
        break;
    case WM_NCDESTROY:
        hwnd_ = nullptr;
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------- MainWindow

MainWindow::~MainWindow() {
    destroy();
    if (bigIcon_) DestroyIcon(bigIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
}

bool MainWindow::create(HINSTANCE instance, MainWindowHandler* handler) {
    handler_ = handler;
    bigIcon_ = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    smallIcon_ = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_DEFAULTCOLOR));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &routeMessages<MainWindow>;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainClass;
    RegisterClassExW(&wc);

    const int left = centredOrigin(GetSystemMetrics(SM_CXSCREEN), kMainWindowWidth);
    const int top = centredOrigin(GetSystemMetrics(SM_CYSCREEN), kMainWindowHeight);
    const std::wstring title = gbkToWide(text::kMainTitle);
    CreateWindowExW(0, kMainClass, title.c_str(), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, left,
                    top, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, this);
    return hwnd_ != nullptr;
}

void MainWindow::fitToChart() {
    RECT outer, client;
    GetWindowRect(hwnd_, &outer);
    GetClientRect(hwnd_, &client);
    const int width = fittedOuterSize(outer.right - outer.left, client.right - client.left, kChartWidth);
    const int height = fittedOuterSize(outer.bottom - outer.top, client.bottom - client.top, kChartHeight);
    // No WM_WINDOWPOSCHANGING: its default handling only clamps the size to
    // the window's tracking limits, which a window this small never reaches.
    if (width != outer.right - outer.left || height != outer.bottom - outer.top)
        SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
}

POINT MainWindow::chartOrigin() const {
    POINT origin{0, 0};
    ClientToScreen(panel_.hwnd(), &origin);
    return origin;
}

void MainWindow::setVisible(bool visible) {
    if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

bool MainWindow::visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

bool MainWindow::minimised() const { return hwnd_ && IsIconic(hwnd_); }

void MainWindow::restore() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void MainWindow::setAlwaysOnTop(bool onTop) {
    if (hwnd_)
        SetWindowPos(hwnd_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void MainWindow::destroy() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

LRESULT MainWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    switch (msg) {
    case WM_CREATE:
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
        if (!panel_.create(hwnd_, handler_)) return -1;
        handler_->onMainWindowCreated();
        return 0;
    case WM_SHOWWINDOW:
        // Sent while the window is being shown; the handler hears of it after.
        if (wParam) PostMessageW(hwnd_, kMsgShown, 0, 0);
        break;
    case kMsgShown:
        handler_->onMainWindowShown();
        return 0;
    case WM_NCACTIVATE:
        // The card window takes the focus; the title bar stays in the active colours.
        return DefWindowProcW(hwnd_, WM_NCACTIVATE, TRUE, lParam);
    case WM_CLOSE:
        if (handler_->onMainWindowCloseQuery()) DestroyWindow(hwnd_);
        return 0;
    case WM_QUERYENDSESSION:
        return handler_->onMainWindowCloseQuery() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam) DestroyWindow(hwnd_);
        return 0;
    case WM_COMMAND:
        handler_->onCommand(LOWORD(wParam));
        return 0;
    case WM_CONTEXTMENU:
        if (isKeyboardMenuRequest(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
            handler_->onMenuKey();
            return 0;
        }
        break;  // a right click on the caption still opens the system menu
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        hwnd_ = nullptr;
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace pelomar
