#include "media/words.h"

#include <algorithm>

#include "media/adpcm.h"
#include "media/resample.h"
#include "media/words_data.h"

namespace pelomar {
namespace {

CodedWord rendition(int i, int r) {
    if (i < 0 || i >= words_data::kWordCount) return {};
    const words_data::StoredWord& w = words_data::kWords[i];
    const std::uint32_t size = words_data::blobSize();
    if (w.offset[r] > size || w.bytes[r] > size - w.offset[r]) return {};
    return CodedWord{AssetView{words_data::blob() + w.offset[r], w.bytes[r]}, w.samples[r]};
}

}  // namespace

int wordCount() { return words_data::kWordCount; }

Word wordAt(int i) {
    if (i < 0 || i >= words_data::kWordCount) return {};
    const words_data::StoredWord& w = words_data::kWords[i];
    return Word{w.text, std::span<const unsigned char>(words_data::kUnits + w.firstUnit, w.unitCount)};
}

int findWord(std::string_view text) {
    const auto* begin = words_data::kWords;
    const auto* end = begin + words_data::kWordCount;
    const auto* it = std::lower_bound(begin, end, text, [](const words_data::StoredWord& w, std::string_view t) {
        return w.text < t;
    });
    return it != end && it->text == text ? static_cast<int>(it - begin) : -1;
}

CodedWord wordSound(int i, int voice) {
    if (voice < 0 || voice >= kWordVoices) return {};
    return rendition(i, voice);
}

CodedWord slowWordSound(int i) { return rendition(i, kWordVoices); }

std::span<const WordUse> cardWords(int n) {
    if (n < 1 || n > 48) return {};
    const int first = words_data::kCardWordStart[n - 1];
    return {words_data::kCardWords + first, static_cast<std::size_t>(words_data::kCardWordStart[n] - first)};
}

std::span<const MinimalPair> minimalPairs() {
    return {words_data::kPairs, static_cast<std::size_t>(words_data::kPairCount)};
}

std::vector<std::int16_t> decodeWord(const CodedWord& word) {
    const std::vector<std::int16_t> stored =
        decodeAdpcm(std::span<const unsigned char>(word.coded.data, word.coded.size), word.samples);
    if (stored.empty()) return {};
    return resampleTo22050(stored);
}

}  // namespace pelomar
