// The keyboard's input method switched off for one window, so that digits,
// the space bar and letters reach it as keys even while a Chinese input
// method is on. IMM32 is loaded from the system folder when first wanted
// and never imported: like WINMM, a DLL of its name beside the program
// would otherwise be loaded in its place.
#pragma once

#include <windows.h>

namespace pelomar {

// True when the window no longer has an input context; false when IMM32
// or its functions cannot be had (the keys then go through as ever).
bool switchOffInputMethod(HWND window);

}  // namespace pelomar
