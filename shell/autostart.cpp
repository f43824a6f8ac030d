#include "shell/autostart.h"

#include "text/gbk.h"
#include "text/texts.h"

namespace pelomar {

RegistryLocation splitRegistryLocation(std::string_view location) {
    size_t cut = std::string_view::npos;
    for (size_t i = 0; i < location.size(); ++i) {
        if (isSplitterLeadByte(static_cast<unsigned char>(location[i]))) {
            ++i;  // the trail byte is part of the character
            continue;
        }
        if (location[i] == '\\') cut = i;
    }
    if (cut == std::string_view::npos) return {"", std::string(location)};
    return {std::string(location.substr(0, cut)), std::string(location.substr(cut + 1))};
}

std::wstring autostartCommand(const ExeLocation& exe) {
    std::wstring path = exe.directory + L"\\" + exe.fileName;
    return L"\"" + path + L"\" " + std::wstring(text::wide::kHiddenArgument);
}

namespace {

wchar_t foldAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool sameIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

}  // namespace

bool startupEntryAllowed(std::wstring_view exePath, std::wstring_view temporaryFolder) {
    while (!temporaryFolder.empty() && temporaryFolder.back() == L'\\') temporaryFolder.remove_suffix(1);
    if (temporaryFolder.empty()) return true;
    const bool inside = exePath.size() > temporaryFolder.size() && exePath[temporaryFolder.size()] == L'\\' &&
                        sameIgnoringCase(exePath.substr(0, temporaryFolder.size()), temporaryFolder);
    return !inside;
}

void applyAutostart(bool on, const ExeLocation& exe, StartupRegistry& registry) {
    const RegistryLocation where = splitRegistryLocation(text::kAutostartLocation);
    if (on) {
        registry.writeValue(where.key, where.valueName, autostartCommand(exe));
        return;
    }
    // A subkey of that name is the other form the entry may have taken.
    if (!registry.deleteValue(where.key, where.valueName)) registry.deleteKey(text::kAutostartLocation);
}

}  // namespace pelomar
