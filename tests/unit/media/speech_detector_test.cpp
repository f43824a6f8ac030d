#include <doctest/doctest.h>

#include "media/capture_test_support.h"
#include "media/speech_detector.h"

using namespace pelomar;
using namespace pelomar::test;

namespace {

// Feeds in 40 ms blocks, as the microphone delivers them; the time fed when
// the detector ended the recording, or -1.
int feedUntilEnd(SpeechDetector& d, const Samples& s) {
    const std::size_t block = samplesFor(40, kCaptureRate);
    for (std::size_t at = 0; at < s.size(); at += block) {
        d.feed(std::span(s).subspan(at, std::min(block, s.size() - at)));
        if (d.finished()) return static_cast<int>((at + block) * 1000 / kCaptureRate);
    }
    return -1;
}

}  // namespace

TEST_CASE("a recording ends 600 ms after the speech stops, and keeps exactly that much") {
    const Samples room = noise(250, -60);
    SUBCASE("a word") {
        SpeechDetector d(kCaptureRate);
        const int endedAt = feedUntilEnd(d, joined({room, tone(400, 200, -20), noise(2000, -60)}));
        CHECK(d.speechHeard());
        CHECK(d.keptSamples() == samplesFor(250 + 400 + kSpeechEndMs, kCaptureRate));
        CHECK(endedAt >= 1250);
        CHECK(endedAt < 1250 + 40);
    }
    SUBCASE("a pause inside the speech does not end it") {
        SpeechDetector d(kCaptureRate);
        feedUntilEnd(d, joined({room, tone(200, 200, -20), noise(450, -60), tone(200, 200, -20), noise(2000, -60)}));
        CHECK(d.keptSamples() == samplesFor(250 + 200 + 450 + 200 + kSpeechEndMs, kCaptureRate));
    }
    SUBCASE("speech that goes on stops at 3 seconds") {
        SpeechDetector d(kCaptureRate);
        feedUntilEnd(d, joined({room, tone(4000, 200, -20)}));
        CHECK(d.finished());
        CHECK(d.keptSamples() == samplesFor(kRecordingLimitMs, kCaptureRate));
    }
    SUBCASE("the same however the samples are cut into blocks") {
        const Samples s = joined({room, tone(333, 200, -20), noise(1000, -60)});
        SpeechDetector whole(kCaptureRate), single(kCaptureRate);
        whole.feed(s);
        for (const std::int16_t v : s) single.feed(std::span(&v, 1));
        CHECK(whole.keptSamples() == single.keptSamples());
        CHECK(whole.finished());
    }
}

TEST_CASE("no speech: a room's hum, a key's click, a silent microphone") {
    SUBCASE("hum, then the 3 seconds are up") {
        SpeechDetector d(kCaptureRate);
        feedUntilEnd(d, noise(3500, -45));
        CHECK(d.finished());
        CHECK_FALSE(d.speechHeard());
        CHECK(d.keptSamples() == samplesFor(kRecordingLimitMs, kCaptureRate));
    }
    SUBCASE("a click of 20 ms") {
        SpeechDetector d(kCaptureRate);
        feedUntilEnd(d, joined({noise(300, -60), tone(20, 2000, -10), noise(3000, -60)}));
        CHECK_FALSE(d.speechHeard());
    }
    SUBCASE("zeros, as a microphone the system keeps closed gives, then faint noise") {
        SpeechDetector d(kCaptureRate);
        feedUntilEnd(d, joined({silence(1000), noise(2500, -70)}));
        CHECK_FALSE(d.speechHeard());
    }
    SUBCASE("speech quieter than -55 dB") {
        SpeechDetector d(kCaptureRate);
        feedUntilEnd(d, joined({noise(300, -80), tone(500, 200, -58), noise(3000, -80)}));
        CHECK_FALSE(d.speechHeard());
    }
}

TEST_CASE("the meter shows the loudest frame of the last block") {
    SpeechDetector d(kCaptureRate);
    d.feed(noise(40, -60));
    CHECK(d.level() == doctest::Approx(-60).epsilon(0.05));
    d.feed(tone(40, 200, -20));
    CHECK(d.level() == doctest::Approx(-20).epsilon(0.05));
    CHECK(d.heardMs() == 80);
    d.feed(silence(5));
    CHECK(d.level() == -90.0f);  // no whole frame in it
}
