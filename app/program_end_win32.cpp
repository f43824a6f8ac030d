#include "app/program_end_win32.h"

#include <windows.h>

namespace pelomar {

void endProcess(SoundPlayer& sound, int code) {
    sound.shutdownSounds(kSoundEndPatience);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    ExitProcess(static_cast<UINT>(code));  // not reached: a process may always end itself
}

}  // namespace pelomar
