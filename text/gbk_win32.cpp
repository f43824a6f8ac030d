#include "text/gbk_win32.h"

#include <windows.h>

namespace pelomar {

std::wstring gbkToWide(std::string_view gbk) {
    if (gbk.empty()) return {};
    const int n = MultiByteToWideChar(kCodePageGbk, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(kCodePageGbk, 0, gbk.data(), static_cast<int>(gbk.size()), out.data(), n);
    return out;
}

std::string wideToGbk(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(kCodePageGbk, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(kCodePageGbk, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                            nullptr);
    return out;
}

}  // namespace pelomar
