#include "shell/exe_path_win32.h"

#include <windows.h>

namespace pelomar {

std::wstring currentExePath() {
    // A path cut short by a small buffer would put the settings and the
    // start-up entry somewhere else, so the buffer grows until it fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

}  // namespace pelomar
