#include "media/winmm_win32.h"

#include <string>

namespace pelomar {
namespace {

HMODULE loadFromSystemFolder(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Windows 7 without its 2011 loader update knows no search flags: the full path then.
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    return LoadLibraryW((std::wstring(folder, n) + L"\\" + name).c_str());
}

template <class Function>
bool find(HMODULE module, const char* name, Function& out) {
    out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return out != nullptr;
}

const Winmm* load() {
    static Winmm functions;
    const HMODULE module = loadFromSystemFolder(L"winmm.dll");
    if (!module) return nullptr;
    Winmm& f = functions;
    const bool all = find(module, "waveOutGetNumDevs", f.waveOutGetNumDevs) && find(module, "waveOutOpen", f.waveOutOpen) &&
                     find(module, "waveOutPrepareHeader", f.waveOutPrepareHeader) &&
                     find(module, "waveOutWrite", f.waveOutWrite) &&
                     find(module, "waveOutUnprepareHeader", f.waveOutUnprepareHeader) &&
                     find(module, "waveOutPause", f.waveOutPause) && find(module, "waveOutRestart", f.waveOutRestart) &&
                     find(module, "waveOutReset", f.waveOutReset) && find(module, "waveOutClose", f.waveOutClose) &&
                     find(module, "timeBeginPeriod", f.timeBeginPeriod) && find(module, "timeEndPeriod", f.timeEndPeriod);
    return all ? &functions : nullptr;
}

}  // namespace

const Winmm* winmm() {
    static const Winmm* const loaded = load();  // once, whichever thread asks first
    return loaded;
}

}  // namespace pelomar
