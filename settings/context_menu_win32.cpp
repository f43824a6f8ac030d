#include "settings/context_menu_win32.h"

#include <string>
#include <utility>

#include "settings/popup_menu.h"
#include "text/gbk_win32.h"

namespace pelomar {

PopupMenu::~PopupMenu() {
    if (menu_) DestroyMenu(menu_);
}

PopupMenu::PopupMenu(PopupMenu&& other) noexcept : menu_(std::exchange(other.menu_, nullptr)) {}

PopupMenu& PopupMenu::operator=(PopupMenu&& other) noexcept {
    std::swap(menu_, other.menu_);
    return *this;
}

PopupMenu buildPopupMenu(const ContextMenu& menu) {
    PopupMenu popup(CreatePopupMenu());
    if (!popup.get()) return popup;
    for (const PopupItem& item : popupItems(menu)) {
        const UINT_PTR id = static_cast<UINT_PTR>(item.command);
        if (item.separator) {
            AppendMenuW(popup.get(), MF_SEPARATOR, id, nullptr);
            continue;
        }
        const std::wstring caption = gbkToWide(item.caption);
        AppendMenuW(popup.get(), MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED) | (item.greyed ? MF_GRAYED : 0),
                    id, caption.c_str());
    }
    return popup;
}

void showContextMenu(HWND owner, const ContextMenu& menu) {
    POINT pointer{};
    GetCursorPos(&pointer);
    showContextMenuAt(owner, menu, popupOrigin({pointer.x, pointer.y}));
}

void showContextMenuAt(HWND owner, const ContextMenu& menu, ScreenPoint at) {
    const PopupMenu popup = buildPopupMenu(menu);
    if (!popup.get()) return;
    // A menu whose owner is not the foreground window does not close when
    // the user clicks elsewhere (the case from the tray icon, and always
    // while the window is hidden); the message posted afterwards lets the
    // next pop-up stay open. Both are the documented remedy.
    SetForegroundWindow(owner);
    TrackPopupMenu(popup.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
}

}  // namespace pelomar
