// The practice's chance: which word, which voice, which distractors, where
// the right answer stands. A small generator of its own (SplitMix64), so
// that a test can give it a seed and see the same questions every time.
#pragma once

#include <cstdint>

namespace pelomar {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    // A number in 0..n-1; 0 when n < 1.
    int below(int n) {
        if (n < 1) return 0;
        return static_cast<int>(next() % static_cast<std::uint64_t>(n));
    }

private:
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t state_;
};

}  // namespace pelomar
