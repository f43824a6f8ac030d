// What the options pop-up shows: one item per menu row, in order, built
// afresh from the live check marks every time the menu pops up.
#pragma once

#include <array>
#include <string_view>

#include "settings/context_menu.h"

namespace pelomar {

struct PopupItem {
    std::string_view caption;  // GBK; empty for a separator
    bool separator;
    bool checked;
    bool greyed;
    int command;  // maps back to the row through rowForCommand
};

std::array<PopupItem, kMenuRowCount> popupItems(const ContextMenu& menu);

// The menu's top-left corner: 3 pixels right of and below the pointer.
struct ScreenPoint {
    int x;
    int y;
};
inline constexpr int kPopupOffset = 3;
inline ScreenPoint popupOrigin(ScreenPoint pointer) { return {pointer.x + kPopupOffset, pointer.y + kPopupOffset}; }

}  // namespace pelomar
