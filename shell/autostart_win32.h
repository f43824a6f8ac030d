// The start-up entry in the real registry (HKEY_CURRENT_USER), through the
// wide registry functions.
#pragma once

#include "shell/autostart.h"

namespace pelomar {

class WindowsStartupRegistry final : public StartupRegistry {
public:
    bool writeValue(std::string_view key, std::string_view name, std::wstring_view data) override;
    bool deleteValue(std::string_view key, std::string_view name) override;
    bool deleteKey(std::string_view path) override;
};

// applyAutostart for this executable, with the real registry.
void applyAutostartForThisProgram(bool on);

// startupEntryAllowed for this executable and the user's temporary folder.
bool startupEntryAllowedForThisProgram();

}  // namespace pelomar
