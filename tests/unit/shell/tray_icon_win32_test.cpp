// The tray icon's subclassing and record, with a real window and the shell
// call replaced by a recorder.
#include <doctest/doctest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/tray_icon.h"
#include "shell/tray_icon_win32.h"
#include "text/texts.h"

using namespace pelomar;

namespace {

// What happened, in order: shell calls and messages seen by the window's own procedure.
std::vector<std::string> gLog;
std::vector<NOTIFYICONDATAA> gRecords;
WNDPROC gOwnProc = nullptr;
LONG_PTR gProcAtDestroy = 0;
std::wstring gTextSeen;

BOOL WINAPI recordNotify(DWORD message, PNOTIFYICONDATAA data) {
    gLog.push_back(message == NIM_ADD ? "add" : message == NIM_DELETE ? "delete" : "other");
    gRecords.push_back(*data);
    return TRUE;
}

LRESULT CALLBACK ownProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_USER + 7:
        gLog.push_back("user");
        return 42;
    case kTrayCallbackMessage:
        gLog.push_back("callback passed on");
        return 0;
    case WM_SETTEXT:
        gTextSeen = reinterpret_cast<const wchar_t*>(lParam);
        break;
    case WM_DESTROY:
        gLog.push_back("destroy");
        gProcAtDestroy = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
        return 0;
    }
    if (msg >= 0xC000 && msg <= 0xFFFF) gLog.push_back("registered");
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

struct Handler : TrayMouseHandler {
    std::vector<unsigned> messages;
    int unavailable = 0;
    void onTrayMouse(unsigned mouseMessage) override { messages.push_back(mouseMessage); }
    void trayIconUnavailable() override { ++unavailable; }
};

// A shell that is still starting: it refuses the first gRefusals adds.
int gRefusals = 0;
int gAdds = 0;
int gModifies = 0;
BOOL WINAPI startingShell(DWORD message, PNOTIFYICONDATAA) {
    if (message == NIM_MODIFY) ++gModifies;
    if (message != NIM_ADD) return FALSE;
    ++gAdds;
    return gAdds > gRefusals;
}

// Handles the thread's messages (the retry timer's ticks) for a while.
void pumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(1);
    }
}

HWND makeWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ownProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelomarTrayTest";
    RegisterClassExW(&wc);
    gOwnProc = &ownProc;
    // A message-only window: subclassing and WM_GETICON need no screen.
    HWND hwnd = CreateWindowExW(0, L"PelomarTrayTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadIconW(nullptr, IDI_APPLICATION)));
    return hwnd;
}

bool allZero(const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i]) return false;
    return true;
}

}  // namespace

TEST_CASE("installing the tray icon: the record, the Unicode subclass, the icon added once") {
    gLog.clear();
    gRecords.clear();
    HWND hwnd = makeWindow();
    REQUIRE(hwnd != nullptr);
    const HICON small = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));
    REQUIRE(small != nullptr);
    Handler handler;
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    {
        TrayIcon tray(&recordNotify);
        tray.install(hwnd, text::kTrayTip, taskbarCreated, &handler);
        CHECK(tray.subclassed());
        CHECK(GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(gOwnProc));
        CHECK(IsWindowUnicode(hwnd));

        REQUIRE(gRecords.size() == 1);
        CHECK(gLog == std::vector<std::string>{"add"});
        const NOTIFYICONDATAA& r = gRecords[0];
        CHECK(r.cbSize == (sizeof(void*) == 8 ? 504u : 488u));
        CHECK(r.hWnd == hwnd);
        CHECK(r.uID == 1);
        CHECK(r.uFlags == (NIF_MESSAGE | NIF_ICON | NIF_TIP));
        CHECK(r.uCallbackMessage == 123456);
        CHECK(r.hIcon == small);
        CHECK(std::string(r.szTip) == "Pelomar(Vok)");
        CHECK(allZero(r.szTip + 12, sizeof r.szTip - 12));
        CHECK(r.dwState == 0);
        CHECK(r.dwStateMask == 0);
        CHECK(allZero(r.szInfo, sizeof r.szInfo));
        CHECK(r.uTimeout == 0);
        CHECK(allZero(r.szInfoTitle, sizeof r.szInfoTitle));
        CHECK(r.dwInfoFlags == 0);

        // Installing again adds nothing and keeps one subclass.
        tray.install(hwnd, text::kTrayTip, taskbarCreated, &handler);
        CHECK(gRecords.size() == 1);

        // Wide text passes through untouched: the procedure stayed a Unicode one.
        SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"\u97F3\u6807 \u0127"));
        CHECK(gTextSeen == L"\u97F3\u6807 \u0127");
        DestroyWindow(hwnd);
    }
}

TEST_CASE("the subclassed procedure: icon events to the handler, taskbar re-add, removal on destroy") {
    gLog.clear();
    gRecords.clear();
    HWND hwnd = makeWindow();
    REQUIRE(hwnd != nullptr);
    Handler handler;
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    TrayIcon tray(&recordNotify);
    tray.install(hwnd, text::kTrayTip, taskbarCreated, &handler);
    gLog.clear();

    // Icon events go to the handler with the mouse message from lParam, and no further.
    CHECK(SendMessageW(hwnd, kTrayCallbackMessage, 1, WM_LBUTTONDOWN) == 0);
    SendMessageW(hwnd, kTrayCallbackMessage, 1, WM_RBUTTONUP);
    SendMessageW(hwnd, kTrayCallbackMessage, 1, WM_MOUSEMOVE);
    CHECK(handler.messages == std::vector<unsigned>{WM_LBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE});

    // Everything else reaches the window's own procedure, with its result.
    CHECK(SendMessageW(hwnd, WM_USER + 7, 0, 0) == 42);

    // The shell's TaskbarCreated broadcast: the same record added again, then passed on.
    SendMessageW(hwnd, taskbarCreated, 0, 0);
    CHECK(gLog == std::vector<std::string>{"user", "add", "registered"});
    REQUIRE(gRecords.size() == 2);
    CHECK(std::memcmp(&gRecords[0], &gRecords[1], sizeof(NOTIFYICONDATAA)) == 0);

    // Destroying the window: old procedure back, icon removed, then WM_DESTROY passed on.
    gLog.clear();
    DestroyWindow(hwnd);
    CHECK(gLog == std::vector<std::string>{"delete", "destroy"});
    CHECK(gProcAtDestroy == reinterpret_cast<LONG_PTR>(gOwnProc));
    CHECK_FALSE(tray.subclassed());
    CHECK(gRecords.back().hWnd == hwnd);
    CHECK(gRecords.back().uID == 1);
    CHECK_FALSE(IsWindow(hwnd));
}

TEST_CASE("a tray icon that goes before its window gives the window its own procedure back") {
    gLog.clear();
    gRecords.clear();
    HWND hwnd = makeWindow();
    REQUIRE(hwnd != nullptr);
    Handler handler;
    {
        TrayIcon tray(&recordNotify);
        tray.install(hwnd, text::kTrayTip, 0, &handler);
    }
    CHECK(gLog == std::vector<std::string>{"add", "delete"});
    CHECK(GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(gOwnProc));
    // The callback message now reaches the window itself, not a stale handler.
    SendMessageW(hwnd, kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
    CHECK(handler.messages.empty());
    CHECK(gLog.back() == "callback passed on");
    DestroyWindow(hwnd);
}

TEST_CASE("an icon the shell refuses at first is retried on a timer; one never taken shows the window") {
    Handler handler;
    SUBCASE("taken at the fourth try: no more tries after it") {
        gRefusals = 3;
        gAdds = gModifies = 0;
        HWND hwnd = makeWindow();
        TrayIcon tray(&startingShell, 5);
        tray.install(hwnd, text::kTrayTip, 0, &handler);
        CHECK(gAdds == 1);
        for (int i = 0; i < 400 && gAdds < 4; ++i) pumpFor(5);
        CHECK(gAdds == 4);
        CHECK(gModifies == 2);  // each failed retry asks whether a timed-out add worked after all
        pumpFor(100);
        CHECK(gAdds == 4);
        CHECK(handler.unavailable == 0);
        DestroyWindow(hwnd);
    }
    SUBCASE("never taken: given up after the last retry, and the handler told once") {
        gRefusals = 1000;
        gAdds = gModifies = 0;
        HWND hwnd = makeWindow();
        TrayIcon tray(&startingShell, 2);
        tray.install(hwnd, text::kTrayTip, 0, &handler);
        for (int i = 0; i < 1000 && handler.unavailable == 0; ++i) pumpFor(5);
        CHECK(handler.unavailable == 1);
        CHECK(gAdds == 1 + kTrayRetries);
        pumpFor(100);
        CHECK(gAdds == 1 + kTrayRetries);
        CHECK(handler.unavailable == 1);
        DestroyWindow(hwnd);
    }
}
