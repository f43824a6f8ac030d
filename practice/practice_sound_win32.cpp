#include "practice/practice_sound_win32.h"

#include "media/assets.h"
#include "media/wave_out_win32.h"
#include "practice/sound_lengths.h"

namespace pelomar {

void PracticeSoundOutput::stopEverything() {
    reader_.stopReading = 1;
    player_.stopAllSounds();
}

bool PracticeSoundOutput::outputAvailable() { return waveOutputPresent(); }

int PracticeSoundOutput::playWord(int word, int voice) {
    const CodedWord sound = wordSound(word, voice);
    return player_.playWord(sound) ? wordLengthMs(sound) : -1;
}

int PracticeSoundOutput::playSlowWord(int word) {
    const CodedWord sound = slowWordSound(word);
    return player_.playWord(sound) ? wordLengthMs(sound) : -1;
}

int PracticeSoundOutput::playSymbol(int n) { return player_.playSymbol(n) ? soundLengthMs(soundFor(n)) : -1; }

int PracticeSoundOutput::playSamples(std::span<const std::int16_t> samples, int rate) {
    return player_.playSamples(samples, rate) ? static_cast<int>(samples.size() * 1000 / static_cast<std::size_t>(rate))
                                              : -1;
}

}  // namespace pelomar
