// The program's colours as Windows COLORREF values.
#pragma once

#include <windows.h>

#include "ui/highlight.h"

namespace pelomar {

inline COLORREF toColorRef(Colour c) { return RGB(c.r, c.g, c.b); }

}  // namespace pelomar
