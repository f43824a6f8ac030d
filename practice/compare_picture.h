// The picture of an attempt beside its model: both on one time axis that
// starts 100 ms before each sound's onset, so that their lengths can be
// read against each other; each as a loudness envelope over a spectrogram
// band from 0 (bottom) to 5.5 kHz (top). Pixels are 0x00RRGGBB, top row
// first, as the window hands them to the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "media/sound_picture.h"
#include "ui/highlight.h"

namespace pelomar {

// Shown before a sound's onset and after the end of its sounding stretch.
inline constexpr int kLeadFrames = 100 / kFrameMs;
inline constexpr int kTailFrames = 150 / kFrameMs;

// Frames [first, first + frames) of the shared axis, in each sound's own
// frame numbers: the axis starts kLeadFrames before each onset and is long
// enough for the longer of the two.
struct TimeAxis {
    int frames = 0;
    int startOf(const SoundPicture& p) const { return p.sounding.first - kLeadFrames; }
};
TimeAxis sharedAxis(const SoundPicture& a, const SoundPicture& b);

// The frames that column x of `width` columns covers: [from, to) on the axis.
struct Columns {
    int from;
    int to;
};
Columns columnFrames(const TimeAxis& axis, int x, int width);
// The column where axis frame f begins.
int columnOf(const TimeAxis& axis, int frame, int width);

// Each column filled from the bottom to the loudest frame it covers; the
// sounding stretch in ink, the air around it in pale; the end of the
// stretch marked by a line of ink. Outside the sound, the background.
std::vector<std::uint32_t> envelopePixels(const SoundPicture& p, const TimeAxis& axis, int width, int height,
                                          Colour ink, Colour pale, Colour background);
// One row per band, the highest on top (height kBands); each pixel between
// the background (quiet) and ink (the loudest of the sound).
std::vector<std::uint32_t> bandPixels(const SoundPicture& p, const TimeAxis& axis, int width, Colour ink,
                                      Colour background);

std::uint32_t pixelOf(Colour c);

}  // namespace pelomar
