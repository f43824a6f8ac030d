#include "practice/compare_picture.h"

#include <algorithm>

namespace pelomar {
namespace {

std::uint32_t mixed(Colour from, Colour to, int amount /* 0..255 */) {
    const auto part = [amount](unsigned a, unsigned b) { return (a * (255 - amount) + b * amount + 127) / 255; };
    return (part(from.r, to.r) << 16) | (part(from.g, to.g) << 8) | part(from.b, to.b);
}

}  // namespace

std::uint32_t pixelOf(Colour c) { return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b; }

TimeAxis sharedAxis(const SoundPicture& a, const SoundPicture& b) {
    return {kLeadFrames + std::max(a.sounding.frames(), b.sounding.frames()) + kTailFrames};
}

Columns columnFrames(const TimeAxis& axis, int x, int width) {
    const int from = static_cast<int>(std::int64_t{x} * axis.frames / width);
    const int to = static_cast<int>(std::int64_t{x + 1} * axis.frames / width);
    return {from, std::max(to, from + 1)};
}

int columnOf(const TimeAxis& axis, int frame, int width) {
    if (axis.frames <= 0) return 0;
    return static_cast<int>((std::int64_t{frame} * width + axis.frames - 1) / axis.frames);
}

std::vector<std::uint32_t> envelopePixels(const SoundPicture& p, const TimeAxis& axis, int width, int height,
                                          Colour ink, Colour pale, Colour background) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, pixelOf(background));
    if (width <= 0 || height <= 0 || axis.frames <= 0) return pixels;
    const int start = axis.startOf(p);
    const int frames = static_cast<int>(p.loudness.size());
    const auto put = [&](int x, int y, Colour c) { pixels[static_cast<std::size_t>(y) * width + x] = pixelOf(c); };
    for (int x = 0; x < width; ++x) {
        const Columns c = columnFrames(axis, x, width);
        int loudest = -1;
        bool sounding = false;
        for (int f = start + c.from; f < start + c.to; ++f) {
            if (f < 0 || f >= frames) continue;
            loudest = std::max(loudest, int{p.loudness[f]});
            sounding = sounding || (f >= p.sounding.first && f < p.sounding.end);
        }
        if (loudest < 0) continue;
        const int top = height - (loudest * height + 254) / 255;
        for (int y = std::max(top, 0); y < height; ++y) put(x, y, sounding ? ink : pale);
        // The baseline: where the sound is, even where it is quiet.
        put(x, height - 1, sounding ? ink : pale);
    }
    if (!p.sounding.empty()) {
        const int end = std::min(columnOf(axis, p.sounding.end - start, width), width - 1);
        for (int y = 0; y < height; ++y) put(end, y, ink);
    }
    return pixels;
}

std::vector<std::uint32_t> bandPixels(const SoundPicture& p, const TimeAxis& axis, int width, Colour ink,
                                      Colour background) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * kBands, pixelOf(background));
    if (width <= 0 || axis.frames <= 0) return pixels;
    const int start = axis.startOf(p);
    const int frames = static_cast<int>(p.bands.size());
    for (int x = 0; x < width; ++x) {
        const Columns c = columnFrames(axis, x, width);
        for (int b = 0; b < kBands; ++b) {
            int loudest = -1;
            for (int f = start + c.from; f < start + c.to; ++f)
                if (f >= 0 && f < frames) loudest = std::max(loudest, int{p.bands[f][b]});
            if (loudest < 0) continue;
            pixels[static_cast<std::size_t>(kBands - 1 - b) * width + x] = mixed(background, ink, loudest);
        }
    }
    return pixels;
}

}  // namespace pelomar
