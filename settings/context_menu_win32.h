// Win32 adapter for the options pop-up. Supports: building the pop-up menu
// from the rows with their live marks, and tracking it at the pointer, owned
// by the main window. The chosen item reaches the owner as WM_COMMAND.
#pragma once

#include <windows.h>

#include "settings/context_menu.h"
#include "settings/popup_menu.h"

namespace pelomar {

// Owns a pop-up menu handle.
class PopupMenu {
public:
    PopupMenu() = default;
    explicit PopupMenu(HMENU menu) : menu_(menu) {}
    ~PopupMenu();
    PopupMenu(PopupMenu&& other) noexcept;
    PopupMenu& operator=(PopupMenu&& other) noexcept;
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    HMENU get() const { return menu_; }

private:
    HMENU menu_ = nullptr;
};

// The 22 rows in order: captions converted from GBK, separators, MF_CHECKED
// from the marks, each row's command identifier.
PopupMenu buildPopupMenu(const ContextMenu& menu);

// Pops the menu up 3 pixels right of and below the pointer with
// TPM_RIGHTBUTTON, and returns when it closes.
void showContextMenu(HWND owner, const ContextMenu& menu);
// The same with the menu's top-left corner at `at` (screen coordinates).
void showContextMenuAt(HWND owner, const ContextMenu& menu, ScreenPoint at);

}  // namespace pelomar
