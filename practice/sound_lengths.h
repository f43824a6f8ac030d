// How long the practice's sounds last, so that the sounds after a wrong
// answer follow one another.
#pragma once

#include "media/assets.h"
#include "media/words.h"

namespace pelomar {

// A WAV image's samples in milliseconds; 0 when it is not one.
int soundLengthMs(AssetView wav);
// A word's rendition as played, in milliseconds.
int wordLengthMs(const CodedWord& word);

}  // namespace pelomar
