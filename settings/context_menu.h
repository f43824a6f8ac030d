// The options menu: 22 rows, the eleven options with their check marks,
// separators, the listening practice, help, about, cancel and exit. The check marks are the options'
// live values; nothing else holds them while the program runs.
#pragma once

#include <array>
#include <string_view>

#include "settings/options.h"

namespace pelomar {

enum class MenuAction {
    Separator,
    ToggleOption,  // the eleven option rows
    Practice,      // opens the listening practice
    Help,
    About,
    Cancel,  // only closes the menu
    Exit,
};

struct MenuRow {
    MenuAction action;
    Option option;             // of the option rows
    std::string_view caption;  // of the other rows, GBK; option rows take theirs from the option table
};

inline constexpr int kMenuRowCount = 22;

const std::array<MenuRow, kMenuRowCount>& menuRows();

// What the row shows: its option's caption, its own, or "-" for a separator.
std::string_view captionOf(const MenuRow& row);

// The menu row (1..22) of an option.
int rowOfOption(Option option);

// Command identifiers carried by the pop-up's items map back to rows.
inline constexpr int kFirstMenuCommand = 1000;
int commandForRow(int row);
// The row (1..22) a command identifier stands for, or 0.
int rowForCommand(int command);

class ContextMenu {
public:
    ContextMenu();  // the design-time marks: every option on
    bool isChecked(int row) const;
    void setChecked(int row, bool checked);
    // A greyed row cannot be chosen and shows no mark; its option keeps its
    // value all the same.
    bool isEnabled(int row) const;
    void setEnabled(int row, bool enabled);
    // An option's value: the mark of its row.
    bool option(Option option) const { return isChecked(rowOfOption(option)); }
    void setOption(Option option, bool on) { setChecked(rowOfOption(option), on); }

private:
    std::array<bool, kMenuRowCount> checked_{};
    std::array<bool, kMenuRowCount> greyed_{};
};

}  // namespace pelomar
