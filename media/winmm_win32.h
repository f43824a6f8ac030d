// WINMM's functions, from the system folder, loaded on first use. WINMM is
// not one of Windows' known DLLs: imported the ordinary way, a winmm.dll
// beside Pelomar.exe (a downloads folder) would be loaded in its place
// before the program's first instruction. So the program never imports it;
// it loads it by its place in the system folder and looks the functions up.
#pragma once

#include <windows.h>
#include <mmsystem.h>

namespace pelomar {

struct Winmm {
    decltype(&::waveOutGetNumDevs) waveOutGetNumDevs;
    decltype(&::waveOutOpen) waveOutOpen;
    decltype(&::waveOutPrepareHeader) waveOutPrepareHeader;
    decltype(&::waveOutWrite) waveOutWrite;
    decltype(&::waveOutUnprepareHeader) waveOutUnprepareHeader;
    decltype(&::waveOutPause) waveOutPause;
    decltype(&::waveOutRestart) waveOutRestart;
    decltype(&::waveOutReset) waveOutReset;
    decltype(&::waveOutClose) waveOutClose;
    decltype(&::timeBeginPeriod) timeBeginPeriod;
    decltype(&::timeEndPeriod) timeEndPeriod;
    // The microphone.
    decltype(&::waveInGetNumDevs) waveInGetNumDevs;
    decltype(&::waveInOpen) waveInOpen;
    decltype(&::waveInPrepareHeader) waveInPrepareHeader;
    decltype(&::waveInAddBuffer) waveInAddBuffer;
    decltype(&::waveInUnprepareHeader) waveInUnprepareHeader;
    decltype(&::waveInStart) waveInStart;
    decltype(&::waveInReset) waveInReset;
    decltype(&::waveInClose) waveInClose;
};

// The functions, or null when WINMM or one of them cannot be had; then the
// program plays no sound and keeps the timer as it is.
const Winmm* winmm();

}  // namespace pelomar
