#include <doctest/doctest.h>

#include <initializer_list>

#include "ui/main_window_rules.h"

using namespace pelomar;

TEST_CASE("Esc closes the main window only unmodified, as a key-down, while the option is on") {
    CHECK(escapeClosesMainWindow(true, kMsgKeyDown, kVirtualKeyEscape, 0, true));
    CHECK(escapeClosesMainWindow(true, kMsgSysKeyDown, kVirtualKeyEscape, 0, true));
    CHECK_FALSE(escapeClosesMainWindow(false, kMsgKeyDown, kVirtualKeyEscape, 0, true));
    CHECK_FALSE(escapeClosesMainWindow(true, kMsgKeyDown, kVirtualKeyEscape, 0, false));
    CHECK_FALSE(escapeClosesMainWindow(true, 0x0101 /* key-up */, kVirtualKeyEscape, 0, true));
    CHECK_FALSE(escapeClosesMainWindow(true, 0x0102 /* char */, kVirtualKeyEscape, 0, true));
    CHECK_FALSE(escapeClosesMainWindow(true, kMsgKeyDown, 13, 0, true));
    for (int keys : {kKeyCtrl, kKeyShift, kKeyAlt, kKeyCtrl | kKeyShift})
        CHECK_FALSE(escapeClosesMainWindow(true, kMsgKeyDown, kVirtualKeyEscape, keys, true));
}

TEST_CASE("the frame is fitted around a 530 x 459 chart") {
    // Usual metrics: the design size already fits.
    CHECK(fittedOuterSize(536, 530, 530) == 536);
    CHECK(fittedOuterSize(488, 459, 459) == 488);
    // Wine's metrics: a 536 x 488 window has a 530 x 463 client area.
    CHECK(fittedOuterSize(488, 463, 459) == 484);
    // Large borders and captions grow the window.
    CHECK(fittedOuterSize(536, 520, 530) == 546);
}

TEST_CASE("centring uses integer division and may go negative on a small screen") {
    CHECK(centredOrigin(1024, 536) == 244);
    CHECK(centredOrigin(768, 488) == 140);
    CHECK(centredOrigin(1025, 536) == 244);
    CHECK(centredOrigin(400, 488) == -44);
}
