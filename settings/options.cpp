#include "settings/options.h"

#include "text/texts.h"

namespace pelomar {
namespace {

constexpr std::array<OptionInfo, kOptionCount> kOptions = {{
    {Option::HoverSound, text::kOptionHoverSound, text::kOptionHoverSound, false},
    {Option::HoverSoundCtrlQuiet, text::kOptionHoverSoundCtrlQuiet, text::kMenuCtrlQuiet, false},
    {Option::HoverCard, text::kOptionHoverCard, text::kOptionHoverCard, false},
    {Option::HoverCardCtrlQuiet, text::kOptionHoverCardCtrlQuiet, text::kMenuCtrlQuiet, false},
    {Option::ClickSound, text::kOptionClickSound, text::kOptionClickSound, false},
    {Option::ClickSoundCtrlQuiet, text::kOptionClickSoundCtrlQuiet, text::kMenuCtrlQuiet, false},
    {Option::ClickCard, text::kOptionClickCard, text::kOptionClickCard, false},
    {Option::ClickCardCtrlQuiet, text::kOptionClickCardCtrlQuiet, text::kMenuCtrlQuiet, false},
    {Option::KeepInFront, text::kOptionKeepInFront, text::kOptionKeepInFront, true},
    {Option::EscCloses, text::kOptionEscCloses, text::kOptionEscCloses, true},
    {Option::StartWithSystem, text::kOptionStartWithSystem, text::kOptionStartWithSystem, true},
}};

constexpr bool inEnumOrder() {
    for (int i = 0; i < kOptionCount; ++i)
        if (static_cast<int>(kOptions[i].option) != i) return false;
    return true;
}
static_assert(inEnumOrder(), "the table lists the options in the enum's order");

}  // namespace

const std::array<OptionInfo, kOptionCount>& optionTable() { return kOptions; }

const OptionInfo& optionInfo(Option option) { return kOptions[static_cast<int>(option)]; }

}  // namespace pelomar
