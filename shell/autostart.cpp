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
