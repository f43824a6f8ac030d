// The start-up entry in the real registry, read back with the registry
// functions as an administrator would see it.
#include <doctest/doctest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "shell/autostart_win32.h"
#include "shell/exe_path_win32.h"
#include "text/gbk_win32.h"
#include "text/texts.h"

using namespace pelomar;

namespace {

const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kName[] = L"Pelomar(Vok)";

struct Value {
    DWORD type = 0;
    std::wstring data;
    DWORD bytes = 0;
};

std::optional<Value> runValue(const wchar_t* name = kName) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    Value v;
    wchar_t buffer[4096] = {};
    v.bytes = sizeof buffer;
    const LONG r = RegQueryValueExW(key, name, nullptr, &v.type, reinterpret_cast<BYTE*>(buffer), &v.bytes);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return std::nullopt;
    v.data = buffer;
    return v;
}

void setRunValue(const wchar_t* name, const wchar_t* data) {
    HKEY key = nullptr;
    RegCreateKeyW(HKEY_CURRENT_USER, kRun, &key);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                   static_cast<DWORD>((wcslen(data) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

bool subkeyExists() {
    HKEY key = nullptr;
    const std::wstring path = std::wstring(kRun) + L"\\" + kName;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

TEST_CASE("the start-up entry in the registry follows the option") {
    const std::wstring expected = L"\"" + currentExePath() + L"\" \u9690\u85CF";
    setRunValue(L"Other program", L"other.exe");
    applyAutostartForThisProgram(false);
    REQUIRE_FALSE(runValue());

    applyAutostartForThisProgram(true);  // as at a first start
    auto v = runValue();
    REQUIRE(v);
    CHECK(v->type == REG_SZ);
    CHECK(v->data == expected);
    CHECK(v->bytes == (expected.size() + 1) * sizeof(wchar_t));  // with the terminating zero
    if (GetACP() == 936) {
        // The ANSI view on a GBK system: the quoted path, a blank and 隐藏.
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_READ, &key);
        char buffer[4096] = {};
        DWORD size = sizeof buffer;
        RegQueryValueExA(key, "Pelomar(Vok)", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        CHECK(std::string(buffer) == "\"" + wideToGbk(currentExePath()) + "\" \xD2\xFE\xB2\xD8");
    }

    applyAutostartForThisProgram(false);  // unchecked: gone at once
    CHECK_FALSE(runValue());
    applyAutostartForThisProgram(false);  // nothing to delete: quietly nothing
    CHECK_FALSE(runValue());
    applyAutostartForThisProgram(true);   // checked again: back
    CHECK(runValue());

    // Other programs' entries are never touched.
    auto other = runValue(L"Other program");
    REQUIRE(other);
    CHECK(other->data == L"other.exe");
    applyAutostartForThisProgram(false);
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_WRITE, &key);
    RegDeleteValueW(key, L"Other program");
    RegCloseKey(key);
}

TEST_CASE("a path outside the system's code page is stored as it is") {
    WindowsStartupRegistry registry;
    const ExeLocation exe{L"C:\\\u00E9t\u00E9 \u0416 \U0001F600 \u5B66", L"P\u00E9.exe"};
    applyAutostart(true, exe, registry);
    auto v = runValue();
    REQUIRE(v);
    CHECK(v->data == L"\"C:\\\u00E9t\u00E9 \u0416 \U0001F600 \u5B66\\P\u00E9.exe\" \u9690\u85CF");
    applyAutostart(false, exe, registry);
    CHECK_FALSE(runValue());
}

TEST_CASE("with no value, a subkey of the entry's name is removed instead") {
    HKEY sub = nullptr;
    RegCreateKeyW(HKEY_CURRENT_USER, (std::wstring(kRun) + L"\\" + kName).c_str(), &sub);
    RegCloseKey(sub);
    REQUIRE(subkeyExists());
    applyAutostartForThisProgram(false);
    CHECK_FALSE(subkeyExists());
}

TEST_CASE("writing into a key that does not exist yet creates it; deleting from it fails quietly") {
    WindowsStartupRegistry registry;
    const std::string scratch = "Software\\Pelomar test\\\xD1\xA7\xCF\xB0\\Run";  // 学习
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Pelomar test");
    CHECK_FALSE(registry.deleteValue(scratch, "v"));
    CHECK(registry.writeValue(scratch, "v", L"\u97F3\u6807"));
    HKEY key = nullptr;
    REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Pelomar test\\\u5B66\u4E60\\Run", 0, KEY_READ, &key) ==
            ERROR_SUCCESS);
    wchar_t data[16] = {};
    DWORD bytes = sizeof data;
    CHECK(RegQueryValueExW(key, L"v", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &bytes) == ERROR_SUCCESS);
    RegCloseKey(key);
    CHECK(std::wstring(data) == L"\u97F3\u6807");
    CHECK(registry.deleteValue(scratch, "v"));
    CHECK_FALSE(registry.deleteValue(scratch, "v"));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Pelomar test");
}

TEST_CASE("the hidden argument in UTF-16 is the GBK one") {
    CHECK(wideToGbk(text::wide::kHiddenArgument) == "\xD2\xFE\xB2\xD8");
}
