// Test helper: GBK bytes as UTF-8, so that expectations can be written as
// readable text and the program's escaped literals are checked against it.
#pragma once

#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>

inline std::string gbkToUtf8(std::string_view gbk) {
    if (gbk.empty()) return {};
    const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    if (n <= 0) return "<not GBK>";
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), n);
    const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
    return out;
}
#else
#include <iconv.h>

inline std::string gbkToUtf8(std::string_view gbk) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "<no GBK converter>";
    std::string in(gbk);
    std::string out(in.size() * 4 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t srcLeft = in.size();
    size_t dstLeft = out.size();
    const size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) return "<not GBK>";
    out.resize(out.size() - dstLeft);
    return out;
}
#endif
