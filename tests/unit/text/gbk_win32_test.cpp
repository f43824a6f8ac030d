// The program's GBK texts as Windows gets them.
#include <doctest/doctest.h>

#include <windows.h>

#include "settings/context_menu.h"
#include "text/gbk_win32.h"

using namespace pelomar;

TEST_CASE("texts are converted from code page 936 whatever the system's code page is") {
    MESSAGE("system ANSI code page: " << GetACP());
    CHECK(gbkToWide("\xD2\xFE\xB2\xD8") == L"\u9690\u85CF");  // 隐藏
    CHECK(wideToGbk(L"\u9690\u85CF") == "\xD2\xFE\xB2\xD8");
    CHECK(gbkToWide(kMenuTopCaption) == L"\u6587\u4EF6");   // 文件
    for (const MenuRow& row : menuRows()) CHECK(wideToGbk(gbkToWide(captionOf(row))) == captionOf(row));
    CHECK(gbkToWide("").empty());
    // A character outside GBK cannot round-trip, but must not vanish silently into nothing.
    CHECK_FALSE(wideToGbk(L"\u0127").empty());
}
