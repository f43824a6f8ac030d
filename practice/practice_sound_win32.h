// The practice's sound output on the program's sound player: words decoded
// and played, the symbols' own sounds, and a stop that also ends a group
// reading on the chart.
#pragma once

#include "media/sound_player.h"
#include "practice/practice_session.h"
#include "ui/group_reader.h"

namespace pelomar {

class PracticeSoundOutput final : public PracticeSound {
public:
    PracticeSoundOutput(SoundPlayer& player, GroupReader& reader) : player_(player), reader_(reader) {}

    void stopEverything() override;
    bool outputAvailable() override;
    int playWord(int word, int voice) override;
    int playSlowWord(int word) override;
    int playSymbol(int n) override;
    int playSamples(std::span<const std::int16_t> samples, int rate) override;

private:
    SoundPlayer& player_;
    GroupReader& reader_;
};

}  // namespace pelomar
