// Start with the system: one string value in the current user's Run key
// holds the quoted path of the executable, a blank and the hidden argument.
// applyAutostart writes it while the option is on and deletes it while off.
// Its whole registry location under HKEY_CURRENT_USER, key and value name,
// is text::kAutostartLocation.
#pragma once

#include <string>
#include <string_view>

#include "shell/exe_path.h"

namespace pelomar {

struct RegistryLocation {
    std::string key;
    std::string valueName;
};

// Splits a location at its last backslash. The search steps over double-byte
// characters (a byte of 0x80 or above and the byte after it), so a trail
// byte 0x5C is never taken for a backslash.
RegistryLocation splitRegistryLocation(std::string_view location);

// "\"<directory>\<file name>\" 隐藏".
std::wstring autostartCommand(const ExeLocation& exe);

// The registry operations applyAutostart needs, under HKEY_CURRENT_USER.
// Key paths and value names are GBK; the data is wide text.
class StartupRegistry {
public:
    virtual ~StartupRegistry() = default;
    // Writes a REG_SZ value into the key, which is opened for writing or, if
    // it cannot be opened, created. True when the value was written.
    virtual bool writeValue(std::string_view key, std::string_view name, std::wstring_view data) = 0;
    // Deletes the value from the key. False when the key cannot be opened or
    // holds no such value.
    virtual bool deleteValue(std::string_view key, std::string_view name) = 0;
    // Deletes the key at this path, if there is one.
    virtual bool deleteKey(std::string_view path) = 0;
};

// A copy that runs from the user's temporary folder, or from a folder in it,
// gets no start-up entry: a program opened inside a zip archive is unpacked
// there, and deleted again later. Both paths in long form; ASCII letters
// compare without regard to case (the adapter hands both in upper case, so
// that other letters do too).
bool startupEntryAllowed(std::wstring_view exePath, std::wstring_view temporaryFolder);

// Makes the registry agree with the option. No result is reported: a failed
// call leaves the entry as it was.
void applyAutostart(bool on, const ExeLocation& exe, StartupRegistry& registry);

}  // namespace pelomar
