#include <doctest/doctest.h>

#include "media/capture_test_support.h"
#include "practice/compare_picture.h"
#include "practice/practice_view.h"

using namespace pelomar;
using namespace pelomar::test;

namespace {

constexpr Colour kInk{0, 0, 200}, kPale{150, 150, 255}, kPaperWhite{255, 255, 255};
constexpr int kWidth = 300, kHeight = 30;

SoundPicture pictureOf(const Samples& s) { return measureSound(s, kCaptureRate); }

// The last column with ink on the envelope's baseline: where the sound ends.
int inkedUpTo(const std::vector<std::uint32_t>& env) {
    int last = -1;
    for (int x = 0; x < kWidth; ++x)
        if (env[static_cast<std::size_t>(kHeight - 1) * kWidth + x] == pixelOf(kInk)) last = x;
    return last;
}
int firstInked(const std::vector<std::uint32_t>& env) {
    for (int x = 0; x < kWidth; ++x)
        if (env[static_cast<std::size_t>(kHeight - 1) * kWidth + x] == pixelOf(kInk)) return x;
    return -1;
}

}  // namespace

TEST_CASE("on one axis a short sound and a long one start together and end as far apart as they last") {
    const SoundPicture shortOne = pictureOf(joined({silence(50), tone(120, 300, -20), silence(300)}));
    const SoundPicture longOne = pictureOf(joined({silence(600), tone(320, 300, -20), silence(100)}));
    const TimeAxis axis = sharedAxis(shortOne, longOne);
    CHECK(axis.frames == kLeadFrames + 32 + kTailFrames);
    const auto a = envelopePixels(shortOne, axis, kWidth, kHeight, kInk, kPale, kPaperWhite);
    const auto b = envelopePixels(longOne, axis, kWidth, kHeight, kInk, kPale, kPaperWhite);
    // Both onsets at the same column, however far into its recording each began.
    CHECK(firstInked(a) == firstInked(b));
    CHECK(firstInked(a) == columnOf(axis, kLeadFrames, kWidth));
    // Their ends as far apart as 200 ms is on this axis.
    const double perFrame = static_cast<double>(kWidth) / axis.frames;
    CHECK(inkedUpTo(b) - inkedUpTo(a) == doctest::Approx(20 * perFrame).epsilon(0.1));
    // The short one began 50 ms into its recording: the axis's first 50 ms
    // hold no sound of it, only paper.
    CHECK(a[static_cast<std::size_t>(kHeight - 1) * kWidth] == pixelOf(kPaperWhite));
    CHECK(b[static_cast<std::size_t>(kHeight - 1) * kWidth] == pixelOf(kPale));
    // The loudest column is filled to the top.
    CHECK(b[static_cast<std::size_t>(firstInked(b) + 5)] == pixelOf(kInk));
}

TEST_CASE("the bands: voicing at the bottom rows, friction at the top") {
    const SoundPicture p = pictureOf(joined({tone(200, 190, -20), noise(200, -20, kCaptureRate, true)}));
    const TimeAxis axis{static_cast<int>(p.bands.size()) + kLeadFrames};
    const auto pixels = bandPixels(p, axis, kWidth, kInk, kPaperWhite);
    REQUIRE(pixels.size() == static_cast<std::size_t>(kWidth) * kBands);
    const auto darkness = [&](int x, int row) { return 255 - ((pixels[static_cast<std::size_t>(row) * kWidth + x] >> 16) & 0xFF); };
    const int voiced = columnOf(axis, kLeadFrames + 10, kWidth);
    const int hissed = columnOf(axis, kLeadFrames + 30, kWidth);
    CHECK(darkness(voiced, kBands - 2) > darkness(voiced, 2) + 100);  // the 125-250 Hz row against one near 5.4 kHz
    CHECK(darkness(hissed, 2) > darkness(hissed, kBands - 2) + 60);
}

TEST_CASE("durations and the level meter as the learner reads them") {
    CHECK(secondsText(420) == L"0.42");
    CHECK(secondsText(1005) == L"1.01");
    CHECK(secondsText(60) == L"0.06");
    CHECK(secondsText(0) == L"0.00");
    CHECK(meterWidth(-90.0f, 100) == 0);
    CHECK(meterWidth(-30.0f, 100) == 50);
    CHECK(meterWidth(3.0f, 100) == 100);
}
