// The application manifest in the program's resources, and what it does.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

namespace {

std::string manifestText() {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    if (!found) return {};
    const HGLOBAL loaded = LoadResource(nullptr, found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    return bytes ? std::string(bytes, SizeofResource(nullptr, found)) : std::string();
}

bool has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_CASE("the manifest: run as the user, Windows 7 to 11, common controls 6, DPI-unaware with GDI scaling") {
    const std::string m = manifestText();
    REQUIRE_FALSE(m.empty());
    CHECK(has(m, "level=\"asInvoker\""));
    for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        CHECK(has(m, os));
    CHECK(has(m, "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    CHECK(has(m, ">false</dpiAware>"));
    CHECK(has(m, ">true</gdiScaling>"));

    // The system reads it: the common controls this process loads are those of
    // version 6, from the side-by-side store (under Wine their DllGetVersion
    // still says 5, so the place tells).
    const HMODULE controls = LoadLibraryW(L"comctl32.dll");
    REQUIRE(controls);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(controls, path, MAX_PATH);
    std::wstring lower(path);
    CharLowerW(lower.data());
    CAPTURE(std::string(lower.begin(), lower.end()));
    CHECK(lower.find(L"\\winsxs\\") != std::wstring::npos);
    CHECK(lower.find(L"common-controls_6595b64144ccf1df_6.0.") != std::wstring::npos);
    FreeLibrary(controls);
}
