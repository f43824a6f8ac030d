#include "shell/autostart_win32.h"

#include <windows.h>

#include "shell/exe_path_win32.h"
#include "text/gbk_win32.h"

namespace pelomar {

bool WindowsStartupRegistry::openKey(std::string_view key) {
    closeKey();
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, gbkToWide(key).c_str(), 0, KEY_WRITE, &opened) != ERROR_SUCCESS) return false;
    key_ = opened;
    return true;
}

bool WindowsStartupRegistry::createKey(std::string_view key) {
    closeKey();
    HKEY created = nullptr;
    if (RegCreateKeyW(HKEY_CURRENT_USER, gbkToWide(key).c_str(), &created) != ERROR_SUCCESS) return false;
    key_ = created;
    return true;
}

bool WindowsStartupRegistry::setString(std::string_view name, std::wstring_view data) {
    if (!key_) return false;
    // REG_SZ data with its terminating zero.
    const std::wstring text(data);
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(static_cast<HKEY>(key_), gbkToWide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
}

bool WindowsStartupRegistry::deleteValue(std::string_view name) {
    return key_ && RegDeleteValueW(static_cast<HKEY>(key_), gbkToWide(name).c_str()) == ERROR_SUCCESS;
}

void WindowsStartupRegistry::closeKey() {
    if (key_) RegCloseKey(static_cast<HKEY>(key_));
    key_ = nullptr;
}

bool WindowsStartupRegistry::deleteKey(std::string_view path) {
    return RegDeleteKeyW(HKEY_CURRENT_USER, gbkToWide(path).c_str()) == ERROR_SUCCESS;
}

void applyAutostartForThisProgram(bool on) {
    WindowsStartupRegistry registry;
    applyAutostart(on, splitExePath(currentExePath()), registry);
}

}  // namespace pelomar
