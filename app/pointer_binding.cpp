#include "app/pointer_binding.h"

namespace pelomar {

PointerBinding bindPointerEvent(PointerEventKind kind, int keys, const ContextMenu& menu) {
    switch (kind) {
    case PointerEventKind::Move:
        return {keys,
                {menu.option(Option::HoverSound), menu.option(Option::HoverCard),
                 menu.option(Option::HoverSoundCtrlQuiet), menu.option(Option::HoverCardCtrlQuiet)}};
    case PointerEventKind::Press:
        return {keys,
                {menu.option(Option::ClickSound), menu.option(Option::ClickCard),
                 menu.option(Option::ClickSoundCtrlQuiet), menu.option(Option::ClickCardCtrlQuiet)}};
    case PointerEventKind::Release:
        break;
    }
    return {0, {}};
}

}  // namespace pelomar
