#include <doctest/doctest.h>

#include <algorithm>
#include <numeric>

#include "media/assets.h"
#include "media/capture_test_support.h"
#include "media/sound_picture.h"

using namespace pelomar;
using namespace pelomar::test;

namespace {

int durationOf(const Samples& s, int rate = kCaptureRate) { return measureSound(s, rate).durationMs(); }

double meanOf(const std::array<std::uint8_t, kBands>& frame, int from, int to) {
    return std::accumulate(frame.begin() + from, frame.begin() + to, 0.0) / (to - from);
}

int loudestBand(const std::array<std::uint8_t, kBands>& frame) {
    return static_cast<int>(std::max_element(frame.begin(), frame.end()) - frame.begin());
}

PcmSound symbolSound(int n) {
    const AssetView image = soundFor(n);
    const auto wav = walkWavChunks(image.data, image.size);
    REQUIRE(wav);
    const auto pcm = decodePcm(*wav);
    REQUIRE(pcm);
    return *pcm;
}

}  // namespace

TEST_CASE("the duration is the stretch that sounds, whatever the room and the level") {
    const Samples room = noise(300, -62);
    SUBCASE("a short vowel against a long one") {
        CHECK(durationOf(joined({room, tone(120, 300, -20), room})) == doctest::Approx(120).epsilon(0.09));
        CHECK(durationOf(joined({room, tone(320, 300, -20), room})) == doctest::Approx(320).epsilon(0.04));
    }
    SUBCASE("a vowel added after a final consonant lengthens it") {
        const Samples word = joined({noise(100, -30, kCaptureRate, true), tone(200, 250, -18)});
        const int plain = durationOf(joined({room, word, room}));
        const int added = durationOf(joined({room, word, silence(60), tone(120, 250, -24), room}));
        CHECK(plain == doctest::Approx(300).epsilon(0.04));
        CHECK(added == doctest::Approx(480).epsilon(0.04));
    }
    SUBCASE("a quiet speaker in a noisy room") {
        CHECK(durationOf(joined({noise(400, -45), tone(250, 200, -29), noise(400, -45)})) ==
              doctest::Approx(250).epsilon(0.05));
    }
    SUBCASE("a key's click ahead of the speech is no part of it; a pause inside a word is") {
        CHECK(durationOf(joined({room, tone(20, 2000, -10), silence(150), tone(300, 300, -20), room})) ==
              doctest::Approx(300).epsilon(0.04));
        // The closure of a stop: 120 ms of nothing between two sounding parts.
        CHECK(durationOf(joined({room, tone(150, 300, -20), silence(120), tone(150, 300, -20), room})) ==
              doctest::Approx(420).epsilon(0.04));
    }
    SUBCASE("of two words apart, the louder one") {
        const SoundPicture p = measureSound(joined({room, tone(150, 300, -35), silence(500), tone(260, 300, -15), room}), kCaptureRate);
        CHECK(p.durationMs() == doctest::Approx(260).epsilon(0.05));
        CHECK(p.sounding.first * kFrameMs == doctest::Approx(300 + 150 + 500).epsilon(0.02));
    }
    SUBCASE("nothing sounds in digital silence") {
        CHECK(durationOf(silence(800)) == 0);
        CHECK(measureSound(silence(800), kCaptureRate).loudness == std::vector<std::uint8_t>(80, 0));
    }
}

TEST_CASE("the loudness follows each sound's own peak over 40 dB") {
    const SoundPicture p =
        measureSound(joined({silence(100), tone(100, 400, -10), tone(100, 400, -30), tone(100, 400, -60)}), kCaptureRate);
    REQUIRE(p.loudness.size() == 40);
    CHECK(p.loudness[15] == 255);
    CHECK(p.loudness[25] == doctest::Approx(127).epsilon(0.03));  // 20 dB down: half way
    CHECK(p.loudness[35] == 0);                                   // 50 dB down: below the picture
    CHECK(p.loudness[5] == 0);
    // A recording at a quarter of the level looks the same.
    const SoundPicture quiet =
        measureSound(joined({silence(100), tone(100, 400, -22), tone(100, 400, -42), tone(100, 400, -72)}), kCaptureRate);
    CHECK(quiet.loudness[15] == 255);
    CHECK(quiet.loudness[25] == doctest::Approx(127).epsilon(0.03));
}

TEST_CASE("the bands show a tone at its height, voicing at the bottom and friction at the top, at either rate") {
    for (const int rate : {11025, 22050}) {
        CAPTURE(rate);
        const SoundPicture p = measureSound(joined({tone(200, 1060, -20, rate), tone(200, 190, -20, rate),
                                                    noise(200, -20, rate, true), silence(100, rate)}),
                                            rate);
        REQUIRE(p.bands.size() == 70);
        CHECK(loudestBand(p.bands[10]) == 8);  // 1060 Hz, in the band from 1000 to 1125
        CHECK(loudestBand(p.bands[30]) == 1);  // 190 Hz
        const auto& buzz = p.bands[30];
        const auto& hiss = p.bands[50];
        CHECK(meanOf(buzz, 0, 4) > meanOf(buzz, 32, kBands) + 100);
        CHECK(meanOf(hiss, 32, kBands) > meanOf(hiss, 0, 4) + 60);
        CHECK(*std::max_element(p.bands[65].begin(), p.bands[65].end()) == 0);
    }
}

TEST_CASE("samples of both widths decode to the 16-bit scale; other formats are refused") {
    const Bytes eight{0, 128, 255};
    const Bytes sixteen{0x00, 0x80, 0xFF, 0x7F, 0x01, 0x00};
    Bytes format8 = pcmFormat(11025, 8), format16 = pcmFormat(22050, 16);
    auto decoded8 = decodePcm({format8, eight});
    auto decoded16 = decodePcm({format16, sixteen});
    REQUIRE(decoded8);
    REQUIRE(decoded16);
    CHECK(decoded8->rate == 11025);
    CHECK(decoded8->samples == Samples{-32768, 0, 32512});
    CHECK(decoded16->samples == Samples{-32768, 32767, 1});
    Bytes stereo = format16;
    stereo[2] = 2;
    Bytes adpcm = format16;
    adpcm[0] = 2;
    CHECK_FALSE(decodePcm({stereo, sixteen}));
    CHECK_FALSE(decodePcm({adpcm, sixteen}));
    CHECK_FALSE(decodePcm({Bytes(format16.begin(), format16.begin() + 14), sixteen}));
}

TEST_CASE("one repetition is cut from a symbol's sound") {
    SUBCASE("made to measure: the first of three, with a little air around it") {
        const Samples three = joined({silence(50), tone(200, 300, -12), silence(400), tone(200, 300, -12),
                                      silence(400), tone(200, 300, -12), silence(50)});
        const SampleSpan cut = firstRepetition(three, kCaptureRate);
        CHECK(cut.begin == samplesFor(30, kCaptureRate));
        CHECK(cut.end == samplesFor(290, kCaptureRate));
    }
    SUBCASE("the embedded sounds") {
        // Symbol 2 says its sound three times, 29 twice, 5 once, for 640 ms
        // (each measured apart from this code, from the sounds' loudness).
        const auto cutMs = [](int n) {
            const PcmSound s = symbolSound(n);
            const SampleSpan cut = firstRepetition(s.samples, s.rate);
            return measureSound(std::span(s.samples).subspan(cut.begin, cut.size()), s.rate).durationMs();
        };
        CHECK(cutMs(2) == doctest::Approx(150).epsilon(0.25));
        CHECK(cutMs(29) == doctest::Approx(450).epsilon(0.15));
        CHECK(cutMs(5) == doctest::Approx(640).epsilon(0.05));
        for (int n = 1; n <= 48; ++n) {
            CAPTURE(n);
            const PcmSound s = symbolSound(n);
            const SampleSpan cut = firstRepetition(s.samples, s.rate);
            REQUIRE(cut.size() > 0);
            // Never a piece of the next repetition.
            CHECK(soundingStretches(frameLevels(std::span(s.samples).subspan(cut.begin, cut.size()), s.rate)).size() == 1);
        }
    }
}

TEST_CASE("what is played back of a recording: its speech with some air, or all of it") {
    const Samples take = joined({silence(600), tone(300, 300, -20), silence(700)});
    const SoundPicture p = measureSound(take, kCaptureRate);
    const SampleSpan part = playedPart(take, kCaptureRate, p.sounding);
    CHECK(part.begin == samplesFor(500, kCaptureRate));
    CHECK(part.end == samplesFor(1050, kCaptureRate));
    CHECK(playedPart(silence(500), kCaptureRate, {}).size() == samplesFor(500, kCaptureRate));
}
