// The options pop-up built with the real menu functions and read back.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "settings/context_menu_win32.h"

using namespace pelomar;

namespace {

const wchar_t* const kCaptions[kMenuRowCount] = {
    L"\u79FB\u8FC7\u65F6\u53D1\u97F3",  // 移过时发音
    L" Ctrl\u952E\u65F6\u5FFD\u7565",   //  Ctrl键时忽略
    nullptr,
    L"\u79FB\u8FC7\u65F6\u5F39\u51FA",  // 移过时弹出
    L" Ctrl\u952E\u65F6\u5FFD\u7565",
    nullptr,
    L"\u70B9\u51FB\u65F6\u53D1\u97F3",  // 点击时发音
    L" Ctrl\u952E\u65F6\u5FFD\u7565",
    nullptr,
    L"\u70B9\u51FB\u65F6\u5F39\u51FA",  // 点击时弹出
    L" Ctrl\u952E\u65F6\u5FFD\u7565",
    nullptr,
    L"\u4FDD\u6301\u524D\u7AEF",        // 保持前端
    L"Esc\u952E\u9000\u51FA",           // Esc键退出
    L"\u968F\u7CFB\u7EDF\u542F\u52A8",  // 随系统启动
    nullptr,
    L"\u542C\u97F3\u7EC3\u4E60",        // 听音练习
    L"\u5E2E\u52A9",                    // 帮助
    L"\u5173\u4E8E",                    // 关于
    nullptr,
    L"\u53D6\u6D88\u83DC\u5355",        // 取消菜单
    L"\u9000\u51FA",                    // 退出
};

struct Item {
    UINT type = 0;
    UINT state = 0;
    UINT id = 0;
    std::wstring text;
};

Item readItem(HMENU menu, int position) {
    wchar_t buffer[64] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = buffer;
    info.cch = 64;
    Item item;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return item;
    item.type = info.fType;
    item.state = info.fState;
    item.id = info.wID;
    item.text = buffer;
    return item;
}

}  // namespace

TEST_CASE("the pop-up menu: 22 items with captions, separators, marks and commands") {
    ContextMenu marks;
    marks.setOption(Option::HoverSoundCtrlQuiet, false);  // the " Ctrl键时忽略" under 移过时发音
    marks.setOption(Option::StartWithSystem, false);
    const PopupMenu popup = buildPopupMenu(marks);
    REQUIRE(popup.get() != nullptr);
    CHECK(IsMenu(popup.get()));
    REQUIRE(GetMenuItemCount(popup.get()) == kMenuRowCount);
    for (int row = 1; row <= kMenuRowCount; ++row) {
        CAPTURE(row);
        const Item item = readItem(popup.get(), row - 1);
        CHECK(item.id == static_cast<UINT>(commandForRow(row)));
        if (!kCaptions[row - 1]) {
            CHECK((item.type & MFT_SEPARATOR) != 0);
            continue;
        }
        CHECK((item.type & MFT_SEPARATOR) == 0);
        CHECK(item.text == kCaptions[row - 1]);
        CHECK((item.state & MFS_DISABLED) == 0);
        const bool checked = (GetMenuState(popup.get(), static_cast<UINT>(row - 1), MF_BYPOSITION) & MF_CHECKED) != 0;
        CHECK(checked == marks.isChecked(row));
    }
    CHECK((GetMenuState(popup.get(), 1, MF_BYPOSITION) & MF_CHECKED) == 0);
    CHECK((GetMenuState(popup.get(), 14, MF_BYPOSITION) & MF_CHECKED) == 0);
    CHECK((GetMenuState(popup.get(), 0, MF_BYPOSITION) & MF_CHECKED) != 0);

    // Built afresh, a later pop-up shows the marks as they are then.
    marks.setOption(Option::HoverSoundCtrlQuiet, true);
    const PopupMenu again = buildPopupMenu(marks);
    CHECK((GetMenuState(again.get(), 1, MF_BYPOSITION) & MF_CHECKED) != 0);
    CHECK((GetMenuState(popup.get(), 1, MF_BYPOSITION) & MF_CHECKED) == 0);
}

TEST_CASE("a greyed row is a greyed item without its mark") {
    ContextMenu marks;
    const int row = rowOfOption(Option::StartWithSystem);
    marks.setEnabled(row, false);
    const PopupMenu popup = buildPopupMenu(marks);
    for (int r = 1; r <= kMenuRowCount; ++r) {
        CAPTURE(r);
        if (!kCaptions[r - 1]) continue;  // separators are never enabled
        const UINT state = GetMenuState(popup.get(), static_cast<UINT>(r - 1), MF_BYPOSITION);
        CHECK(((state & MF_GRAYED) != 0) == (r == row));
    }
    CHECK((GetMenuState(popup.get(), static_cast<UINT>(row - 1), MF_BYPOSITION) & MF_CHECKED) == 0);
    CHECK(marks.option(Option::StartWithSystem));
}

TEST_CASE("pop-up menus are destroyed with their owners, moved or not") {
    HMENU first = nullptr;
    HMENU second = nullptr;
    {
        PopupMenu a = buildPopupMenu(ContextMenu{});
        PopupMenu b = buildPopupMenu(ContextMenu{});
        first = a.get();
        second = b.get();
        CHECK((IsMenu(first) && IsMenu(second)));
        b = std::move(a);
        CHECK(b.get() == first);
    }
    CHECK_FALSE(IsMenu(first));
    CHECK_FALSE(IsMenu(second));
}
