#include <doctest/doctest.h>

#include <set>
#include <string>
#include <vector>

#include "gbk_text.h"
#include "settings/popup_menu.h"

using namespace pelomar;

namespace {

const char* const kCaptions[kMenuRowCount] = {
    "移过时发音", " Ctrl键时忽略", "-", "移过时弹出", " Ctrl键时忽略", "-", "点击时发音",
    " Ctrl键时忽略", "-", "点击时弹出", " Ctrl键时忽略", "-", "保持前端", "Esc键退出",
    "随系统启动", "-", "听音练习", "帮助", "关于", "-", "取消菜单", "退出",
};

std::vector<bool> checkedRows(const ContextMenu& menu) {
    std::vector<bool> out;
    for (const PopupItem& item : popupItems(menu)) out.push_back(item.checked);
    return out;
}

}  // namespace

TEST_CASE("the pop-up shows the 22 rows in order, each with a command that leads back to it") {
    const auto items = popupItems(ContextMenu{});
    std::set<int> commands;
    for (int row = 1; row <= kMenuRowCount; ++row) {
        CAPTURE(row);
        const PopupItem& item = items[row - 1];
        const bool separator = std::string(kCaptions[row - 1]) == "-";
        CHECK(item.separator == separator);
        if (separator) {
            CHECK(item.caption.empty());
        } else {
            CHECK(gbkToUtf8(item.caption) == kCaptions[row - 1]);
        }
        CHECK(rowForCommand(item.command) == row);
        commands.insert(item.command);
    }
    CHECK(commands.size() == kMenuRowCount);
    // Identifiers outside the rows (a WM_COMMAND from elsewhere) lead nowhere.
    CHECK(rowForCommand(commandForRow(0)) == 0);
    CHECK(rowForCommand(commandForRow(kMenuRowCount + 1)) == 0);
    CHECK(rowForCommand(0) == 0);
}

TEST_CASE("the marks are the options' live values, read afresh at every pop-up") {
    ContextMenu menu;
    // Design-time marks: the fifteen rows down to 随系统启动, less the separators.
    std::vector<bool> expected(kMenuRowCount, false);
    for (int row : {1, 2, 4, 5, 7, 8, 10, 11, 13, 14, 15}) expected[row - 1] = true;
    CHECK(checkedRows(menu) == expected);

    // Toggling one option changes its own row only; the four identical
    // " Ctrl键时忽略" rows each belong to the option above them.
    for (const OptionInfo& info : optionTable()) {
        const Option option = info.option;
        CAPTURE(static_cast<int>(option));
        menu.setOption(option, !menu.option(option));
        std::vector<bool> now = expected;
        now[rowOfOption(option) - 1] = !now[rowOfOption(option) - 1];
        CHECK(checkedRows(menu) == now);
        menu.setOption(option, !menu.option(option));
    }
    CHECK(rowOfOption(Option::HoverSoundCtrlQuiet) == 2);
    CHECK(rowOfOption(Option::HoverCardCtrlQuiet) == 5);
    CHECK(rowOfOption(Option::ClickSoundCtrlQuiet) == 8);
    CHECK(rowOfOption(Option::ClickCardCtrlQuiet) == 11);

    for (const OptionInfo& info : optionTable()) menu.setOption(info.option, false);
    CHECK(checkedRows(menu) == std::vector<bool>(kMenuRowCount, false));
}

TEST_CASE("a greyed row shows no mark, and its option keeps its value") {
    ContextMenu menu;
    const int row = rowOfOption(Option::StartWithSystem);
    menu.setEnabled(row, false);
    const auto items = popupItems(menu);
    for (int r = 1; r <= kMenuRowCount; ++r) {
        CAPTURE(r);
        CHECK(items[r - 1].greyed == (r == row));
    }
    CHECK_FALSE(items[row - 1].checked);
    CHECK(items[row - 2].checked);  // Esc键退出, above it, as it was
    CHECK(menu.option(Option::StartWithSystem));
    menu.setOption(Option::StartWithSystem, false);  // loading still sets the value
    CHECK_FALSE(menu.option(Option::StartWithSystem));
    CHECK_FALSE(popupItems(menu)[row - 1].checked);
    menu.setEnabled(row, true);
    menu.setOption(Option::StartWithSystem, true);
    CHECK(popupItems(menu)[row - 1].checked);
    CHECK_FALSE(popupItems(menu)[row - 1].greyed);
}
