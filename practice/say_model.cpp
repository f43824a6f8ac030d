#include "practice/say_model.h"

#include "media/assets.h"
#include "media/resample.h"
#include "media/wav_chunks.h"
#include "media/words.h"

namespace pelomar {

bool operator==(const SayModel& a, const SayModel& b) { return a.symbol == b.symbol && a.word == b.word; }

PcmSound modelSound(const SayModel& model) {
    if (model.word >= 0) return {kPlayedWordRate, decodeWord(wordSound(model.word, 0))};
    const AssetView image = soundFor(model.symbol);
    const auto wav = walkWavChunks(image.data, image.size);
    auto pcm = wav ? decodePcm(*wav) : std::nullopt;
    if (!pcm) return {};
    const SampleSpan cut = firstRepetition(pcm->samples, pcm->rate);
    pcm->samples.erase(pcm->samples.begin() + static_cast<std::ptrdiff_t>(cut.end), pcm->samples.end());
    pcm->samples.erase(pcm->samples.begin(), pcm->samples.begin() + static_cast<std::ptrdiff_t>(cut.begin));
    return *pcm;
}

}  // namespace pelomar
