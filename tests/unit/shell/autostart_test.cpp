#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "shell/autostart.h"
#include "text/texts.h"

using namespace pelomar;
using std::string;

namespace {

// Records the registry calls; each answer is set by the case.
class FakeRegistry : public StartupRegistry {
public:
    bool writes = true;
    bool deletes = true;
    std::vector<string> calls;
    std::wstring data;

    bool writeValue(std::string_view key, std::string_view name, std::wstring_view d) override {
        data = d;
        return record("write " + string(key) + " : " + string(name), writes);
    }
    bool deleteValue(std::string_view key, std::string_view name) override {
        return record("delete value " + string(key) + " : " + string(name), deletes);
    }
    bool deleteKey(std::string_view path) override { return record("delete key " + string(path), false); }

private:
    bool record(string call, bool answer) {
        calls.push_back(std::move(call));
        return answer;
    }
};

using Calls = std::vector<string>;
const string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

TEST_CASE("the executable's location and the start-up command") {
    const ExeLocation usual = splitExePath(L"C:\\Program Files\\Pelomar\\Pelomar.exe");
    CHECK(usual.directory == L"C:\\Program Files\\Pelomar");
    CHECK(usual.fileName == L"Pelomar.exe");
    CHECK(autostartCommand(usual) == L"\"C:\\Program Files\\Pelomar\\Pelomar.exe\" \u9690\u85CF");

    // At the root of a drive the directory is just the drive, and the
    // command still has exactly one backslash.
    const ExeLocation root = splitExePath(L"C:\\Pelomar.exe");
    CHECK(root.directory == L"C:");
    CHECK(autostartCommand(root) == L"\"C:\\Pelomar.exe\" \u9690\u85CF");

    // Characters outside any ANSI code page stay as they are.
    const std::wstring odd = L"\\\\server\\\u00E9t\u00E9 \u0416 \U0001F600\\P.exe";
    CHECK(autostartCommand(splitExePath(odd)) == L"\"" + odd + L"\" \u9690\u85CF");
}

TEST_CASE("the stored location splits at its last backslash, never inside a character") {
    const RegistryLocation where = splitRegistryLocation(text::kAutostartLocation);
    CHECK(where.key == kRun);
    CHECK(where.valueName == "Pelomar(Vok)");
    // 0x5C is a backslash alone, but the trail byte of 0x81 0x5C.
    const RegistryLocation dbcs = splitRegistryLocation("a\\b\\\x81\x5C" "c");
    CHECK(dbcs.key == "a\\b");
    CHECK(dbcs.valueName == "\x81\x5C" "c");
    CHECK(splitRegistryLocation("name").valueName == "name");
    CHECK(splitRegistryLocation("k\\\xD2").key == "k");
}

TEST_CASE("applying the option to the registry") {
    FakeRegistry reg;
    const ExeLocation exe{L"D:\\x", L"P.exe"};
    SUBCASE("on: the value is written into the Run key") {
        applyAutostart(true, exe, reg);
        CHECK(reg.calls == Calls{"write " + kRun + " : Pelomar(Vok)"});
        CHECK(reg.data == L"\"D:\\x\\P.exe\" \u9690\u85CF");
        // A failed write is left at that: nothing else is tried.
        reg.calls.clear();
        reg.writes = false;
        applyAutostart(true, exe, reg);
        CHECK(reg.calls == Calls{"write " + kRun + " : Pelomar(Vok)"});
    }
    SUBCASE("off: the value is deleted") {
        applyAutostart(false, exe, reg);
        CHECK(reg.calls == Calls{"delete value " + kRun + " : Pelomar(Vok)"});
    }
    SUBCASE("off, and no value was deleted: a subkey of that name is tried") {
        reg.deletes = false;
        applyAutostart(false, exe, reg);
        CHECK(reg.calls == Calls{"delete value " + kRun + " : Pelomar(Vok)", "delete key " + kRun + "\\Pelomar(Vok)"});
    }
}

TEST_CASE("no start-up entry for a copy in the temporary folder or below it") {
    const std::wstring temp = L"C:\\Users\\Li\\AppData\\Local\\Temp\\";
    // Where Explorer unpacks a program opened inside a zip archive.
    CHECK_FALSE(startupEntryAllowed(L"C:\\Users\\Li\\AppData\\Local\\Temp\\Temp1_Pelomar.zip\\Pelomar.exe", temp));
    CHECK_FALSE(startupEntryAllowed(L"C:\\Users\\Li\\AppData\\Local\\Temp\\Pelomar.exe", temp));
    // Without regard to case, with or without the final separator.
    CHECK_FALSE(startupEntryAllowed(L"c:\\users\\LI\\appdata\\local\\temp\\x\\P.exe", temp));
    CHECK_FALSE(startupEntryAllowed(L"C:\\Users\\Li\\AppData\\Local\\Temp\\P.exe", L"C:\\Users\\Li\\AppData\\Local\\Temp"));
    // A folder whose name only begins like it, and folders elsewhere, are not it.
    CHECK(startupEntryAllowed(L"C:\\Users\\Li\\AppData\\Local\\Temporary\\P.exe", temp));
    CHECK(startupEntryAllowed(L"C:\\Users\\Li\\AppData\\Local\\P.exe", temp));
    CHECK(startupEntryAllowed(L"D:\\\u5B66\u4E60\\Pelomar.exe", temp));
    // No temporary folder known: nothing is held back.
    CHECK(startupEntryAllowed(L"C:\\Temp\\P.exe", L""));
}
