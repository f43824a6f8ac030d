// The last step of every ending, once the settings are saved and the windows
// are gone: the sounds get a short while to end, then the process ends.
#pragma once

#include <chrono>

#include "media/sound_player.h"
#include "media/sound_recorder.h"

namespace pelomar {

// How long the end waits, in all, for a take of the microphone to end, the
// sound workers and the closing of the idle streams.
inline constexpr std::chrono::milliseconds kSoundEndPatience{3000};

// Drops a take of the microphone, stops every sound, waits for their workers
// and closes the idle streams for at most kSoundEndPatience in all, then
// ends the process with `code` at once.
// Nothing else runs: neither the static objects' destructors nor the DLLs'
// detach, either of which could wait again on a sound driver that never
// gives its blocks back.
[[noreturn]] void endProcess(SoundPlayer& sound, SoundRecorder& recorder, int code);

}  // namespace pelomar
