#include <doctest/doctest.h>

#include <condition_variable>
#include <mutex>

#include "media/capture_test_support.h"
#include "media/sound_recorder.h"

using namespace pelomar;
using namespace pelomar::test;

namespace {

struct Rig {
    FakeMicrophone mic;
    FakeClock clock;
    TestThreads threads;
    SoundRecorder recorder{mic, clock, threads};
    std::mutex mutex;
    std::condition_variable changed;
    int changes = 0;

    Rig() {
        recorder.setOnChange([this] {
            std::lock_guard lock(mutex);
            ++changes;
            changed.notify_all();
        });
    }

    // Until the recorder says it records, with every block on the device.
    bool waitForRecording() {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, kPatience, [this] { return recorder.state().phase == RecordingPhase::Recording; }) &&
               mic.waitFor([](const FakeMicrophone& m) { return m.current()->onDevice.size() == kCaptureBlocks; });
    }
    bool waitForTaken(std::size_t blocks) {
        return mic.waitFor([&](const FakeMicrophone& m) { return m.current()->taken.size() >= blocks; });
    }
    bool waitForEnd() { return recorder.waitForIdle(kPatience); }
};

// Every block the stream was given came back and was taken before it closed,
// and no device call was made with the take's lock held.
void checkReleased(const CaptureLog& log) {
    CHECK(log.closed);
    CHECK(log.faults == 0);
    CHECK(log.onDeviceAtClose == 0);
    CHECK(log.lockedCalls == 0);
    CHECK(log.taken.size() == log.queued.size());
}

const Samples kRoom = noise(300, -60);

}  // namespace

TEST_CASE("a take records what the microphone delivers, and ends 600 ms after the speech") {
    Rig rig;
    CHECK(rig.mic.opens() == 0);  // the microphone stays closed until a take begins
    CHECK(rig.recorder.state().phase == RecordingPhase::Idle);
    REQUIRE(rig.recorder.record());
    REQUIRE(rig.waitForRecording());
    CHECK(rig.mic.rate() == kCaptureRate);
    CHECK(rig.recorder.state().phase == RecordingPhase::Recording);

    const Samples said = joined({kRoom, tone(500, 180, -18), noise(2000, -60)});
    rig.mic.deliver(said);
    REQUIRE(rig.waitForEnd());
    const std::size_t kept = samplesFor(300 + 500 + kSpeechEndMs, kCaptureRate);
    CHECK(rig.recorder.state().phase == RecordingPhase::Recorded);
    const Recording recording = rig.recorder.takeRecording();
    CHECK(recording.samples == Samples(said.begin(), said.begin() + static_cast<std::ptrdiff_t>(kept)));
    CHECK(recording.picture.durationMs() == doctest::Approx(500).epsilon(0.04));  // measured on the worker
    CHECK(rig.recorder.takeRecording().samples.empty());  // handed over once

    const CaptureLog log = rig.mic.log();
    checkReleased(log);
    CHECK(log.stops == 1);
    // The ring's slots went back in the order they came, round and round.
    for (std::size_t i = 0; i < log.queued.size(); ++i) CHECK(log.queued[i] == static_cast<int>(i % kCaptureBlocks));
    CHECK(rig.changes >= 2);  // recording, then recorded
}

TEST_CASE("a take that hears no speech, or no microphone, or a busy one, ends with that and nothing to compare") {
    Rig rig;
    SUBCASE("3 seconds of the room") {
        REQUIRE(rig.recorder.record());
        REQUIRE(rig.waitForRecording());
        rig.mic.deliver(noise(3500, -50));
        REQUIRE(rig.waitForEnd());
        CHECK(rig.recorder.state().phase == RecordingPhase::Silent);
        checkReleased(rig.mic.log());
    }
    SUBCASE("a microphone that stops delivering") {
        REQUIRE(rig.recorder.record());
        REQUIRE(rig.waitForRecording());
        rig.mic.deliver(kRoom);
        // Once it has taken them, the take waits for more until the stall limit.
        REQUIRE(rig.waitForTaken((kRoom.size() + kCaptureBlockSamples - 1) / kCaptureBlockSamples));
        REQUIRE(rig.clock.waitForDeadline(kCaptureStallMs));
        rig.clock.advance(kCaptureStallMs);
        REQUIRE(rig.waitForEnd());
        CHECK(rig.recorder.state().phase == RecordingPhase::Silent);
        checkReleased(rig.mic.log());
    }
    SUBCASE("no input device") {
        rig.mic.opening = CaptureOpening::NoDevice;
        REQUIRE(rig.recorder.record());
        REQUIRE(rig.waitForEnd());
        CHECK(rig.recorder.state().phase == RecordingPhase::NoDevice);
    }
    SUBCASE("busy, or the format refused") {
        rig.mic.opening = CaptureOpening::Refused;
        REQUIRE(rig.recorder.record());
        REQUIRE(rig.waitForEnd());
        CHECK(rig.recorder.state().phase == RecordingPhase::Refused);
    }
    SUBCASE("a device that takes no block, or will not start") {
        SUBCASE("blocks") { rig.mic.refuseBlocks = true; }
        SUBCASE("start") { rig.mic.refuseStart = true; }
        REQUIRE(rig.recorder.record());
        REQUIRE(rig.waitForEnd());
        CHECK(rig.recorder.state().phase == RecordingPhase::Refused);
        checkReleased(rig.mic.log());
    }
    CHECK(rig.recorder.takeRecording().samples.empty());
}

TEST_CASE("the learner can end a take early, or drop it; one take at a time") {
    Rig rig;
    REQUIRE(rig.recorder.record());
    REQUIRE(rig.waitForRecording());
    CHECK_FALSE(rig.recorder.record());  // still recording
    const Samples said = joined({kRoom, tone(400, 180, -18)});
    rig.mic.deliver(said);
    REQUIRE(rig.waitForTaken((said.size() + kCaptureBlockSamples - 1) / kCaptureBlockSamples));
    SUBCASE("finished: what was heard is kept") {
        rig.recorder.finish();
        REQUIRE(rig.waitForEnd());
        CHECK(rig.recorder.state().phase == RecordingPhase::Recorded);
        const Samples recording = rig.recorder.takeRecording().samples;
        REQUIRE(recording.size() >= said.size());
        CHECK(Samples(recording.begin(), recording.begin() + static_cast<std::ptrdiff_t>(said.size())) == said);
    }
    SUBCASE("cancelled: nothing is kept") {
        rig.recorder.cancel();
        REQUIRE(rig.waitForEnd());
        CHECK(rig.recorder.state().phase == RecordingPhase::Cancelled);
        CHECK(rig.recorder.takeRecording().samples.empty());
    }
    checkReleased(rig.mic.log());
    // The next take opens the microphone again.
    REQUIRE(rig.recorder.record());
    REQUIRE(rig.waitForRecording());
    CHECK(rig.mic.opens() == 2);
    rig.recorder.cancel();
    REQUIRE(rig.waitForEnd());
}

TEST_CASE("a microphone that keeps its blocks after a stop does not hold the recorder") {
    Rig rig;
    rig.mic.ignoreStops = true;
    REQUIRE(rig.recorder.record());
    REQUIRE(rig.waitForRecording());
    rig.recorder.cancel();
    REQUIRE(rig.clock.waitForDeadline(kSilenceLimitMs));
    rig.clock.advance(kSilenceLimitMs);
    REQUIRE(rig.waitForEnd());
    CHECK(rig.recorder.state().phase == RecordingPhase::Cancelled);
    // The blocks still out were never taken, and the stream never closed:
    // the device may still write into them.
    const CaptureLog log = rig.mic.log();
    CHECK(log.taken.empty());
    CHECK_FALSE(log.closed);
    rig.mic.ignoreStops = false;
    CHECK(rig.recorder.record());
    rig.recorder.cancel();
    CHECK(rig.waitForEnd());
}
