#include "practice/sound_lengths.h"

#include "media/wav_chunks.h"

namespace pelomar {

int soundLengthMs(AssetView wav) {
    const auto chunks = walkWavChunks(wav.data, wav.size);
    if (!chunks || chunks->format.size() < 16) return 0;
    const auto& f = chunks->format;
    const unsigned long byteRate = f[8] | (f[9] << 8) | (static_cast<unsigned long>(f[10]) << 16) |
                                   (static_cast<unsigned long>(f[11]) << 24);
    if (byteRate == 0) return 0;
    return static_cast<int>(chunks->samples.size() * 1000ull / byteRate);
}

// Stored at 16000 Hz; played at 22050 Hz, the same length.
int wordLengthMs(const CodedWord& word) { return static_cast<int>(word.samples * 1000ull / 16000); }

}  // namespace pelomar
