#include "media/winmm_win32.h"

#include "shell/system_library_win32.h"

namespace pelomar {
namespace {

const Winmm* load() {
    static Winmm functions;
    const HMODULE module = loadSystemLibrary(L"winmm.dll");
    if (!module) return nullptr;
    Winmm& f = functions;
    const bool all =
        findFunction(module, "waveOutGetNumDevs", f.waveOutGetNumDevs) &&
        findFunction(module, "waveOutOpen", f.waveOutOpen) &&
        findFunction(module, "waveOutPrepareHeader", f.waveOutPrepareHeader) &&
        findFunction(module, "waveOutWrite", f.waveOutWrite) &&
        findFunction(module, "waveOutUnprepareHeader", f.waveOutUnprepareHeader) &&
        findFunction(module, "waveOutPause", f.waveOutPause) &&
        findFunction(module, "waveOutRestart", f.waveOutRestart) &&
        findFunction(module, "waveOutReset", f.waveOutReset) &&
        findFunction(module, "waveOutClose", f.waveOutClose) &&
        findFunction(module, "timeBeginPeriod", f.timeBeginPeriod) &&
        findFunction(module, "timeEndPeriod", f.timeEndPeriod) &&
        findFunction(module, "waveInGetNumDevs", f.waveInGetNumDevs) &&
        findFunction(module, "waveInOpen", f.waveInOpen) &&
        findFunction(module, "waveInPrepareHeader", f.waveInPrepareHeader) &&
        findFunction(module, "waveInAddBuffer", f.waveInAddBuffer) &&
        findFunction(module, "waveInUnprepareHeader", f.waveInUnprepareHeader) &&
        findFunction(module, "waveInStart", f.waveInStart) &&
        findFunction(module, "waveInReset", f.waveInReset) &&
        findFunction(module, "waveInClose", f.waveInClose);
    return all ? &functions : nullptr;
}

}  // namespace

const Winmm* winmm() {
    static const Winmm* const loaded = load();  // once, whichever thread asks first
    return loaded;
}

}  // namespace pelomar
