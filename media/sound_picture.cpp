#include "media/sound_picture.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace pelomar {
namespace {

constexpr float kBelowPeakDb = 35.0f;
constexpr float kAboveNoiseDb = 12.0f;
// Quieter than this is taken for digital silence, not for the room's noise.
constexpr float kDigitalSilenceDb = -85.0f;
constexpr std::size_t kNoiseFrames = 100 / kFrameMs;
constexpr int kJoinGapFrames = 200 / kFrameMs;
constexpr int kClickFrames = 30 / kFrameMs;
constexpr int kClickGapFrames = 100 / kFrameMs;
// The spectrogram's window: about 23 ms, a whole power of two of samples.
constexpr int kWindowMs = 23;

std::size_t samplesIn(int ms, int rate) { return static_cast<std::size_t>(std::int64_t{ms} * rate / 1000); }

struct Runs {
    float threshold = 0;
    std::vector<FrameSpan> runs;  // frames at or above the threshold, without gaps
};

Runs loudRuns(std::span<const float> levels) {
    Runs r;
    if (levels.empty()) return r;
    const float peak = *std::max_element(levels.begin(), levels.end());
    if (peak <= kDigitalSilenceDb) return r;
    // The room's noise: the level that 100 ms of quiet frames in a row,
    // none of them digital silence, stay under. A sound's own quieter
    // frames seldom last that long; a sound without pauses has none.
    r.threshold = peak - kBelowPeakDb;
    const auto quiet = [&](float l) { return l > kDigitalSilenceDb && l <= peak - kAboveNoiseDb; };
    float noise = 0.0f;
    bool found = false;
    for (std::size_t i = 0; i + kNoiseFrames <= levels.size(); ++i) {
        const auto window = levels.subspan(i, kNoiseFrames);
        if (!std::all_of(window.begin(), window.end(), quiet)) continue;
        const float top = *std::max_element(window.begin(), window.end());
        noise = found ? std::min(noise, top) : top;
        found = true;
    }
    if (found) r.threshold = std::max(r.threshold, noise + kAboveNoiseDb);
    const int n = static_cast<int>(levels.size());
    for (int i = 0; i < n;) {
        if (levels[i] < r.threshold) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && levels[j] >= r.threshold) ++j;
        r.runs.push_back({i, j});
        i = j;
    }
    return r;
}

std::vector<FrameSpan> joined(const std::vector<FrameSpan>& runs) {
    std::vector<FrameSpan> out;
    for (const FrameSpan& run : runs) {
        if (!out.empty() && run.first - out.back().end < kJoinGapFrames)
            out.back().end = run.end;
        else
            out.push_back(run);
    }
    return out;
}

double energy(std::span<const float> levels, const FrameSpan& s) {
    double sum = 0;
    for (int i = s.first; i < s.end; ++i) sum += std::pow(10.0, levels[i] / 10.0);
    return sum;
}

void fft(std::vector<std::complex<float>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const float angle = -2.0f * std::numbers::pi_v<float> / static_cast<float>(len);
        const std::complex<float> step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<float> w(1.0f, 0.0f);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<float> u = a[i + k];
                const std::complex<float> v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

// Band energies in dB for every frame, before they are scaled.
std::vector<std::array<float, kBands>> bandLevels(std::span<const std::int16_t> samples, int rate, int frames) {
    std::size_t size = 16;
    while (size < samplesIn(kWindowMs, rate)) size <<= 1;
    std::vector<float> window(size);
    for (std::size_t i = 0; i < size; ++i)
        window[i] = 0.5f - 0.5f * std::cos(2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / static_cast<float>(size));
    // Which band each bin below 5.5 kHz falls in.
    std::vector<int> bandOf(size / 2, -1);
    for (std::size_t k = 0; k < size / 2; ++k) {
        const std::int64_t hz = static_cast<std::int64_t>(k) * rate / static_cast<std::int64_t>(size);
        if (hz < std::int64_t{kBands} * kBandHz) bandOf[k] = static_cast<int>(hz / kBandHz);
    }
    std::vector<std::array<float, kBands>> out(static_cast<std::size_t>(frames));
    std::vector<std::complex<float>> buffer(size);
    const std::int64_t count = static_cast<std::int64_t>(samples.size());
    for (int f = 0; f < frames; ++f) {
        const std::int64_t centre = static_cast<std::int64_t>((frameStart(f, rate) + frameStart(f + 1, rate)) / 2);
        const std::int64_t from = centre - static_cast<std::int64_t>(size / 2);
        for (std::size_t i = 0; i < size; ++i) {
            const std::int64_t at = from + static_cast<std::int64_t>(i);
            const float s = at >= 0 && at < count ? samples[static_cast<std::size_t>(at)] : 0.0f;
            buffer[i] = {s * window[i], 0.0f};
        }
        fft(buffer);
        std::array<double, kBands> power{};
        for (std::size_t k = 0; k < size / 2; ++k)
            if (bandOf[k] >= 0) power[bandOf[k]] += std::norm(buffer[k]);
        for (int b = 0; b < kBands; ++b) out[f][b] = static_cast<float>(10.0 * std::log10(power[b] + 1.0));
    }
    return out;
}

std::uint8_t scaled(float value, float top, float range) {
    const float x = (value - (top - range)) / range;
    return static_cast<std::uint8_t>(std::lround(std::clamp(x, 0.0f, 1.0f) * 255.0f));
}

SampleSpan widened(const FrameSpan& s, std::span<const std::int16_t> samples, int rate, int beforeMs, int afterMs) {
    const std::size_t before = samplesIn(beforeMs, rate);
    const std::size_t first = frameStart(s.first, rate);
    return {first > before ? first - before : 0,
            std::min(samples.size(), frameStart(s.end, rate) + samplesIn(afterMs, rate))};
}

}  // namespace

std::optional<PcmSound> decodePcm(const WavChunks& wav) {
    const auto& f = wav.format;
    if (f.size() < 16) return std::nullopt;
    const unsigned tag = f[0] | (f[1] << 8);
    const unsigned channels = f[2] | (f[3] << 8);
    const unsigned long rate = f[4] | (f[5] << 8) | (static_cast<unsigned long>(f[6]) << 16) |
                               (static_cast<unsigned long>(f[7]) << 24);
    const unsigned bits = f[14] | (f[15] << 8);
    if (tag != 1 || channels != 1 || rate == 0 || rate > 192000 || (bits != 8 && bits != 16)) return std::nullopt;
    PcmSound pcm;
    pcm.rate = static_cast<int>(rate);
    const auto& s = wav.samples;
    if (bits == 8) {
        pcm.samples.reserve(s.size());
        for (const unsigned char b : s) pcm.samples.push_back(static_cast<std::int16_t>((b - 128) * 256));
    } else {
        pcm.samples.reserve(s.size() / 2);
        for (std::size_t i = 0; i + 1 < s.size(); i += 2)
            pcm.samples.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(s[i] | (s[i + 1] << 8))));
    }
    return pcm;
}

std::size_t frameStart(int frame, int rate) {
    return static_cast<std::size_t>(std::int64_t{frame} * rate / (1000 / kFrameMs));
}

std::vector<float> frameLevels(std::span<const std::int16_t> samples, int rate) {
    std::vector<float> levels;
    if (rate <= 0) return levels;
    for (int f = 0; frameStart(f + 1, rate) <= samples.size(); ++f) {
        const std::size_t from = frameStart(f, rate), to = frameStart(f + 1, rate);
        double sum = 0;
        for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(samples[i]) * samples[i];
        const double mean = sum / static_cast<double>(to - from) / (32768.0 * 32768.0);
        levels.push_back(mean > 0 ? std::max(kSilentDb, static_cast<float>(10.0 * std::log10(mean))) : kSilentDb);
    }
    return levels;
}

std::vector<FrameSpan> soundingStretches(std::span<const float> levels) { return joined(loudRuns(levels).runs); }

FrameSpan mainStretch(std::span<const float> levels) {
    const Runs loud = loudRuns(levels);
    const std::vector<FrameSpan> stretches = joined(loud.runs);
    if (stretches.empty()) return {};
    FrameSpan best = stretches.front();
    for (const FrameSpan& s : stretches)
        if (energy(levels, s) > energy(levels, best)) best = s;
    // A click ahead of the speech (a key let go) is no part of it.
    for (std::size_t i = 0; i + 1 < loud.runs.size(); ++i) {
        const FrameSpan& run = loud.runs[i];
        if (run.first != best.first) continue;
        const FrameSpan& next = loud.runs[i + 1];
        if (next.end > best.end || run.frames() >= kClickFrames || next.first - run.end < kClickGapFrames) break;
        best.first = next.first;
    }
    return best;
}

SoundPicture measureSound(std::span<const std::int16_t> samples, int rate) {
    SoundPicture p;
    p.levels = frameLevels(samples, rate);
    p.sounding = mainStretch(p.levels);
    const int frames = static_cast<int>(p.levels.size());
    if (frames == 0) return p;
    const auto peakOf = [&](const FrameSpan& s) {
        return *std::max_element(p.levels.begin() + s.first, p.levels.begin() + s.end);
    };
    const float peak = p.sounding.empty() ? peakOf({0, frames}) : peakOf(p.sounding);
    p.loudness.reserve(p.levels.size());
    for (const float l : p.levels) p.loudness.push_back(l <= kSilentDb ? 0 : scaled(l, peak, kLoudnessRangeDb));
    const std::vector<std::array<float, kBands>> bands = bandLevels(samples, rate, frames);
    float top = 0.0f;
    for (const auto& frame : bands) top = std::max(top, *std::max_element(frame.begin(), frame.end()));
    p.bands.resize(bands.size());
    for (std::size_t f = 0; f < bands.size(); ++f)
        for (int b = 0; b < kBands; ++b) p.bands[f][b] = scaled(bands[f][b], top, kBandRangeDb);
    return p;
}

SampleSpan firstRepetition(std::span<const std::int16_t> samples, int rate) {
    const std::vector<float> levels = frameLevels(samples, rate);
    const std::vector<FrameSpan> stretches = soundingStretches(levels);
    if (stretches.empty()) return {0, samples.size()};
    return widened(stretches.front(), samples, rate, 20, 40);
}

SampleSpan playedPart(std::span<const std::int16_t> samples, int rate, const FrameSpan& sounding) {
    if (sounding.empty()) return {0, samples.size()};
    return widened(sounding, samples, rate, 100, 150);
}

}  // namespace pelomar
