// Writes every embedded word's renditions as the program plays them (16-bit
// samples at 22050 Hz), with each word's text and the symbols it carries, so
// that the practice's end-to-end test can tell which word reached the
// sound device. Usage: word_dump.exe OUTPUT
//
// The file, little-endian: a u32 count, then per rendition an i32 word index,
// an i32 voice, a u8 text length and the text, a u8 unit count and the
// units, a u32 sample count and the samples.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "media/words.h"

namespace {

void put(std::FILE* f, const void* data, std::size_t size) { std::fwrite(data, 1, size, f); }

template <class T>
void put(std::FILE* f, T value) {
    put(f, &value, sizeof value);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace pelomar;
    if (argc < 2) return 2;
    std::FILE* f = _wfopen(argv[1], L"wb");
    if (!f) return 1;
    put<std::uint32_t>(f, static_cast<std::uint32_t>(wordCount() * kWordVoices));
    for (int i = 0; i < wordCount(); ++i) {
        const Word w = wordAt(i);
        for (int v = 0; v < kWordVoices; ++v) {
            const std::vector<std::int16_t> samples = decodeWord(wordSound(i, v));
            put<std::int32_t>(f, i);
            put<std::int32_t>(f, v);
            put<std::uint8_t>(f, static_cast<std::uint8_t>(w.text.size()));
            put(f, w.text.data(), w.text.size());
            put<std::uint8_t>(f, static_cast<std::uint8_t>(w.units.size()));
            put(f, w.units.data(), w.units.size());
            put<std::uint32_t>(f, static_cast<std::uint32_t>(samples.size()));
            put(f, samples.data(), samples.size() * sizeof(std::int16_t));
        }
    }
    return std::fclose(f) == 0 ? 0 : 1;
}
