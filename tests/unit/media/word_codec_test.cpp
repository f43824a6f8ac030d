// The words' decoder: 4-bit ADPCM as the generator codes it, and the
// resampling from the stored 16000 Hz to the played 22050 Hz.
#include <doctest/doctest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "media/adpcm.h"
#include "media/resample.h"

using namespace pelomar;

namespace {

using Bytes = std::vector<unsigned char>;
using Samples = std::vector<std::int16_t>;

constexpr double kPi = 3.14159265358979323846;

Samples tone(double hz, int rate, std::size_t count, double amplitude) {
    Samples s(count);
    for (std::size_t i = 0; i < count; ++i) s[i] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * kPi * hz * i / rate)));
    return s;
}

// Amplitude of the `hz` component of s[from, to) at `rate`.
double amplitudeAt(const Samples& s, double hz, int rate, std::size_t from, std::size_t to) {
    double c = 0, q = 0;
    for (std::size_t i = from; i < to; ++i) {
        c += s[i] * std::cos(2 * kPi * hz * i / rate);
        q += s[i] * std::sin(2 * kPi * hz * i / rate);
    }
    return 2 * std::hypot(c, q) / static_cast<double>(to - from);
}

}  // namespace

TEST_CASE("ADPCM: a step byte, then one nibble a sample, the low one first") {
    // From step 7, nibble 7 adds 7 + 3 + 1 = 11 and moves to step 16, whose
    // nibble 7 adds 16 + 8 + 4 + 2 = 30; with bit 8 set they subtract.
    CHECK(decodeAdpcm(Bytes{0, 0x77}, 2) == Samples{11, 41});
    CHECK(decodeAdpcm(Bytes{0, 0x70}, 2) == Samples{0, 11});
    CHECK(decodeAdpcm(Bytes{0, 0xFF}, 2) == Samples{-11, -41});
    // The start step comes from the first byte: index 8 is step 16.
    CHECK(decodeAdpcm(Bytes{8, 0x07}, 1) == Samples{30});
    // Two 7s have moved to step 34; an odd count leaves the last high nibble unused.
    CHECK(decodeAdpcm(Bytes{0, 0x77, 0x07}, 3) == Samples{11, 41, 41 + 4 + 34 + 17 + 8});
}

TEST_CASE("ADPCM: silence at the smallest step stays exactly zero") {
    const Samples s = decodeAdpcm(Bytes(101, 0), 200);
    REQUIRE(s.size() == 200);
    for (std::int16_t v : s) CHECK(v == 0);
}

TEST_CASE("ADPCM: the predictor saturates at full scale instead of wrapping") {
    Bytes up(1 + 100, 0x77), down(1 + 100, 0xFF);
    up[0] = down[0] = 0;
    const Samples high = decodeAdpcm(up, 200), low = decodeAdpcm(down, 200);
    REQUIRE(high.size() == 200);
    REQUIRE(low.size() == 200);
    CHECK(high.back() == 32767);
    CHECK(low.back() == -32768);
    for (std::size_t i = 1; i < high.size(); ++i) {
        CHECK(high[i] >= high[i - 1]);
        CHECK(low[i] <= low[i - 1]);
    }
}

TEST_CASE("ADPCM: bytes that are not a coded sound give nothing") {
    CHECK(decodeAdpcm(Bytes{}, 0).empty());
    CHECK(decodeAdpcm(Bytes{89, 0}, 2).empty());    // no such step
    CHECK(decodeAdpcm(Bytes{255, 0}, 2).empty());
    CHECK(decodeAdpcm(Bytes{0, 0}, 3).empty());     // three samples need two bytes of nibbles
    CHECK(decodeAdpcm(Bytes{0}, 1).empty());
    CHECK(decodeAdpcm(Bytes{88, 0, 0}, 4).size() == 4);
    CHECK(decodeAdpcm(Bytes{0}, 0).empty());        // no samples asked for, none given
}

TEST_CASE("resampling to 22050 Hz: 441 samples for every 320") {
    CHECK(resampledLength(0) == 0);
    CHECK(resampledLength(1) == 2);
    CHECK(resampledLength(320) == 441);
    CHECK(resampledLength(16000) == 22050);
    CHECK(resampleTo22050(Samples(16000, 5)).size() == 22050);
    CHECK(resampleTo22050(Samples{}).empty());
}

TEST_CASE("resampling keeps silence exactly zero and a steady level unchanged") {
    for (std::int16_t v : resampleTo22050(Samples(3000, 0))) REQUIRE(v == 0);
    const Samples level = resampleTo22050(Samples(3000, -12345));
    for (std::size_t i = 40; i < level.size() - 40; ++i) REQUIRE(std::abs(level[i] + 12345) <= 1);
}

TEST_CASE("resampling passes speech frequencies at their pitch and level, and takes out the images") {
    const std::size_t n = 16000;
    for (double hz : {200.0, 1000.0, 3500.0, 6000.0, 7000.0}) {
        CAPTURE(hz);
        const Samples out = resampleTo22050(tone(hz, kStoredWordRate, n, 20000));
        const double kept = amplitudeAt(out, hz, kPlayedWordRate, 1000, out.size() - 1000);
        CHECK(kept == doctest::Approx(20000).epsilon(0.03));  // within 0.3 dB
        // The image of the tone mirrored about 8 kHz.
        CHECK(amplitudeAt(out, 16000 - hz, kPlayedWordRate, 1000, out.size() - 1000) < 20000 * 0.003);
        // And the output is that tone sampled at 22050 Hz: what is left is small.
        const Samples ideal = tone(hz, kPlayedWordRate, out.size(), kept);
        double error = 0, power = 0;
        for (std::size_t i = 1000; i < out.size() - 1000; ++i) {
            error += std::pow(out[i] - ideal[i], 2);
            power += std::pow(ideal[i], 2);
        }
        CHECK(10 * std::log10(power / error) > 40);
    }
    // The images of the stored sound's top, above 8 kHz, are gone (some 60 dB down).
    const Samples top = resampleTo22050(tone(7600, kStoredWordRate, n, 20000));
    CHECK(amplitudeAt(top, 8400, kPlayedWordRate, 1000, top.size() - 1000) < 20000 * 0.01);
}

TEST_CASE("resampling a full-scale step clips at the ends of the range instead of wrapping") {
    Samples step(2000, -32768);
    for (std::size_t i = 1000; i < step.size(); ++i) step[i] = 32767;
    const Samples out = resampleTo22050(step);
    const std::size_t edge = resampledLength(1000);
    for (std::size_t i = 40; i + 40 < edge; ++i) REQUIRE(out[i] < -32000);  // from silence before the first sample
    for (std::size_t i = edge + 40; i < out.size() - 40; ++i) REQUIRE(out[i] > 32000);
}
