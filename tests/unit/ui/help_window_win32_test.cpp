// The about window with real windows: layout, fonts, one window at a time,
// link capture, and the ways it closes.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "pelomar_version.h"
#include "ui/help_window.h"
#include "ui/help_window_win32.h"

using namespace pelomar;

namespace {


HWND makeOwner() {
    return CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

std::vector<HWND> children(HWND parent) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
    return out;
}

RECT childRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring className(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

struct ClassCount {
    const wchar_t* cls;
    int n;
};

// A plain function: the enumeration callback is stdcall on 32-bit Windows.
BOOL CALLBACK countClass(HWND hwnd, LPARAM p) {
    auto* c = reinterpret_cast<ClassCount*>(p);
    if (className(hwnd) == c->cls) ++c->n;
    return TRUE;
}

int windowsOfClass(const wchar_t* cls) {
    ClassCount count{cls, 0};
    EnumThreadWindows(GetCurrentThreadId(), &countClass, reinterpret_cast<LPARAM>(&count));
    return count.n;
}

bool sameBox(const RECT& r, const FieldBox& b) {
    return r.left == b.left && r.top == b.top && r.right - r.left == b.width && r.bottom - r.top == b.height;
}

}  // namespace

TEST_CASE("the about window: frame, place, size, fields and fonts") {
    HWND owner = makeOwner();
    REQUIRE(owner);
    HelpWindow help;
    help.open(GetModuleHandleW(nullptr), owner);
    REQUIRE(help.exists());
    const HWND hwnd = help.hwnd();
    CHECK(IsWindowVisible(hwnd));
    CHECK(GetWindow(hwnd, GW_OWNER) == owner);

    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    CHECK((style & WS_POPUP) != 0);
    CHECK((style & WS_DLGFRAME) != 0);
    CHECK((style & (WS_BORDER | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0);
    const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    CHECK((exStyle & WS_EX_CLIENTEDGE) != 0);
    CHECK((exStyle & WS_EX_TOPMOST) == 0);

    RECT outer, client;
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    CHECK(outer.right - outer.left == 356);
    CHECK(outer.bottom - outer.top == 395);
    CHECK(client.right == 346);
    CHECK(client.bottom == 385);
    CHECK(outer.left == (GetSystemMetrics(SM_CXSCREEN) - 356) / 2);
    CHECK(outer.top == (GetSystemMetrics(SM_CYSCREEN) - 395) / 2);

    // The portrait box, then a caption and a link for each row.
    const std::vector<HWND> fields = children(hwnd);
    REQUIRE(fields.size() == 1 + 2 * kHelpRowCount);
    CHECK(sameBox(childRect(hwnd, fields[0]), kPortraitBox));
    for (int i = 0; i < kHelpRowCount; ++i) {
        CAPTURE(i);
        const HWND caption = fields[1 + 2 * i];
        const HWND link = fields[2 + 2 * i];
        CHECK(className(caption) == L"Static");
        CHECK(sameBox(childRect(hwnd, caption), helpRows()[i].captionBox));
        CHECK(sameBox(childRect(hwnd, link), helpRows()[i].linkBox));
        CHECK((GetWindowLongW(link, GWL_EXSTYLE) & WS_EX_STATICEDGE) != 0);
        LOGFONTW font{};
        REQUIRE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(caption, WM_GETFONT, 0, 0)), sizeof font, &font));
        CHECK(font.lfHeight == -12);
        CHECK(font.lfWeight == 400);
        CHECK(font.lfCharSet == GB2312_CHARSET);
        CHECK(std::wstring(font.lfFaceName) == L"\u5B8B\u4F53");  // 宋体
    }
    wchar_t text[64] = {};
    GetWindowTextW(fields[12], text, 64);
    CHECK(std::wstring(text) == L"Pelomar(Vok) v" + std::wstring(PELOMAR_VERSION, PELOMAR_VERSION + sizeof PELOMAR_VERSION - 1));
    GetWindowTextW(fields[1], text, 64);
    CHECK(std::wstring(text) == L"\u5F00\u53D1\uFF1A");  // 开发：

    // Choosing it again brings the same window forward: still one.
    help.open(GetModuleHandleW(nullptr), owner);
    CHECK(help.hwnd() == hwnd);
    CHECK(windowsOfClass(L"PelomarHelpWindow") == 1);

    DestroyWindow(owner);  // owned windows go with their owner
    CHECK_FALSE(help.exists());
    CHECK_FALSE(IsWindow(hwnd));
}

TEST_CASE("the about window closes by Esc and by a press on its background, not on its fields") {
    HWND owner = makeOwner();
    HelpWindow help;
    help.open(GetModuleHandleW(nullptr), owner);
    REQUIRE(help.exists());
    SendMessageW(help.hwnd(), WM_KEYDOWN, 'A', 0);
    CHECK(help.exists());
    SendMessageW(help.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    CHECK_FALSE(help.exists());

    help.open(GetModuleHandleW(nullptr), owner);
    REQUIRE(help.exists());
    const std::vector<HWND> fields = children(help.hwnd());
    // A press on a caption stays with the caption.
    SendMessageW(fields[1], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    CHECK(help.exists());
    SendMessageW(help.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 50));  // on the logo
    CHECK_FALSE(help.exists());
    CHECK(IsWindow(owner));

    // Closing leaves the program free to open it again.
    help.open(GetModuleHandleW(nullptr), owner);
    CHECK(help.exists());
    help.close();
    CHECK_FALSE(help.exists());
    DestroyWindow(owner);
}

TEST_CASE("a link captures the mouse while the pointer is over it") {
    HWND owner = makeOwner();
    HelpWindow help;
    help.open(GetModuleHandleW(nullptr), owner);
    REQUIRE(help.exists());
    const HWND link = children(help.hwnd())[12];
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
    CHECK(GetCapture() == link);
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(20, 6));
    CHECK(GetCapture() == link);
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(-3, 5));
    CHECK(GetCapture() == nullptr);
    // Another window taking the capture ends the hover without trouble.
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
    SetCapture(owner);
    CHECK(GetCapture() == owner);
    ReleaseCapture();
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
    CHECK(GetCapture() == link);
    ReleaseCapture();
    help.close();
    DestroyWindow(owner);
}
