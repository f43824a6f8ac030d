// Test helper: tells what Windows knows of a top-level window that the screen
// cannot show, such as whether it is kept in front. The title is passed as
// the hex digits of its UTF-8 bytes, optionally after the word "minimise",
// which minimises the window first. The exit code is 0 when no such window
// exists, else 1, plus 2 when it is topmost, 4 when it is visible, 8 when it
// is minimised and 16 when it is the foreground window.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR args, int) {
    std::wstring hex(args);
    const std::wstring minimise = L"minimise ";
    const bool minimiseFirst = hex.rfind(minimise, 0) == 0;
    if (minimiseFirst) hex.erase(0, minimise.size());
    std::string utf8;
    while (!hex.empty() && hex.back() == L' ') hex.pop_back();
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        auto digit = [](wchar_t c) { return c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10; };
        utf8.push_back(static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    }
    std::wstring title(utf8.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), title.data(),
                                      static_cast<int>(title.size()));
    title.resize(n > 0 ? n : 0);
    const HWND window = FindWindowW(nullptr, title.c_str());
    if (!window) return 0;
    if (minimiseFirst) {
        ShowWindow(window, SW_MINIMIZE);
        for (int i = 0; i < 100 && !IsIconic(window); ++i) Sleep(20);
    }
    int state = 1;
    if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) state |= 2;
    if (IsWindowVisible(window)) state |= 4;
    if (IsIconic(window)) state |= 8;
    if (GetForegroundWindow() == window) state |= 16;
    return state;
}
