#include "media/resample.h"

#include <cmath>
#include <new>

namespace pelomar {
namespace {

// 22050 / 16000 = 441 / 320: output sample j lies at input position
// j * 320 / 441, one of 441 fractions between two input samples.
constexpr int kUp = 441;
constexpr int kDown = 320;
constexpr int kHalf = 24;          // taps either side
constexpr int kTaps = 2 * kHalf;
// The pass band ends near 7.1 kHz, the stop band (some 60 dB down) starts
// near 8.4 kHz, where the images of the stored sound's top lie.
constexpr double kCutoff = 7750.0 / 8000.0;  // of the stored rate's Nyquist frequency
constexpr double kBeta = 6.0;               // Kaiser window
constexpr double kPi = 3.14159265358979323846;

double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-12) break;
    }
    return sum;
}

// Weights in units of 1/16384: integer arithmetic is exact, the same on every
// machine and quick; the rounding of the weights stays some 80 dB down. The
// weights' magnitudes add up to at most 2.52 for any fraction, so a sum stays
// within 2.52 * 2^14 * 2^15, well inside 32 bits.
constexpr int kShift = 14;
constexpr int kOne = 1 << kShift;

struct Taps {
    // For each fraction, the weights of input samples base-kHalf+1 .. base+kHalf.
    std::int16_t weight[kUp][kTaps];

    Taps() {
        const double norm = besselI0(kBeta);
        for (int phase = 0; phase < kUp; ++phase) {
            const double frac = static_cast<double>(phase) / kUp;
            double sum = 0.0;
            double w[kTaps];
            for (int k = 0; k < kTaps; ++k) {
                const double t = (k - kHalf + 1) - frac;  // distance from the output position
                const double x = kCutoff * t;
                const double sinc = x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
                const double r = t / kHalf;
                const double window = r * r >= 1.0 ? 0.0 : besselI0(kBeta * std::sqrt(1.0 - r * r)) / norm;
                w[k] = kCutoff * sinc * window;
                sum += w[k];
            }
            // Each fraction passes a steady level unchanged: the weights add
            // up to exactly one, the rounding's remainder on the largest.
            int total = 0, largest = 0;
            for (int k = 0; k < kTaps; ++k) {
                weight[phase][k] = static_cast<std::int16_t>(std::lround(w[k] / sum * kOne));
                total += weight[phase][k];
                if (weight[phase][k] > weight[phase][largest]) largest = k;
            }
            weight[phase][largest] = static_cast<std::int16_t>(weight[phase][largest] + kOne - total);
        }
    }
};

const Taps& taps() {
    static const Taps table;
    return table;
}

}  // namespace

std::size_t resampledLength(std::size_t count) { return (count * kUp + kDown - 1) / kDown; }

std::vector<std::int16_t> resampleTo22050(std::span<const std::int16_t> in) {
    std::vector<std::int16_t> out;
    try {
        out.resize(resampledLength(in.size()));
    } catch (const std::bad_alloc&) {
        return {};
    }
    const Taps& table = taps();
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(in.size());
    for (std::size_t j = 0; j < out.size(); ++j) {
        const std::size_t position = j * kDown;
        const std::ptrdiff_t base = static_cast<std::ptrdiff_t>(position / kUp);
        const std::int16_t* w = table.weight[position % kUp];
        const std::ptrdiff_t first = base - kHalf + 1;
        std::int32_t sum = 0;
        if (first >= 0 && first + kTaps <= n) {
            const std::int16_t* x = in.data() + first;
            for (int k = 0; k < kTaps; ++k) sum += std::int32_t{w[k]} * x[k];
        } else {
            for (int k = 0; k < kTaps; ++k) {
                const std::ptrdiff_t i = first + k;
                if (i >= 0 && i < n) sum += std::int32_t{w[k]} * in[i];
            }
        }
        const std::int32_t v = (sum + kOne / 2) >> kShift;
        out[j] = static_cast<std::int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
    }
    return out;
}

}  // namespace pelomar
