// The end of the program with a sound device that never gives its blocks
// back: the process still ends, with exit code 0.
#include <doctest/doctest.h>

#include <windows.h>

#include <optional>

#include "app/program_end_win32.h"
#include "child_case_win32.h"
#include "media/sound_test_support.h"

using namespace pelomar;
using namespace pelomar::test;

// Run in a process of its own by the next test case.
TEST_CASE("end child: the process ends while the device keeps its blocks" * doctest::skip()) {
    FakeDevice device;
    device.ignoreBreakOffs = true;
    FakeClock clock;  // stands still: the worker never stops waiting for its blocks
    TestThreads threads;
    SoundPlayer player(device, clock, threads);
    REQUIRE(player.playSymbol(2));
    REQUIRE(device.waitFor([](const FakeDevice& d) { return d.streamCount() == 1 && !d.streamAt(0).blocks.empty(); }));
    endProcess(player, 0);
}

TEST_CASE("the end does not wait on a sound device that keeps its blocks, and exits with 0") {
    CHECK(pelomar::testing::runChildCase(L"end child: *") == std::optional<DWORD>(0));
}
