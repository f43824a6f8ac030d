// How long a word takes to decode at play time (ADPCM, then resampling to
// 22050 Hz) on the user-interface thread, per word and per second of sound,
// over every rendition of every word.
//
//   cmake/wine-run.sh build/<dir>/bench/word_decode_win32_bench.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "media/resample.h"
#include "media/words.h"

using namespace pelomar;

namespace {

double nowUs() {
    static const double perUs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1e6;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / perUs;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    // The resampler's table is made on first use; that once is timed apart.
    double start = nowUs();
    (void)decodeWord(wordSound(0, 0));
    const double first = nowUs() - start;

    std::vector<double> perWord;
    double totalUs = 0, totalSoundS = 0;
    long long check = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < wordCount(); ++i) {
            for (int r = 0; r <= kWordVoices; ++r) {
                const CodedWord coded = r < kWordVoices ? wordSound(i, r) : slowWordSound(i);
                start = nowUs();
                const std::vector<std::int16_t> s = decodeWord(coded);
                const double us = nowUs() - start;
                check += s.empty() ? 0 : s[s.size() / 2];
                perWord.push_back(us);
                totalUs += us;
                totalSoundS += static_cast<double>(s.size()) / kPlayedWordRate;
            }
        }
    }
    std::sort(perWord.begin(), perWord.end());
    const double median = perWord[perWord.size() / 2];
    const double p90 = perWord[perWord.size() * 9 / 10];
    std::printf("renditions decoded: %zu (%d rounds of %d words x %d)\n", perWord.size(), rounds, wordCount(),
                kWordVoices + 1);
    std::printf("first decode (with the resampler's table): %.0f us\n", first);
    std::printf("per word: median %.0f us, p90 %.0f us, worst %.0f us\n", median, p90, perWord.back());
    std::printf("per second of sound: %.0f us\n", totalUs / totalSoundS);
    std::printf("(checksum %lld)\n", check);
    // A word is decoded between the pointer's move and its first block: it
    // must not be felt, so well under the 1 ms a hover's card takes.
    std::printf("goal: median decode under 1 ms per word: %s\n", median < 1000 ? "met" : "NOT MET");
    return 0;
}
