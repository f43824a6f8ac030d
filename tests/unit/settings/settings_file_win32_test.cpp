// The settings file on disk: wide paths, replacing in one step, and the
// bytes the platform's profile functions would have written.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "settings/settings_file_win32.h"
#include "settings/settings_store.h"
#include "text/texts.h"

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
        DeleteFileW((path_ + L"\\user\\Pelomar.ini").c_str());
        RemoveDirectoryW((path_ + L"\\user").c_str());
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

void put(const std::wstring& path, std::string_view bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

// A file opened by someone else (a scanner, an indexer, another copy of
// the program) and let go of after a moment, or at the end of the scope.
class Holder {
public:
    Holder(const std::wstring& path, DWORD access, DWORD share, DWORD forMs = 0)
        : handle_(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr)) {
        REQUIRE(handle_ != INVALID_HANDLE_VALUE);
        if (forMs) letGo_ = std::thread([this, forMs] {
            Sleep(forMs);
            CloseHandle(handle_);
        });
    }
    ~Holder() {
        if (letGo_.joinable())
            letGo_.join();
        else
            CloseHandle(handle_);
    }

private:
    HANDLE handle_;
    std::thread letGo_;
};

constexpr DWORD kMoment = 60;  // longer than one pause between tries, far shorter than all of them

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

TEST_CASE("a settings file held for a moment by another program still gets the save") {
    Folder folder;
    const std::wstring path = folder.file(L"Pelomar.ini");
    put(path, "");
    WindowsSettingsFile file(path);
    ContextMenu menu;
    menu.setOption(Option::HoverSound, false);
    const std::string saved = settingsText(menu, {});

    SUBCASE("read by an indexer") {
        Holder indexer(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, kMoment);
        saveSettings(menu, file);
    }
    SUBCASE("opened alone by a scanner") {
        Holder scanner(path, GENERIC_READ, 0, kMoment);
        saveSettings(menu, file);
    }
    CHECK(contents(path) == saved);
    CHECK(folder.names() == std::vector<std::wstring>{L"Pelomar.ini"});
}

TEST_CASE("the temporary file: one name, taken over after a kill, taken in turns by two copies") {
    Folder folder;
    const std::wstring path = folder.file(L"Pelomar.ini");
    const std::wstring temporary = folder.file(L"Pelomar.ini.tmp");
    const std::vector<std::wstring> onlyTheFile{L"Pelomar.ini"};
    WindowsSettingsFile file(path);
    file.writeText("[a]\r\nk=1\r\n");

    SUBCASE("what a killed save left goes with the next save, whether it writes or not") {
        for (const bool changed : {true, false}) {
            CAPTURE(changed);
            put(temporary, "[\xB2\xCB\xB5");  // cut short
            saveSettings(ContextMenu{}, file);
            CHECK(folder.names() == onlyTheFile);
            CHECK(contents(path).find("[a]\r\nk=1\r\n") == 0);
        }
    }
    SUBCASE("another copy saving: this one waits for its temporary file, then saves") {
        put(temporary, "");
        {
            Holder otherCopy(temporary, GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, kMoment);
            file.writeText("mine");
        }
        CHECK(contents(path) == "mine");
        CHECK(folder.names() == onlyTheFile);  // the other copy's file, once let go of, was this one's to reuse
    }
    SUBCASE("another copy's temporary file busy throughout: nothing is written, least of all in place") {
        put(temporary, "");
        {
            Holder otherCopy(temporary, GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE);
            file.writeText("mine");
        }
        CHECK(contents(path) == "[a]\r\nk=1\r\n");
    }
    SUBCASE("where no temporary file can be made the file is rewritten in place, cut to the text's length") {
        REQUIRE(CreateDirectoryW(temporary.c_str(), nullptr));
        file.writeText("x");
        CHECK(contents(path) == "x");
        file.writeText("[a]\r\nk=2\r\n[b]\r\n");
        CHECK(contents(path) == "[a]\r\nk=2\r\n[b]\r\n");
        RemoveDirectoryW(temporary.c_str());
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
            WritePrivateProfileStringA(std::string(text::kSettingsSection).c_str(), std::string(item.key).c_str(),
                                       std::string(menu.option(item.option) ? text::kValueTrue : text::kValueFalse).c_str(),
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

TEST_CASE("the user's folder: made by the first save there, read only while the program's folder refuses") {
    Folder folder;
    WindowsSettingsFile beside(folder.file(L"Pelomar.ini"));
    WindowsSettingsFile user(folder.file(L"user\\Pelomar.ini"));
    CHECK(user.writeText("x") == SaveResult::NotSaved);  // no folder yet: nothing made
    user.makeFolder();
    CHECK(user.writeText("[a]\r\nk=user\r\n") == SaveResult::Saved);
    CHECK(user.exists());

    // Trying the program's folder leaves nothing behind.
    CHECK_FALSE(beside.refusesWriting());
    CHECK(folder.names() == std::vector<std::wstring>{L"user"});
    beside.writeText("[a]\r\nk=beside\r\n");
    SetFileAttributesW(folder.file(L"Pelomar.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK_FALSE(beside.refusesWriting());  // locked on purpose: read where it is
    SetFileAttributesW(folder.file(L"Pelomar.ini").c_str(), FILE_ATTRIBUTE_NORMAL);

    PlacedFile placed(beside, &user);
    CHECK(placed.readText().bytes == "[a]\r\nk=beside\r\n");
    CHECK(placed.writeText("[a]\r\nk=2\r\n") == SaveResult::Saved);
    CHECK(contents(folder.file(L"Pelomar.ini")) == "[a]\r\nk=2\r\n");
    CHECK(contents(folder.file(L"user\\Pelomar.ini")) == "[a]\r\nk=user\r\n");
}
