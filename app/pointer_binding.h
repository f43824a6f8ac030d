// How the chart panel's pointer events reach the pointer handling: each with
// the check marks of the options its kind reads, at the moment of the event.
// A move reads the hover options, a press the click options; a release reads
// none and is handled with no keys.
#pragma once

#include "settings/context_menu.h"
#include "ui/pointer_tracker.h"

namespace pelomar {

struct PointerBinding {
    int keys;
    PointerOptions options;
};

PointerBinding bindPointerEvent(PointerEventKind kind, int keys, const ContextMenu& menu);

}  // namespace pelomar
