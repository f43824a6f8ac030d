#include "settings/settings_store.h"

#include "settings/ini_file.h"

namespace pelomar {
namespace {

constexpr std::array<OptionItem, kOptionCount> kOptions = {{
    {1, "\xD2\xC6\xB9\xFD\xCA\xB1\xB7\xA2\xD2\xF4", false},                          // 移过时发音
    {2, "Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4_\xD2\xC6\xD2\xF4", false},             // Ctrl键时忽略_移音
    {3, "\xD2\xC6\xB9\xFD\xCA\xB1\xB5\xAF\xB3\xF6", false},                          // 移过时弹出
    {4, "Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4_\xD2\xC6\xB5\xAF", false},             // Ctrl键时忽略_移弹
    {5, "\xB5\xE3\xBB\xF7\xCA\xB1\xB7\xA2\xD2\xF4", false},                          // 点击时发音
    {6, "Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4_\xB5\xE3\xD2\xF4", false},             // Ctrl键时忽略_点音
    {7, "\xB5\xE3\xBB\xF7\xCA\xB1\xB5\xAF\xB3\xF6", false},                          // 点击时弹出
    {8, "Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4_\xB5\xE3\xB5\xAF", false},             // Ctrl键时忽略_点弹
    {9, "\xB1\xA3\xB3\xD6\xC7\xB0\xB6\xCB", true},                                   // 保持前端
    {10, "Esc\xBC\xFC\xCD\xCB\xB3\xF6", true},                                       // Esc键退出
    {11, "\xCB\xE6\xCF\xB5\xCD\xB3\xC6\xF4\xB6\xAF", true},                          // 随系统启动
}};

// A Unicode profile is the platform's other format; this program neither
// reads nor rewrites one.
bool readable(const SettingsText& text) {
    return text.state == SettingsText::State::Present && !ini::isUtf16Text(text.bytes);
}

}  // namespace

const std::array<OptionItem, kOptionCount>& optionItems() { return kOptions; }

std::wstring settingsFilePath(const ExeLocation& exe) { return exe.directory + L"\\Pelomar.ini"; }

void loadSettings(ContextMenu& menu, SettingsFile& file, const ApplyOption& apply) {
    const SettingsText text = file.readText();
    const bool useFile = readable(text);
    for (const OptionItem& item : kOptions) {
        if (useFile) {
            if (const auto value = ini::readValue(text.bytes, kSettingsSection, item.key))
                menu.setOption(item.number, *value == kValueTrue);
        }
        if (item.appliedOnLoad && apply) apply(item.number);
    }
}

std::string settingsText(const ContextMenu& menu, std::string_view current) {
    std::string text(current);
    for (const OptionItem& item : kOptions)
        text = ini::writeValue(text, kSettingsSection, item.key, menu.option(item.number) ? kValueTrue : kValueFalse);
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
