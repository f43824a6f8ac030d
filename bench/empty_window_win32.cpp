// The floors for the start-up benchmark: an empty window program built with
// the same toolchain and flags, shown the same way as Pelomar's main window.
// Built twice: empty_window.exe, the window alone, and with EMPTY_WINDOW_TRAY
// empty_tray_window.exe, which also adds a tray icon in Pelomar's order: the
// window made hidden, the icon added while it is made, then the window shown;
// the icon is removed when the window goes.
#include <windows.h>
#ifdef EMPTY_WINDOW_TRAY
#include <shellapi.h>
#endif

namespace {

#ifdef EMPTY_WINDOW_TRAY
constexpr wchar_t kTitle[] = L"Empty window with tray icon";

NOTIFYICONDATAW trayRecord(HWND hwnd) {
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = hwnd;
    record.uID = 1;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_APP;
    record.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(record.szTip, kTitle, ARRAYSIZE(record.szTip));
    return record;
}
#else
constexpr wchar_t kTitle[] = L"Empty window";
#endif

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
#ifdef EMPTY_WINDOW_TRAY
    case WM_CREATE: {
        NOTIFYICONDATAW record = trayRecord(hwnd);
        Shell_NotifyIconW(NIM_ADD, &record);
        return 0;
    }
#endif
    case WM_DESTROY: {
#ifdef EMPTY_WINDOW_TRAY
        NOTIFYICONDATAW record = trayRecord(hwnd);
        Shell_NotifyIconW(NIM_DELETE, &record);
#endif
        PostQuitMessage(0);
        return 0;
    }
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"EmptyWindow";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, L"EmptyWindow", kTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                (GetSystemMetrics(SM_CXSCREEN) - 536) / 2, (GetSystemMetrics(SM_CYSCREEN) - 488) / 2,
                                536, 488, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
