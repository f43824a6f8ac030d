#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "settings/file_place.h"

using namespace pelomar;

namespace {

// One place, as the choice sees it; every call is logged with its place's name.
class FakePlace : public FilePlace {
public:
    FakePlace(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    bool present = false;
    bool refuses = false;
    SaveResult result = SaveResult::Saved;
    std::string text;

    SettingsText readText() override {
        note("read");
        return present ? SettingsText{SettingsText::State::Present, text} : SettingsText{};
    }
    SaveResult writeText(std::string_view t, SaveMode = SaveMode::Durable) override {
        note("write");
        if (result == SaveResult::Saved) {
            text = t;
            present = true;
        }
        return result;
    }
    void removeLeftovers() override { note("leftovers"); }
    bool exists() override { return present; }
    bool refusesWriting() override {
        note("try");
        return refuses;
    }
    void makeFolder() override { note("make folder"); }
    bool setAside(std::wstring_view) override {
        note("set aside");
        return true;
    }

private:
    void note(const char* what) { log_.push_back(name_ + " " + what); }
    std::string name_;
    std::vector<std::string>& log_;
};

using Log = std::vector<std::string>;

}  // namespace

TEST_CASE("the two paths of a file of the program's own") {
    const FilePaths paths = filePaths(L"C:\\Program Files\\Pelomar", L"C:\\Users\\\u5B66\\AppData\\Local", L"Pelomar.ini");
    CHECK(paths.besideProgram == L"C:\\Program Files\\Pelomar\\Pelomar.ini");
    CHECK(paths.userFolder == L"C:\\Users\\\u5B66\\AppData\\Local\\Pelomar\\Pelomar.ini");
    CHECK(filePaths(L"C:", L"D:\\", L"Pelomar-practice.ini").besideProgram == L"C:\\Pelomar-practice.ini");
    CHECK(filePaths(L"C:", L"D:\\", L"Pelomar-practice.ini").userFolder == L"D:\\Pelomar\\Pelomar-practice.ini");
    CHECK(filePaths(L"C:\\x", L"", L"Pelomar.ini").userFolder.empty());  // the system named no such folder
}

TEST_CASE("where a file is read from and saved to") {
    Log log;
    FakePlace beside("beside", log), user("user", log);
    PlacedFile file(beside, &user);

    SUBCASE("no file in the user's folder: beside the executable, without trying it") {
        beside.refuses = true;
        file.readText();
        file.removeLeftovers();
        CHECK(log == Log{"beside read", "beside leftovers"});
    }
    SUBCASE("a file in the user's folder, the executable's folder writable: beside the executable") {
        user.present = true;
        file.readText();
        CHECK(file.writeText("x") == SaveResult::Saved);
        CHECK(log == Log{"beside try", "beside read", "beside write"});
    }
    SUBCASE("a file in the user's folder, the executable's folder refusing: the user's file, read and saved") {
        user.present = true;
        beside.refuses = true;
        file.readText();
        CHECK(file.writeText("x") == SaveResult::Saved);
        file.removeLeftovers();
        CHECK(log == Log{"beside try", "user read", "user write", "user leftovers"});
    }
    SUBCASE("a save refused beside the executable goes to the user's folder, made first") {
        beside.result = SaveResult::Refused;
        file.readText();
        CHECK(file.writeText("x") == SaveResult::Saved);
        CHECK(log == Log{"beside read", "beside write", "user make folder", "user write"});
        CHECK(user.text == "x");
        // And the next start reads it there.
        log.clear();
        PlacedFile next(beside, &user);
        beside.refuses = true;
        CHECK(next.readText().bytes == "x");
        CHECK(log == Log{"beside try", "user read"});
    }
    SUBCASE("a save that fails otherwise (a read-only file, a held one) goes nowhere else") {
        beside.result = SaveResult::NotSaved;
        CHECK(file.writeText("x") == SaveResult::NotSaved);
        CHECK(log == Log{"beside write"});
    }
    SUBCASE("the user's folder refusing too: nothing more is tried") {
        user.present = true;
        beside.refuses = true;
        user.result = SaveResult::Refused;
        CHECK(file.writeText("x") == SaveResult::Refused);
        CHECK(log == Log{"beside try", "user write"});
    }
}

TEST_CASE("without a user's folder the file is only ever beside the executable") {
    Log log;
    FakePlace beside("beside", log);
    beside.result = SaveResult::Refused;
    PlacedFile file(beside, nullptr);
    file.readText();
    CHECK(file.writeText("x") == SaveResult::Refused);
    CHECK(log == Log{"beside read", "beside write"});
}
