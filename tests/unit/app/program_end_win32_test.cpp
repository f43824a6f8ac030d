// The end of the program with a sound device and a microphone that never
// give their blocks back: the process still ends, with exit code 0.
#include <doctest/doctest.h>

#include <windows.h>

#include <optional>

#include "app/program_end_win32.h"
#include "child_case_win32.h"
#include "media/capture_test_support.h"
#include "media/sound_test_support.h"

using namespace pelomar;
using namespace pelomar::test;

// Run in a process of its own by the next test case.
TEST_CASE("end child: the process ends while the devices keep their blocks" * doctest::skip()) {
    FakeDevice device;
    device.ignoreBreakOffs = true;
    FakeClock clock;  // stands still: the worker never stops waiting for its blocks
    TestThreads threads;
    SoundPlayer player(device, clock, threads);
    REQUIRE(player.playSymbol(2));
    REQUIRE(device.waitFor([](const FakeDevice& d) { return d.streamCount() == 1 && !d.streamAt(0).blocks.empty(); }));
    // A microphone that keeps its blocks too.
    FakeMicrophone microphone;
    microphone.ignoreStops = true;
    SoundRecorder recorder(microphone, clock, threads);
    REQUIRE(recorder.record());
    REQUIRE(microphone.waitFor([](const FakeMicrophone& m) { return m.current() && m.current()->started; }));
    endProcess(player, recorder, 0);
}

TEST_CASE("the end does not wait on sound devices that keep their blocks, and exits with 0") {
    CHECK(pelomar::testing::runChildCase(L"end child: *") == std::optional<DWORD>(0));
}
