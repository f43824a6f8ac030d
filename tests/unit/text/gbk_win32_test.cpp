// The program's GBK texts as Windows gets them.
#include <doctest/doctest.h>

#include <windows.h>

#include "text/gbk_win32.h"
#include "text/texts.h"

using namespace pelomar;

TEST_CASE("texts are converted from code page 936 whatever the system's code page is") {
    MESSAGE("system ANSI code page: " << GetACP());
    CHECK(gbkToWide("\xD2\xFE\xB2\xD8") == L"\u9690\u85CF");  // 隐藏
    CHECK(wideToGbk(L"\u9690\u85CF") == "\xD2\xFE\xB2\xD8");
    CHECK(gbkToWide("").empty());
    // A character outside GBK cannot round-trip, but must not vanish silently into nothing.
    CHECK_FALSE(wideToGbk(L"\u0127").empty());
}

TEST_CASE("every text of the table reads on Windows as the table wrote it") {
    // The build writes each text's GBK bytes with Python's codec and its wide
    // form from the table itself: the platform's code page 936 must agree.
    for (const text::Entry& entry : text::kAll) {
        CAPTURE(entry.name);
        CHECK(gbkToWide(entry.gbk) == entry.wide);
        CHECK(wideToGbk(entry.wide) == entry.gbk);
    }
}
