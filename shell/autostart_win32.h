// The start-up entry in the real registry (HKEY_CURRENT_USER), through the
// wide registry functions.
#pragma once

#include "shell/autostart.h"

namespace pelomar {

class WindowsStartupRegistry final : public StartupRegistry {
public:
    WindowsStartupRegistry() = default;
    WindowsStartupRegistry(const WindowsStartupRegistry&) = delete;
    WindowsStartupRegistry& operator=(const WindowsStartupRegistry&) = delete;
    ~WindowsStartupRegistry() override { closeKey(); }

    bool openKey(std::string_view key) override;
    bool createKey(std::string_view key) override;
    bool setString(std::string_view name, std::wstring_view data) override;
    bool deleteValue(std::string_view name) override;
    void closeKey() override;
    bool deleteKey(std::string_view path) override;

private:
    void* key_ = nullptr;  // HKEY
};

// applyAutostart for this executable, with the real registry.
void applyAutostartForThisProgram(bool on);

}  // namespace pelomar
