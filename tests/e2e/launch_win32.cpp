// Test helper: starts a program with an exact command line and returns its
// exit code. The command line is passed as the hex digits of its UTF-8 bytes,
// so quotes and characters of any code page survive the trip from the test
// runner untouched.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR args, int) {
    std::string utf8;
    std::wstring hex(args);
    while (!hex.empty() && hex.back() == L' ') hex.pop_back();
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        auto digit = [](wchar_t c) { return c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10; };
        utf8.push_back(static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    }
    std::wstring commandLine(utf8.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), commandLine.data(),
                                      static_cast<int>(commandLine.size()));
    commandLine.resize(n > 0 ? n : 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 255;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}
