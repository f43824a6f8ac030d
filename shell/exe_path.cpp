#include "shell/exe_path.h"

namespace pelomar {

ExeLocation splitExePath(std::wstring_view fullPath) {
    const size_t cut = fullPath.rfind(L'\\');
    if (cut == std::wstring_view::npos) return {L".", std::wstring(fullPath)};
    return {std::wstring(fullPath.substr(0, cut)), std::wstring(fullPath.substr(cut + 1))};
}

}  // namespace pelomar
