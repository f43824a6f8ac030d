#include "shell/autostart_win32.h"

#include <windows.h>

#include "shell/exe_path_win32.h"
#include "shell/user_folders_win32.h"
#include "text/gbk_win32.h"

namespace pelomar {

namespace {

// An open registry key, closed when it goes.
class Key {
public:
    Key() = default;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

bool WindowsStartupRegistry::writeValue(std::string_view key, std::string_view name, std::wstring_view data) {
    const std::wstring path = gbkToWide(key);
    Key opened;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, opened.out()) != ERROR_SUCCESS &&
        RegCreateKeyW(HKEY_CURRENT_USER, path.c_str(), opened.out()) != ERROR_SUCCESS)
        return false;
    // REG_SZ data with its terminating zero.
    const std::wstring text(data);
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(opened.get(), gbkToWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

bool WindowsStartupRegistry::deleteValue(std::string_view key, std::string_view name) {
    Key opened;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, gbkToWide(key).c_str(), 0, KEY_WRITE, opened.out()) != ERROR_SUCCESS)
        return false;
    return RegDeleteValueW(opened.get(), gbkToWide(name).c_str()) == ERROR_SUCCESS;
}

bool WindowsStartupRegistry::deleteKey(std::string_view path) {
    return RegDeleteKeyW(HKEY_CURRENT_USER, gbkToWide(path).c_str()) == ERROR_SUCCESS;
}

void applyAutostartForThisProgram(bool on) {
    WindowsStartupRegistry registry;
    applyAutostart(on, splitExePath(currentExePath()), registry);
}

bool startupEntryAllowedForThisProgram() {
    return startupEntryAllowed(upperCase(longPath(currentExePath())), upperCase(longPath(temporaryFolder())));
}

}  // namespace pelomar
