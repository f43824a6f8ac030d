#include "shell/autostart.h"

#include "text/gbk.h"

namespace pelomar {

RegistryLocation splitRegistryLocation(std::string_view location) {
    size_t cut = std::string_view::npos;
    for (size_t i = 0; i < location.size(); ++i) {
        if (startsTwoByteCharacter(static_cast<unsigned char>(location[i]))) {
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
    return L"\"" + path + L"\" " + std::wstring(kHiddenArgumentWide);
}

void applyAutostart(bool on, const ExeLocation& exe, StartupRegistry& registry) {
    const RegistryLocation where = splitRegistryLocation(kAutostartLocation);
    if (on) {
        registry.writeValue(where.key, where.valueName, autostartCommand(exe));
        return;
    }
    // A subkey of that name is the other form the entry may have taken.
    if (!registry.deleteValue(where.key, where.valueName)) registry.deleteKey(kAutostartLocation);
}

}  // namespace pelomar
