#include "settings/settings_store.h"

#include "settings/ini_file.h"
#include "text/texts.h"

namespace pelomar {
namespace {

// A Unicode profile is the platform's other format; this program neither
// reads nor rewrites one.
bool readable(const SettingsText& text) {
    return text.state == SettingsText::State::Present && !ini::isUtf16Text(text.bytes);
}

}  // namespace

std::wstring settingsFilePath(const ExeLocation& exe) { return exe.directory + L"\\" + std::wstring(kSettingsFileName); }

void loadSettings(ContextMenu& menu, SettingsFile& file, const ApplyOption& apply) {
    const SettingsText current = file.readText();
    const bool useFile = readable(current);
    for (const OptionInfo& item : optionTable()) {
        if (useFile) {
            if (const auto value = ini::readValue(current.bytes, text::kSettingsSection, item.key))
                menu.setOption(item.option, *value == text::kValueTrue);
        }
        if (item.effect != SystemEffect::None && apply) apply(item.option);
    }
}

std::string settingsText(const ContextMenu& menu, std::string_view current) {
    std::string updated(current);
    for (const OptionInfo& item : optionTable())
        updated = ini::writeValue(updated, text::kSettingsSection, item.key,
                                  menu.option(item.option) ? text::kValueTrue : text::kValueFalse);
    return updated;
}

void saveSettings(const ContextMenu& menu, SettingsFile& file) {
    const SettingsText text = file.readText();
    if (text.state == SettingsText::State::Missing) {
        file.writeText(settingsText(menu, {}));
        return;
    }
    if (readable(text)) {
        const std::string updated = settingsText(menu, withoutPadding(text.bytes));
        if (updated != text.bytes) {
            file.writeText(updated);
            return;
        }
    }
    file.removeLeftovers();
}

}  // namespace pelomar
