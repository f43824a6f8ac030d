// Test helper: a DLL to leave beside Pelomar.exe under the name of a system
// DLL. If it is ever loaded, it leaves a file named planted-dll-loaded.txt
// beside itself.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    std::wstring marker(path, n);
    marker = marker.substr(0, marker.rfind(L'\\') + 1) + L"planted-dll-loaded.txt";
    const HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}
