// What a learner's own attempt at a sound is set against: after a question,
// the question's word in the main voice at normal speed; for a symbol chosen
// on the progress page, one repetition of the symbol's own sound (which says
// it two or three times).
#pragma once

#include "media/sound_picture.h"

namespace pelomar {

struct SayModel {
    int symbol = 0;  // 1..48, the symbol the attempt counts for
    int word = -1;   // the embedded word said, or -1 for the symbol's own sound
};
bool operator==(const SayModel& a, const SayModel& b);

// The model's samples as they are played: the word decoded (22050 Hz), or
// the symbol's sound at its own rate, cut to its first repetition. Empty
// samples for a model that is not there.
PcmSound modelSound(const SayModel& model);

}  // namespace pelomar
