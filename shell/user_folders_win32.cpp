#include "shell/user_folders_win32.h"

#include <windows.h>
#include <shlobj.h>

namespace pelomar {

std::wstring localAppDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
    return folder;
}

std::wstring temporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    return n > 0 && n <= MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

std::wstring longPath(const std::wstring& path) {
    const DWORD needed = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring out(needed, L'\0');
    const DWORD n = GetLongPathNameW(path.c_str(), out.data(), needed);
    if (n == 0 || n >= needed) return path;
    out.resize(n);
    return out;
}

std::wstring upperCase(std::wstring path) {
    if (!path.empty()) CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

}  // namespace pelomar
