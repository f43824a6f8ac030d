// Words played through the real sound output reach the device: with ALSA's
// default device a file device under Wine (the ctest entry words_on_device
// sets it up and names the file in PELOMAR_PLAYED_FILE), a sample of the
// words in every voice and slowly is played one after the other, and each
// one is found, sample for sample, in what the device wrote.
#include <doctest/doctest.h>

#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/sound_player.h"
#include "media/wave_out_win32.h"
#include "media/words.h"
#include "media/worker_threads_win32.h"

using namespace pelomar;
using namespace std::chrono_literals;

namespace {

std::vector<std::int16_t> readSamples(const std::string& unixPath) {
    std::vector<std::int16_t> out;
    std::FILE* f = std::fopen(("Z:" + unixPath).c_str(), "rb");
    if (!f) return out;
    std::int16_t buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, sizeof buffer[0], 4096, f)) > 0) out.insert(out.end(), buffer, buffer + n);
    std::fclose(f);
    return out;
}

constexpr int kAudible = 655;  // 2 % of full scale

std::size_t firstAudible(const std::vector<std::int16_t>& s, std::size_t from) {
    while (from < s.size() && std::abs(int{s[from]}) <= kAudible) ++from;
    return from;
}

// Where `word` lies in `played`, looking near the first audible sample from
// `from` on: the best normalised correlation and its offset.
std::pair<double, std::size_t> bestMatch(const std::vector<std::int16_t>& word, const std::vector<std::int16_t>& played,
                                         std::size_t from) {
    const std::size_t heard = firstAudible(played, from), lead = firstAudible(word, 0);
    if (heard >= played.size() || lead >= word.size()) return {0, 0};
    double wordPower = 0;
    for (std::int16_t v : word) wordPower += double(v) * v;
    double best = 0;
    std::size_t at = 0;
    const std::size_t start = heard > lead + 200 ? heard - lead - 200 : 0;
    for (std::size_t o = start; o <= heard - std::min(heard, lead) + 200 && o + word.size() <= played.size(); ++o) {
        double dot = 0, power = 0;
        for (std::size_t i = 0; i < word.size(); ++i) {
            dot += double(word[i]) * played[o + i];
            power += double(played[o + i]) * played[o + i];
        }
        if (power <= 0) continue;
        const double r = dot / std::sqrt(wordPower * power);
        if (r > best) best = r, at = o;
    }
    return {best, at};
}

}  // namespace

TEST_SUITE("words on the device" * doctest::skip()) {
TEST_CASE("a sample of the words, in every voice and slowly, reaches the device as decoded") {
    const char* file = std::getenv("PELOMAR_PLAYED_FILE");
    REQUIRE(file != nullptr);
    struct Played {
        int word;
        int rendition;
        std::vector<std::int16_t> samples;
    };
    std::vector<Played> sample;
    for (int i = 0, r = 0; i < wordCount(); i += wordCount() / 12, r = (r + 1) % (kWordVoices + 1)) {
        const CodedWord coded = r < kWordVoices ? wordSound(i, r) : slowWordSound(i);
        sample.push_back({i, r, decodeWord(coded)});
        REQUIRE(!sample.back().samples.empty());
    }
    {
        WaveOutDevice device;
        SystemClock clock;
        Win32WorkerThreads threads;
        SoundPlayer player(device, clock, threads);
        for (const Played& p : sample) {
            REQUIRE(player.playWord(p.rendition < kWordVoices ? wordSound(p.word, p.rendition) : slowWordSound(p.word)));
            REQUIRE(player.waitForSilence(20s));
        }
        player.shutdownSounds();  // closes the streams, so the device writes out what it holds
    }
    const std::vector<std::int16_t> played = readSamples(file);
    REQUIRE(!played.empty());
    // The words follow one another in the file, each whole and unchanged.
    std::size_t from = 0;
    for (const Played& p : sample) {
        CAPTURE(wordAt(p.word).text);
        CAPTURE(p.rendition);
        const auto [r, at] = bestMatch(p.samples, played, from);
        CHECK(r > 0.99);
        from = at + p.samples.size();
    }
}
}
