// Holds Wine's desktop open while the start-up benchmark runs. Wine closes
// its desktop (and the shell's taskbar with it) shortly after the last program
// using it has ended, and opens it again for the next one: a program started
// in that gap pays for the desktop's start. This program keeps one hidden
// window, so that every program timed starts on a desktop that is already
// there, as on Windows. It ends when its Wine session is ended.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = L"DesktopKeeper";
    RegisterClassW(&wc);
    CreateWindowW(L"DesktopKeeper", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
