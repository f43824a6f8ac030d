#include "settings/options.h"

namespace pelomar {
namespace {

constexpr std::string_view kIgnoreWithCtrl = " Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4";  //  Ctrl键时忽略

constexpr std::array<OptionInfo, kOptionCount> kOptions = {{
    {Option::HoverSound, "\xD2\xC6\xB9\xFD\xCA\xB1\xB7\xA2\xD2\xF4",  // 移过时发音
     "\xD2\xC6\xB9\xFD\xCA\xB1\xB7\xA2\xD2\xF4", false},
    {Option::HoverSoundCtrlQuiet, "Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4_\xD2\xC6\xD2\xF4", kIgnoreWithCtrl,  // _移音
     false},
    {Option::HoverCard, "\xD2\xC6\xB9\xFD\xCA\xB1\xB5\xAF\xB3\xF6",  // 移过时弹出
     "\xD2\xC6\xB9\xFD\xCA\xB1\xB5\xAF\xB3\xF6", false},
    {Option::HoverCardCtrlQuiet, "Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4_\xD2\xC6\xB5\xAF", kIgnoreWithCtrl,  // _移弹
     false},
    {Option::ClickSound, "\xB5\xE3\xBB\xF7\xCA\xB1\xB7\xA2\xD2\xF4",  // 点击时发音
     "\xB5\xE3\xBB\xF7\xCA\xB1\xB7\xA2\xD2\xF4", false},
    {Option::ClickSoundCtrlQuiet, "Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4_\xB5\xE3\xD2\xF4", kIgnoreWithCtrl,  // _点音
     false},
    {Option::ClickCard, "\xB5\xE3\xBB\xF7\xCA\xB1\xB5\xAF\xB3\xF6",  // 点击时弹出
     "\xB5\xE3\xBB\xF7\xCA\xB1\xB5\xAF\xB3\xF6", false},
    {Option::ClickCardCtrlQuiet, "Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4_\xB5\xE3\xB5\xAF", kIgnoreWithCtrl,  // _点弹
     false},
    {Option::KeepInFront, "\xB1\xA3\xB3\xD6\xC7\xB0\xB6\xCB", "\xB1\xA3\xB3\xD6\xC7\xB0\xB6\xCB", true},  // 保持前端
    {Option::EscCloses, "Esc\xBC\xFC\xCD\xCB\xB3\xF6", "Esc\xBC\xFC\xCD\xCB\xB3\xF6", true},                // Esc键退出
    {Option::StartWithSystem, "\xCB\xE6\xCF\xB5\xCD\xB3\xC6\xF4\xB6\xAF",  // 随系统启动
     "\xCB\xE6\xCF\xB5\xCD\xB3\xC6\xF4\xB6\xAF", true},
}};

constexpr bool inEnumOrder() {
    for (int i = 0; i < kOptionCount; ++i)
        if (static_cast<int>(kOptions[i].option) != i) return false;
    return true;
}
static_assert(inEnumOrder(), "the table lists the options in the enum's order");

}  // namespace

const std::array<OptionInfo, kOptionCount>& optionTable() { return kOptions; }

const OptionInfo& optionInfo(Option option) { return kOptions[static_cast<int>(option)]; }

}  // namespace pelomar
