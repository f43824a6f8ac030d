// The options menu: 21 rows under a hidden top item, with captions (GBK
// bytes), separators and check marks. The check marks are the options'
// live values; nothing else holds them while the program runs.
#pragma once

#include <array>
#include <string_view>

namespace pelomar {

enum class MenuAction {
    None,          // separators and the cancel row
    ToggleOption,  // the eleven option rows
    Help,
    About,
    Exit,
};

struct MenuRow {
    std::string_view caption;  // GBK; "-" is a separator
    MenuAction action;
    int option;                // 1..11 for option rows, 0 otherwise
    bool initiallyChecked;
};

inline constexpr int kMenuRowCount = 21;
inline constexpr int kOptionCount = 11;

// The hidden top item the rows hang under: "文件".
inline constexpr std::string_view kMenuTopCaption = "\xCE\xC4\xBC\xFE";

const std::array<MenuRow, kMenuRowCount>& menuRows();

bool isSeparator(const MenuRow& row);

// The menu row (1..21) of option n (1..11), or 0.
int rowOfOption(int option);

// Command identifiers carried by the pop-up's items map back to rows.
inline constexpr int kFirstMenuCommand = 1000;
int commandForRow(int row);
// The row (1..21) a command identifier stands for, or 0.
int rowForCommand(int command);

class ContextMenu {
public:
    ContextMenu();  // rows carry their design-time marks
    bool isChecked(int row) const;
    void setChecked(int row, bool checked);
    // The value of option n (1..11): the mark of its row.
    bool option(int n) const { return isChecked(rowOfOption(n)); }
    void setOption(int n, bool on) { setChecked(rowOfOption(n), on); }

private:
    std::array<bool, kMenuRowCount> checked_{};
};

}  // namespace pelomar
