#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "settings_keys.h"
#include "settings/settings_store.h"

using namespace pelomar;
using std::string;

namespace {

const string kTrue = "\xD5\xE6";   // 真
const string kFalse = "\xBC\xD9";  // 假
const string kHeader = "[\xB2\xCB\xB5\xA5\xC5\xE4\xD6\xC3]\r\n";  // [菜单配置]
const string kHoverSound = "\xD2\xC6\xB9\xFD\xCA\xB1\xB7\xA2\xD2\xF4";  // 移过时发音
const string kKeepInFront = "\xB1\xA3\xB3\xD6\xC7\xB0\xB6\xCB";        // 保持前端
const string kEscExits = "Esc\xBC\xFC\xCD\xCB\xB3\xF6";                // Esc键退出

class FakeFile : public SettingsFile {
public:
    SettingsText text;
    std::vector<string> writes;
    int leftoversRemoved = 0;
    SettingsText readText() override { return text; }
    SaveResult writeText(std::string_view t, SaveMode = SaveMode::Durable) override {
        writes.emplace_back(t);
        text = {SettingsText::State::Present, string(t)};
        return SaveResult::Saved;
    }
    void removeLeftovers() override { ++leftoversRemoved; }
};

FakeFile fileWith(const string& bytes) {
    FakeFile f;
    f.text = {SettingsText::State::Present, bytes};
    return f;
}

string allLines(const string& value) {
    string text = kHeader;
    for (const char* key : kSettingsKeys) text += string(key) + "=" + value + "\r\n";
    return text;
}

std::vector<bool> marks(const ContextMenu& menu) {
    std::vector<bool> out;
    for (const OptionInfo& o : optionTable()) out.push_back(menu.option(o.option));
    return out;
}

}  // namespace

TEST_CASE("the option table: keys, order, menu rows, what is applied") {
    const auto& table = optionTable();
    for (int i = 0; i < kOptionCount; ++i) {
        CAPTURE(i);
        CHECK(table[i].key == kSettingsKeys[i]);
        CHECK(optionInfo(table[i].option).key == kSettingsKeys[i]);
        const SystemEffect effect = table[i].option == Option::KeepInFront       ? SystemEffect::AlwaysOnTop
                                    : table[i].option == Option::EscCloses       ? SystemEffect::EscCloses
                                    : table[i].option == Option::StartWithSystem ? SystemEffect::Autostart
                                                                                 : SystemEffect::None;
        CHECK(table[i].effect == effect);
        // Each key is its row's caption, except the four " Ctrl键时忽略" rows.
        const MenuRow& row = menuRows()[rowOfOption(table[i].option) - 1];
        CHECK(row.action == MenuAction::ToggleOption);
        CHECK(row.option == table[i].option);
        if (string(kSettingsKeys[i]).rfind("Ctrl", 0) == 0)
            CHECK(captionOf(row) == " Ctrl\xBC\xFC\xCA\xB1\xBA\xF6\xC2\xD4");
        else
            CHECK(captionOf(row) == kSettingsKeys[i]);
    }
    CHECK(ContextMenu{}.option(Option::StartWithSystem));  // every option is on by design
    CHECK(settingsFilePath({L"C:", L"Pelomar.exe"}) == L"C:\\Pelomar.ini");
    CHECK(settingsFilePath({L"D:\\\u5B66\u4E60 \U0001F600", L"p.exe"}) == L"D:\\\u5B66\u4E60 \U0001F600\\Pelomar.ini");
}

TEST_CASE("loading: values, defaults and the order of applying") {
    SUBCASE("no file: every option keeps its mark, the three system ones are applied in order") {
        FakeFile file;
        ContextMenu menu;
        std::vector<Option> applied;
        loadSettings(menu, file, [&](Option o) { applied.push_back(o); });
        CHECK(marks(menu) == std::vector<bool>(kOptionCount, true));
        CHECK(applied == std::vector<Option>{Option::KeepInFront, Option::EscCloses, Option::StartWithSystem});
        CHECK(file.writes.empty());
    }
    SUBCASE("each option is applied right after it is read, before the next is read") {
        FakeFile file = fileWith(kHeader + kKeepInFront + "=" + kFalse + "\r\n" + kEscExits + "=" + kFalse + "\r\n");
        ContextMenu menu;
        std::vector<std::vector<bool>> seen;
        loadSettings(menu, file, [&](Option) { seen.push_back(marks(menu)); });
        REQUIRE(seen.size() == 3);
        CHECK_FALSE(seen[0][8]);
        CHECK(seen[0][9]);  // Esc键退出 not read yet when 保持前端 is applied
        CHECK_FALSE(seen[1][9]);
    }
    SUBCASE("only exactly 真 is on; a missing key keeps the current mark") {
        const string values[] = {"", kFalse, "1", "true", kTrue + "x", " " + kTrue, "\"" + kTrue + "\"",
                                 "\xE7\x9C\x9F", kTrue + " ", "'" + kTrue + "'"};
        string text = kHeader;
        for (int i = 0; i < 10; ++i) text += string(kSettingsKeys[i]) + "=" + values[i] + "\r\n";
        FakeFile file = fileWith(text);
        ContextMenu menu;
        menu.setOption(Option::StartWithSystem, false);  // its key is absent: stays as it was
        loadSettings(menu, file, nullptr);
        // Blanks around a value and quotes around the whole of it are not part of it.
        CHECK(marks(menu) == std::vector<bool>{false, false, false, false, false, true, true, false, true, true, false});
    }
    SUBCASE("UTF-8 values read as off; a wholly UTF-8 file has no section we know") {
        FakeFile utf8Values = fileWith(allLines("\xE7\x9C\x9F"));
        ContextMenu menu;
        loadSettings(menu, utf8Values, nullptr);
        CHECK(marks(menu) == std::vector<bool>(kOptionCount, false));

        FakeFile utf8File = fileWith("[\xE8\x8F\x9C\xE5\x8D\x95\xE9\x85\x8D\xE7\xBD\xAE]\r\n"
                                     "\xE7\xA7\xBB\xE8\xBF\x87\xE6\x97\xB6\xE5\x8F\x91\xE9\x9F\xB3=\xE5\x81\x87\r\n");
        ContextMenu menu2;
        loadSettings(menu2, utf8File, nullptr);
        CHECK(marks(menu2) == std::vector<bool>(kOptionCount, true));
    }
}

TEST_CASE("saving: the file's text, written once and only when it changes") {
    SUBCASE("no file: the section and the eleven keys in order, CR LF lines") {
        FakeFile file;
        ContextMenu menu;
        menu.setOption(Option::HoverCard, false);
        saveSettings(menu, file);
        REQUIRE(file.writes.size() == 1);
        string expected = allLines(kTrue);
        const string third = string(kSettingsKeys[2]) + "=";
        expected.replace(expected.find(third) + third.size(), 2, kFalse);
        CHECK(file.writes[0] == expected);
    }
    SUBCASE("an up-to-date file is not written again; a killed save's leftovers go all the same") {
        FakeFile file = fileWith(allLines(kTrue));
        saveSettings(ContextMenu{}, file);
        CHECK(file.writes.empty());
        CHECK(file.leftoversRemoved == 1);
    }
    SUBCASE("other sections, comments and blank lines stay; changed keys change in place") {
        const string before = "; mine\n[other]\nx=1\n\n" + allLines(kTrue) + "\n[more]\ny=2\n";
        FakeFile file = fileWith(before);
        ContextMenu menu;
        menu.setOption(Option::HoverSound, false);
        saveSettings(menu, file);
        REQUIRE(file.writes.size() == 1);
        CHECK(file.leftoversRemoved == 0);  // the write takes them over
        string expected = before;
        const string first = kHoverSound + "=";
        expected.replace(expected.find(first) + first.size(), 2, kFalse);
        CHECK(file.writes[0] == expected);
    }
    SUBCASE("a file that cannot be read, or is UTF-16, is left alone") {
        FakeFile unreadable;
        unreadable.text.state = SettingsText::State::Unreadable;
        FakeFile utf16 = fileWith(string("\xFF\xFE[\0", 4));
        ContextMenu menu;
        menu.setOption(Option::HoverSound, false);
        for (FakeFile* f : {&unreadable, &utf16}) {
            loadSettings(menu, *f, nullptr);
            saveSettings(menu, *f);
            CHECK(f->writes.empty());
            CHECK(f->leftoversRemoved == 1);
        }
        CHECK_FALSE(menu.option(Option::HoverSound));
    }
}

TEST_CASE("blanks a killed in-place rewrite left at the end go with the next save") {
    const string padding(37, ' ');
    SUBCASE("the options unchanged: written once all the same, without them") {
        FakeFile file = fileWith(allLines(kTrue) + padding);
        saveSettings(ContextMenu{}, file);
        REQUIRE(file.writes.size() == 1);
        CHECK(file.writes[0] == allLines(kTrue));
        saveSettings(ContextMenu{}, file);  // and then there is nothing left to write
        CHECK(file.writes.size() == 1);
    }
    SUBCASE("an option changed: the text is updated as if they were not there") {
        const string before = allLines(kTrue) + "[more]\r\ny=2";
        FakeFile file = fileWith(before + padding);
        ContextMenu menu;
        menu.setOption(Option::HoverSound, false);
        saveSettings(menu, file);
        REQUIRE(file.writes.size() == 1);
        CHECK(file.writes[0] == settingsText(menu, before));
    }
    SUBCASE("only blanks at the very end: others stay, and so does the second byte of a final character") {
        const string inside = allLines(kTrue) + "[more]\r\ny=2   \r\nz=\xD5";
        FakeFile file = fileWith(inside + " " + padding);
        saveSettings(ContextMenu{}, file);
        REQUIRE(file.writes.size() == 1);
        CHECK(file.writes[0] == inside + " ");
    }
}
