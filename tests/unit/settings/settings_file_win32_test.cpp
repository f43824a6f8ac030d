// The settings file on disk: wide paths, replacing in one step, and the
// bytes the platform's profile functions would have written.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "settings/settings_file_win32.h"
#include "settings/settings_store.h"

using namespace pelomar;

namespace {

// A scratch folder whose name no ANSI code page can spell.
class Folder {
public:
    Folder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"pelomar \u00E9\u0416\U0001F600\u5B66";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~Folder() {
        for (const std::wstring& name : names()) {
            SetFileAttributesW((path_ + L"\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW((path_ + L"\\" + name).c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring file(const wchar_t* name) const { return path_ + L"\\" + name; }
    std::vector<std::wstring> names() const {
        std::vector<std::wstring> out;
        WIN32_FIND_DATAW data;
        HANDLE h = FindFirstFileW((path_ + L"\\*").c_str(), &data);
        if (h == INVALID_HANDLE_VALUE) return out;
        do {
            if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L"..")) out.push_back(data.cFileName);
        } while (FindNextFileW(h, &data));
        FindClose(h);
        return out;
    }

private:
    std::wstring path_;
};

std::string contents(const std::wstring& path) {
    WindowsSettingsFile file(path);
    return file.readText().bytes;
}

}  // namespace

TEST_CASE("the settings file is read whole and replaced whole") {
    Folder folder;
    const std::wstring path = folder.file(L"Pelomar.ini");
    WindowsSettingsFile file(path);
    CHECK(file.readText().state == SettingsText::State::Missing);

    file.writeText("[a]\r\nk=1\r\n");
    SettingsText text = file.readText();
    CHECK(text.state == SettingsText::State::Present);
    CHECK(text.bytes == "[a]\r\nk=1\r\n");
    file.writeText("x");
    CHECK(contents(path) == "x");
    CHECK(folder.names() == std::vector<std::wstring>{L"Pelomar.ini"});  // no temporary file left

    SUBCASE("a read-only file is left as it is") {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
        file.writeText("changed");
        CHECK(contents(path) == "x");
    }
    SUBCASE("a file held open by another program keeps its old text") {
        HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        REQUIRE(held != INVALID_HANDLE_VALUE);
        CHECK(file.readText().state == SettingsText::State::Unreadable);
        file.writeText("changed");
        CloseHandle(held);
        CHECK(contents(path) == "x");
        CHECK(folder.names() == std::vector<std::wstring>{L"Pelomar.ini"});
    }
    SUBCASE("in a folder that does not exist nothing is made") {
        WindowsSettingsFile nowhere(folder.file(L"missing\\Pelomar.ini"));
        CHECK(nowhere.readText().state == SettingsText::State::Missing);
        nowhere.writeText("x");
        CHECK(nowhere.readText().state == SettingsText::State::Missing);
    }
}

TEST_CASE("saving gives the bytes of eleven WritePrivateProfileStringA calls") {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string theirs = std::string(temp) + "pelomar-profile-check.ini";
    Folder folder;
    const std::wstring ours = folder.file(L"Pelomar.ini");
    const std::string before = "; kept\r\n[other]\r\nx=1\r\n";

    for (const bool fromNothing : {true, false}) {
        CAPTURE(fromNothing);
        DeleteFileA(theirs.c_str());
        DeleteFileW(ours.c_str());
        WindowsSettingsFile file(ours);
        if (!fromNothing) {
            file.writeText(before);
            HANDLE h = CreateFileA(theirs.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD n = 0;
            WriteFile(h, before.data(), static_cast<DWORD>(before.size()), &n, nullptr);
            CloseHandle(h);
        }
        ContextMenu menu;
        menu.setOption(Option::HoverSoundCtrlQuiet, false);
        menu.setOption(Option::KeepInFront, false);
        saveSettings(menu, file);
        for (const OptionInfo& item : optionTable())
            WritePrivateProfileStringA(std::string(kSettingsSection).c_str(), std::string(item.key).c_str(),
                                       std::string(menu.option(item.option) ? kValueTrue : kValueFalse).c_str(),
                                       theirs.c_str());
        WindowsSettingsFile platformFile(std::wstring(theirs.begin(), theirs.end()));
        CHECK(contents(ours) == platformFile.readText().bytes);

        // And what was saved loads back.
        ContextMenu loaded;
        loadSettings(loaded, file, nullptr);
        for (const OptionInfo& item : optionTable()) CHECK(loaded.option(item.option) == menu.option(item.option));
    }
    DeleteFileA(theirs.c_str());
}
