#include "shell/system_library_win32.h"

#include <string>

namespace pelomar {

void restrictDllSearchToSystem() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    SetDefaultDllDirectoriesFunction setDefault = nullptr;
    if (!findFunction(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories", setDefault) ||
        !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}

HMODULE loadSystemLibrary(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Windows 7 without its 2011 loader update knows no search flags: the full path then.
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    return LoadLibraryW((std::wstring(folder, n) + L"\\" + name).c_str());
}

}  // namespace pelomar
