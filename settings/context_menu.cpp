#include "settings/context_menu.h"

namespace pelomar {
namespace {

constexpr std::string_view kIgnoreWithCtrl = " Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4";  //  Ctrl键时忽略

constexpr std::array<MenuRow, kMenuRowCount> kRows = {{
    {"\xD2\xC6\xB9\xFD\xCA\xB1\xB7\xA2\xD2\xF4", MenuAction::ToggleOption, 1, true},   // 移过时发音
    {kIgnoreWithCtrl, MenuAction::ToggleOption, 2, true},
    {"-", MenuAction::None, 0, false},
    {"\xD2\xC6\xB9\xFD\xCA\xB1\xB5\xAF\xB3\xF6", MenuAction::ToggleOption, 3, true},   // 移过时弹出
    {kIgnoreWithCtrl, MenuAction::ToggleOption, 4, true},
    {"-", MenuAction::None, 0, false},
    {"\xB5\xE3\xBB\xF7\xCA\xB1\xB7\xA2\xD2\xF4", MenuAction::ToggleOption, 5, true},   // 点击时发音
    {kIgnoreWithCtrl, MenuAction::ToggleOption, 6, true},
    {"-", MenuAction::None, 0, false},
    {"\xB5\xE3\xBB\xF7\xCA\xB1\xB5\xAF\xB3\xF6", MenuAction::ToggleOption, 7, true},   // 点击时弹出
    {kIgnoreWithCtrl, MenuAction::ToggleOption, 8, true},
    {"-", MenuAction::None, 0, false},
    {"\xB1\xA3\xB3\xD6\xC7\xB0\xB6\xCB", MenuAction::ToggleOption, 9, true},           // 保持前端
    {"Esc\xBC\xFC\xCD\xCB\xB3\xF6", MenuAction::ToggleOption, 10, true},               // Esc键退出
    {"\xCB\xE6\xCF\xB5\xCD\xB3\xC6\xF4\xB6\xAF", MenuAction::ToggleOption, 11, true},  // 随系统启动
    {"-", MenuAction::None, 0, false},
    {"\xB0\xEF\xD6\xFA", MenuAction::Help, 0, false},                                  // 帮助
    {"\xB9\xD8\xD3\xDA", MenuAction::About, 0, false},                                 // 关于
    {"-", MenuAction::None, 0, false},
    {"\xC8\xA1\xCF\xFB\xB2\xCB\xB5\xA5", MenuAction::None, 0, false},                  // 取消菜单
    {"\xCD\xCB\xB3\xF6", MenuAction::Exit, 0, false},                                  // 退出
}};

}  // namespace

const std::array<MenuRow, kMenuRowCount>& menuRows() { return kRows; }

bool isSeparator(const MenuRow& row) { return row.caption == "-"; }

int rowOfOption(int option) {
    for (int i = 0; i < kMenuRowCount; ++i)
        if (kRows[i].option == option && option != 0) return i + 1;
    return 0;
}

int commandForRow(int row) { return kFirstMenuCommand + row; }

int rowForCommand(int command) {
    const int row = command - kFirstMenuCommand;
    return row >= 1 && row <= kMenuRowCount ? row : 0;
}

ContextMenu::ContextMenu() {
    for (int i = 0; i < kMenuRowCount; ++i) checked_[i] = kRows[i].initiallyChecked;
}

bool ContextMenu::isChecked(int row) const {
    return row >= 1 && row <= kMenuRowCount && checked_[row - 1];
}

void ContextMenu::setChecked(int row, bool checked) {
    if (row >= 1 && row <= kMenuRowCount) checked_[row - 1] = checked;
}

}  // namespace pelomar
