// The sleeps of the press animation and of a group reading's wait steps.
#include <doctest/doctest.h>

#include <windows.h>

#include "ui/message_pump_win32.h"

using namespace pelomar;

TEST_CASE("ten 10 ms sleeps last about 100 ms, not ten timer ticks of 15.6 ms") {
    LARGE_INTEGER frequency, start, end;
    sleepPrecisely(1);  // the first call loads the timer functions
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < 10; ++i) sleepPrecisely(10);
    QueryPerformanceCounter(&end);
    const double ms = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    MESSAGE("ten sleeps took ", ms, " ms");
    CHECK(ms >= 99.0);
    CHECK(ms < 140.0);
}
