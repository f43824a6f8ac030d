#include "settings/options.h"

#include "text/texts.h"

namespace pelomar {
namespace {

constexpr std::array<OptionInfo, kOptionCount> kOptions = {{
    {Option::HoverSound, text::kOptionHoverSound, text::kOptionHoverSound, SystemEffect::None},
    {Option::HoverSoundCtrlQuiet, text::kOptionHoverSoundCtrlQuiet, text::kMenuCtrlQuiet, SystemEffect::None},
    {Option::HoverCard, text::kOptionHoverCard, text::kOptionHoverCard, SystemEffect::None},
    {Option::HoverCardCtrlQuiet, text::kOptionHoverCardCtrlQuiet, text::kMenuCtrlQuiet, SystemEffect::None},
    {Option::ClickSound, text::kOptionClickSound, text::kOptionClickSound, SystemEffect::None},
    {Option::ClickSoundCtrlQuiet, text::kOptionClickSoundCtrlQuiet, text::kMenuCtrlQuiet, SystemEffect::None},
    {Option::ClickCard, text::kOptionClickCard, text::kOptionClickCard, SystemEffect::None},
    {Option::ClickCardCtrlQuiet, text::kOptionClickCardCtrlQuiet, text::kMenuCtrlQuiet, SystemEffect::None},
    {Option::KeepInFront, text::kOptionKeepInFront, text::kOptionKeepInFront, SystemEffect::AlwaysOnTop},
    {Option::EscCloses, text::kOptionEscCloses, text::kOptionEscCloses, SystemEffect::EscCloses},
    {Option::StartWithSystem, text::kOptionStartWithSystem, text::kOptionStartWithSystem, SystemEffect::Autostart},
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
