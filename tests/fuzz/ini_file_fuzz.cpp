// Settings files of any bytes: reading and updating must never read past
// the end, and an update must be found again by the next read, change
// nothing when repeated, and leave every other key's value as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "settings/ini_file.h"
#include "settings/settings_store.h"
#include "text/texts.h"

namespace {

struct Name {
    std::string_view section, key;
};

// The program's own section and keys, and others that look alike.
const Name kNames[] = {
    {pelomar::text::kSettingsSection, "\xD2\xC6\xB9\xFD\xCA\xB1\xB7\xA2\xD2\xF4"},  // 菜单配置, 移过时发音
    {pelomar::text::kSettingsSection, "Esc\xBC\xFC\xCD\xCB\xB3\xF6"},                // Esc键退出
    {"s", "k"},
    {"S", "K"},
    {"s", "\x81k"},
    {"t", "k"},
};
const std::string_view kValues[] = {pelomar::text::kValueTrue, pelomar::text::kValueFalse, "v", ""};

void require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const Name& name = kNames[data[0] % std::size(kNames)];
    const std::string_view value = kValues[(data[0] >> 4) % std::size(kValues)];
    const uint8_t marks = data[1];
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    std::optional<std::string> before[std::size(kNames)];
    for (size_t i = 0; i < std::size(kNames); ++i) before[i] = pelomar::ini::readValue(text, kNames[i].section, kNames[i].key);

    const std::string updated = pelomar::ini::writeValue(text, name.section, name.key, value);
    require(pelomar::ini::readValue(updated, name.section, name.key) == std::string(value));
    require(pelomar::ini::writeValue(updated, name.section, name.key, value) == updated);
    for (size_t i = 0; i < std::size(kNames); ++i) {
        const Name& other = kNames[i];
        // Names that match each other (case aside) are the same entry.
        const std::string alone = "[" + std::string(other.section) + "]\n" + std::string(other.key) + "=1";
        if (pelomar::ini::readValue(alone, name.section, name.key)) continue;
        const auto after = pelomar::ini::readValue(updated, other.section, other.key);
        // A text that ends inside a double-byte character gives the line
        // break added after it its second byte: the one change allowed.
        const bool leadAtEnd = before[i] && text.ends_with(*before[i]) && after == *before[i] + "\r";
        require(after == before[i] || leadAtEnd);
    }

    // The eleven options written into the text read back as they were.
    pelomar::ContextMenu menu;
    for (const pelomar::OptionInfo& o : pelomar::optionTable())
        menu.setOption(o.option, (marks >> ((static_cast<int>(o.option) + 1) % 8)) & 1);
    const std::string saved = pelomar::settingsText(menu, text);
    for (const pelomar::OptionInfo& item : pelomar::optionTable())
        require(pelomar::ini::readValue(saved, pelomar::text::kSettingsSection, item.key) ==
                std::string(menu.option(item.option) ? pelomar::text::kValueTrue : pelomar::text::kValueFalse));
    return 0;
}
