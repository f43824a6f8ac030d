#include "settings/context_menu.h"

#include "text/texts.h"

namespace pelomar {
namespace {

constexpr MenuRow option(Option o) { return {MenuAction::ToggleOption, o, {}}; }
constexpr MenuRow kSeparator{MenuAction::Separator, Option::HoverSound, "-"};

constexpr std::array<MenuRow, kMenuRowCount> kRows = {{
    option(Option::HoverSound),
    option(Option::HoverSoundCtrlQuiet),
    kSeparator,
    option(Option::HoverCard),
    option(Option::HoverCardCtrlQuiet),
    kSeparator,
    option(Option::ClickSound),
    option(Option::ClickSoundCtrlQuiet),
    kSeparator,
    option(Option::ClickCard),
    option(Option::ClickCardCtrlQuiet),
    kSeparator,
    option(Option::KeepInFront),
    option(Option::EscCloses),
    option(Option::StartWithSystem),
    kSeparator,
    {MenuAction::Practice, Option::HoverSound, text::kMenuPractice},
    {MenuAction::Help, Option::HoverSound, text::kMenuHelp},
    {MenuAction::About, Option::HoverSound, text::kMenuAbout},
    kSeparator,
    {MenuAction::Cancel, Option::HoverSound, text::kMenuCancel},
    {MenuAction::Exit, Option::HoverSound, text::kMenuExit},
}};

// Each option has one row, in the options' own order.
constexpr bool everyOptionOnce() {
    int next = 0;
    for (const MenuRow& row : kRows)
        if (row.action == MenuAction::ToggleOption && static_cast<int>(row.option) != next++) return false;
    return next == kOptionCount;
}
static_assert(everyOptionOnce(), "the option rows are the eleven options in order");

}  // namespace

const std::array<MenuRow, kMenuRowCount>& menuRows() { return kRows; }

std::string_view captionOf(const MenuRow& row) {
    return row.action == MenuAction::ToggleOption ? optionInfo(row.option).caption : row.caption;
}

int rowOfOption(Option option) {
    for (int i = 0; i < kMenuRowCount; ++i)
        if (kRows[i].action == MenuAction::ToggleOption && kRows[i].option == option) return i + 1;
    return 0;
}

int commandForRow(int row) { return kFirstMenuCommand + row; }

int rowForCommand(int command) {
    const int row = command - kFirstMenuCommand;
    return row >= 1 && row <= kMenuRowCount ? row : 0;
}

ContextMenu::ContextMenu() {
    for (int i = 0; i < kMenuRowCount; ++i) checked_[i] = kRows[i].action == MenuAction::ToggleOption;
}

bool ContextMenu::isChecked(int row) const { return row >= 1 && row <= kMenuRowCount && checked_[row - 1]; }

void ContextMenu::setChecked(int row, bool checked) {
    if (row >= 1 && row <= kMenuRowCount) checked_[row - 1] = checked;
}

bool ContextMenu::isEnabled(int row) const { return row >= 1 && row <= kMenuRowCount && !greyed_[row - 1]; }

void ContextMenu::setEnabled(int row, bool enabled) {
    if (row >= 1 && row <= kMenuRowCount) greyed_[row - 1] = !enabled;
}

}  // namespace pelomar
