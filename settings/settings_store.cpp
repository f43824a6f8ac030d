#include "settings/settings_store.h"

#include "settings/ini_file.h"

namespace pelomar {
namespace {

// A Unicode profile is the platform's other format; this program neither
// reads nor rewrites one.
bool readable(const SettingsText& text) {
    return text.state == SettingsText::State::Present && !ini::isUtf16Text(text.bytes);
}

}  // namespace

std::wstring settingsFilePath(const ExeLocation& exe) { return exe.directory + L"\\Pelomar.ini"; }

void loadSettings(ContextMenu& menu, SettingsFile& file, const ApplyOption& apply) {
    const SettingsText text = file.readText();
    const bool useFile = readable(text);
    for (const OptionInfo& item : optionTable()) {
        if (useFile) {
            if (const auto value = ini::readValue(text.bytes, kSettingsSection, item.key))
                menu.setOption(item.option, *value == kValueTrue);
        }
        if (item.appliedOnLoad && apply) apply(item.option);
    }
}

std::string settingsText(const ContextMenu& menu, std::string_view current) {
    std::string text(current);
    for (const OptionInfo& item : optionTable())
        text = ini::writeValue(text, kSettingsSection, item.key, menu.option(item.option) ? kValueTrue : kValueFalse);
    return text;
}

void saveSettings(const ContextMenu& menu, SettingsFile& file) {
    const SettingsText text = file.readText();
    if (text.state == SettingsText::State::Missing) {
        file.writeText(settingsText(menu, {}));
        return;
    }
    if (readable(text)) {
        const std::string updated = settingsText(menu, text.bytes);
        if (updated != text.bytes) {
            file.writeText(updated);
            return;
        }
    }
    file.removeLeftovers();
}

}  // namespace pelomar
