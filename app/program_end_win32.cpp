#include "app/program_end_win32.h"

#include <windows.h>

#include <algorithm>

namespace pelomar {

void endProcess(SoundPlayer& sound, SoundRecorder& recorder, int code) {
    const auto deadline = std::chrono::steady_clock::now() + kSoundEndPatience;
    recorder.shutdown(kSoundEndPatience);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    sound.shutdownSounds(std::max(left, std::chrono::milliseconds(0)));
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    ExitProcess(static_cast<UINT>(code));  // not reached: a process may always end itself
}

}  // namespace pelomar
