#include "ui/help_window_win32.h"

#include <shellapi.h>
#include <windowsx.h>

#include <string>

#include "media/assets.h"
#include "ui/colour_win32.h"
#include "ui/main_window_rules.h"
#include "text/gbk_win32.h"
#include "text/texts.h"

namespace pelomar {
namespace {

static_assert(kHelpFontWeight == FW_NORMAL);

const wchar_t kHelpClass[] = L"PelomarHelpWindow";
const wchar_t kPortraitClass[] = L"PelomarPortrait";
const wchar_t kLinkClass[] = L"PelomarLink";

void registerClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, LPCWSTR cursor, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, name, &wc)) return;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, cursor);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

// The default value of HKEY_CLASSES_ROOT\<path>, environment references
// expanded; empty when there is none.
std::wstring classesDefaultValue(const std::wstring& path) {
    // RegGetValueW takes REG_EXPAND_SZ only together with RRF_NOEXPAND (else
    // ERROR_INVALID_PARAMETER); the expanding is done here.
    constexpr DWORD kStrings = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, kStrings, nullptr, nullptr, &bytes) != ERROR_SUCCESS ||
        bytes < sizeof(wchar_t))
        return {};
    std::wstring value(bytes / sizeof(wchar_t), L'\0');
    DWORD type = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, kStrings, &type, value.data(), &bytes) !=
        ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    if (type != REG_EXPAND_SZ) return value;
    const DWORD length = ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    if (length == 0) return {};
    std::wstring expanded(length, L'\0');
    if (ExpandEnvironmentStringsW(value.c_str(), expanded.data(), length) != length) return {};
    expanded.resize(length - 1);
    return expanded;
}

bool runCommandLine(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

void showHelpText() {
    const std::wstring body = gbkToWide(text::kHelpText);
    const std::wstring title = gbkToWide(text::kHelpTitle);
    MessageBoxW(nullptr, body.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
}

bool openLinkTarget(HWND parent, const LinkSpec& link) {
    const std::wstring target = gbkToWide(linkTarget(link));
    if (target.empty()) return false;
    const INT_PTR shell = reinterpret_cast<INT_PTR>(
        ShellExecuteW(parent, L"open", target.c_str(), nullptr, nullptr, SW_SHOW));
    if (shell > 32) return true;
    const std::wstring handler = classesDefaultValue(L".htm");
    if (handler.empty()) return false;
    const std::wstring command = classesDefaultValue(handler + L"\\shell\\open\\command");
    const std::wstring line = fallbackCommandLine(command, target);
    return !line.empty() && runCommandLine(line);
}

// ---------------------------------------------------------------- LinkWindow

bool LinkWindow::create(HWND parent, const HelpRow& row, HFONT font) {
    spec_ = row.link;
    font_ = font;
    state_ = LinkState{};
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    const std::wstring text = gbkToWide(linkDisplayText(spec_));
    const FieldBox& box = row.linkBox;
    CreateWindowExW(WS_EX_STATICEDGE, kLinkClass, text.c_str(), WS_CHILD | WS_VISIBLE, box.left, box.top,
                    box.width, box.height, parent, nullptr, instance, this);
    return hwnd_ != nullptr;
}

bool LinkWindow::inside(LPARAM lParam) const {
    RECT client;
    GetClientRect(hwnd_, &client);
    const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&client, p) != FALSE;
}

void LinkWindow::apply(const LinkEffect& effect) {
    if (effect.capture) SetCapture(hwnd_);
    if (effect.release && GetCapture() == hwnd_) ReleaseCapture();
    if (effect.redraw) InvalidateRect(hwnd_, nullptr, TRUE);
    if (effect.open && openLinkTarget(hwnd_, spec_)) apply(state_.opened());
}

void LinkWindow::onPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    HBRUSH background = CreateSolidBrush(toColorRef(kLinkBackground));
    FillRect(dc, &client, background);
    DeleteObject(background);
    const HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(state_.textColour()));
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(hwnd_, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    DrawTextW(dc, text.c_str(), length, &client, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(hwnd_, &ps);
}

LRESULT LinkWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    switch (msg) {
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint fills the field
    case WM_MOUSEMOVE:
        apply(state_.pointerMoved(inside(lParam)));
        return 0;
    case WM_LBUTTONDOWN:
        apply(state_.pressed(inside(lParam)));
        return 0;
    case WM_LBUTTONUP:
        apply(state_.released(inside(lParam)));
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd_) apply(state_.captureLost());
        return 0;
    case WM_NCDESTROY:
        hwnd_ = nullptr;
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------- HelpWindow

HelpWindow::~HelpWindow() {
    close();
    releaseResources();
}

void HelpWindow::releaseResources() {
    if (font_) DeleteObject(font_);
    if (background_) DeleteObject(background_);
    font_ = nullptr;
    background_ = nullptr;
    logo_ = Picture{};
    portrait_ = Picture{};
}

void HelpWindow::open(HINSTANCE instance, HWND owner) {
    if (exists()) {
        // One about window at a time: the open one comes forward.
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
        return;
    }
    releaseResources();
    background_ = CreateSolidBrush(toColorRef(kHelpBackground));
    registerClass(instance, kHelpClass, &routeMessages<HelpWindow>, IDC_ARROW, nullptr);
    registerClass(instance, kPortraitClass, &HelpWindow::portraitProc, IDC_SIZEALL, nullptr);
    registerClass(instance, kLinkClass, &routeMessages<LinkWindow>, IDC_HAND, nullptr);
    logo_ = decodePicture(logoPicture());
    portrait_ = decodePicture(portraitPicture());
    const std::wstring face = gbkToWide(text::kHelpFontFace);
    font_ = CreateFontW(kHelpFontHeight, 0, 0, 0, kHelpFontWeight, FALSE, FALSE, FALSE, GB2312_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                        face.c_str());

    const int left = centredOrigin(GetSystemMetrics(SM_CXSCREEN), kHelpWindowWidth);
    const int top = centredOrigin(GetSystemMetrics(SM_CYSCREEN), kHelpWindowHeight);
    const std::wstring name = gbkToWide(text::kHelpWindowName);
    CreateWindowExW(WS_EX_CLIENTEDGE, kHelpClass, name.c_str(), WS_POPUP | WS_DLGFRAME, left, top,
                    kHelpWindowWidth, kHelpWindowHeight, owner, nullptr, instance, this);
    if (!hwnd_) return;
    createFields(instance);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void HelpWindow::createFields(HINSTANCE instance) {
    CreateWindowExW(0, kPortraitClass, L"", WS_CHILD | WS_VISIBLE, kPortraitBox.left, kPortraitBox.top,
                    kPortraitBox.width, kPortraitBox.height, hwnd_, nullptr, instance, this);
    for (int i = 0; i < kHelpRowCount; ++i) {
        const HelpRow& row = helpRows()[i];
        const std::wstring caption = gbkToWide(row.caption);
        // One line, clipped rather than wrapped; SS_NOTIFY keeps a press on a
        // caption from reaching the background.
        const DWORD style = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOTIFY;
        HWND field = CreateWindowExW(0, L"STATIC", caption.c_str(), style, row.captionBox.left, row.captionBox.top,
                                     row.captionBox.width, row.captionBox.height, hwnd_, nullptr, instance, nullptr);
        SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        links_[i].create(hwnd_, row, font_);
    }
}

void HelpWindow::close() {
    if (exists()) DestroyWindow(hwnd_);
}

void HelpWindow::dragByPicture() { SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0); }

LRESULT CALLBACK HelpWindow::portraitProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    HelpWindow* self = reinterpret_cast<HelpWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_NCCREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (self) {
            FillRect(dc, &ps.rcPaint, self->background_);
            self->portrait_.draw(dc, 0, 0);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (self) self->dragByPicture();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT HelpWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    switch (msg) {
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT client;
        GetClientRect(hwnd_, &client);
        FillRect(dc, &client, background_);
        logo_.draw(dc, 0, 0);
        return 1;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, toColorRef(kHelpBackground));
        return reinterpret_cast<LRESULT>(background_);
    }
    case WM_LBUTTONDOWN:
        close();
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            close();
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
