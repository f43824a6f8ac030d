#include "settings/popup_menu.h"

namespace pelomar {

std::array<PopupItem, kMenuRowCount> popupItems(const ContextMenu& menu) {
    std::array<PopupItem, kMenuRowCount> items{};
    for (int row = 1; row <= kMenuRowCount; ++row) {
        const MenuRow& source = menuRows()[row - 1];
        const bool separator = source.action == MenuAction::Separator;
        const bool greyed = !separator && !menu.isEnabled(row);
        items[row - 1] = PopupItem{separator ? std::string_view{} : captionOf(source), separator,
                                   !separator && !greyed && menu.isChecked(row), greyed, commandForRow(row)};
    }
    return items;
}

}  // namespace pelomar
