// The eleven options, by name. Their order is the order of the options menu,
// and the order in which they are read, applied and written in the settings
// file. One table gives each its INI key, its menu caption and what it acts
// on; the menu, the settings file, the pointer handling and the program's
// actions all read it. While the program runs an option's value is the check
// mark of its menu row (see ContextMenu).
#pragma once

#include <array>
#include <string_view>

namespace pelomar {

enum class Option {
    HoverSound,           // 移过时发音: a symbol sounds when the pointer moves onto it
    HoverSoundCtrlQuiet,  // Ctrl键时忽略_移音: ...but not while Ctrl alone is held
    HoverCard,            // 移过时弹出: its card pops up when the pointer moves onto it
    HoverCardCtrlQuiet,   // Ctrl键时忽略_移弹
    ClickSound,           // 点击时发音: a symbol sounds when it is clicked
    ClickSoundCtrlQuiet,  // Ctrl键时忽略_点音
    ClickCard,            // 点击时弹出: its card pops up when it is clicked
    ClickCardCtrlQuiet,   // Ctrl键时忽略_点弹
    KeepInFront,          // 保持前端: the main window stays above other windows
    EscCloses,            // Esc键退出: Esc closes the main window, which ends the program
    StartWithSystem,      // 随系统启动: started hidden when the user logs on
};

inline constexpr int kOptionCount = 11;

// What an option acts on as soon as its value is known (read from the
// settings file or toggled in the menu). The others are read at each
// pointer event.
enum class SystemEffect {
    None,
    AlwaysOnTop,  // the main window's place above other windows
    EscCloses,    // whether Esc closes the main window
    Autostart,    // the start-up entry in the registry
};

struct OptionInfo {
    Option option;
    std::string_view key;      // in the settings file; GBK
    std::string_view caption;  // in the menu; GBK. The four Ctrl rows share " Ctrl键时忽略".
    SystemEffect effect;
};

// Every option, in menu order; the position is the enum's value.
const std::array<OptionInfo, kOptionCount>& optionTable();
const OptionInfo& optionInfo(Option option);

}  // namespace pelomar
