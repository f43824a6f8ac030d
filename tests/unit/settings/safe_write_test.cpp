#include <doctest/doctest.h>

#include <deque>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/safe_write.h"

using namespace pelomar;

namespace {

// Records what is done to the file; each step answers from its queue of
// results, the last one repeating.
class FakeFile : public ReplaceableFile {
public:
    bool present = true;
    bool readOnly = false;
    std::deque<FileError> make{kFileOk};
    std::deque<FileError> clear{kFileOk};
    bool temporaryThere = false;
    bool writes = true;
    std::deque<FileError> replace{kFileOk};
    std::deque<FileError> inPlace{kFileOk};
    std::deque<FileError> openedInPlace{kFileOk};
    std::vector<std::string> calls;

    bool exists() override { return present; }
    bool isReadOnly() override { return readOnly; }
    FileError makeTemporary() override { return next("make", make); }
    FileError clearTemporary() override { return next("clear", clear); }
    bool temporaryPresent() override { return temporaryThere; }
    bool writeTemporary(std::string_view, SaveMode mode) override {
        calls.push_back(mode == SaveMode::Quick ? "write quick" : "write");
        return writes;
    }
    FileError replaceWithTemporary(SaveMode) override { return next("replace", replace); }
    void removeTemporary() override { calls.push_back("remove"); }
    FileError rewriteInPlace(std::string_view, SaveMode) override { return next("in place", inPlace); }
    FileError openInPlace() override { return next("open in place", openedInPlace); }
    void pause(int ms) override { calls.push_back("pause " + std::to_string(ms)); }

private:
    FileError next(const char* call, std::deque<FileError>& results) {
        calls.push_back(call);
        const FileError result = results.front();
        if (results.size() > 1) results.pop_front();
        return result;
    }
};

using Calls = std::vector<std::string>;
constexpr FileError kNotFound = 2, kPathNotFound = 3, kDiskFull = 112;
constexpr SaveResult kSaved = SaveResult::Saved, kNotSaved = SaveResult::NotSaved, kRefused = SaveResult::Refused;

Calls operator+(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Calls repeated(const Calls& once, int times) {
    Calls out;
    for (int i = 0; i < times; ++i) out.insert(out.end(), once.begin(), once.end());
    return out;
}

}  // namespace

TEST_CASE("replacing a file's text") {
    FakeFile f;
    SUBCASE("through a new temporary file, in one step") {
        CHECK(replaceFileText(f, "x") == kSaved);
        CHECK(f.calls == Calls{"make", "write", "replace"});
    }
    SUBCASE("a new file too") {
        f.present = false;
        CHECK(replaceFileText(f, "x") == kSaved);
        CHECK(f.calls == Calls{"make", "write", "replace"});
    }
    SUBCASE("a read-only file is not touched, and no refusal") {
        f.readOnly = true;
        CHECK(replaceFileText(f, "x") == kNotSaved);
        CHECK(f.calls.empty());
    }
    SUBCASE("something under the temporary name (a killed save's file, a link) is cleared, then made anew") {
        f.make = {kErrorFileExists, kFileOk};
        CHECK(replaceFileText(f, "x") == kSaved);
        CHECK(f.calls == Calls{"make", "clear", "make", "write", "replace"});
    }
    SUBCASE("a directory that refuses new files: rewritten in place") {
        f.make = {kPathNotFound};
        CHECK(replaceFileText(f, "x") == kSaved);
        CHECK(f.calls == Calls{"make", "in place"});
    }
    SUBCASE("... but no file is made there") {
        f.make = {kPathNotFound};
        f.present = false;
        CHECK(replaceFileText(f, "x") == kNotSaved);
        CHECK(f.calls == Calls{"make"});
    }
    SUBCASE("a temporary file that could not be written goes, and the old file stays") {
        f.writes = false;
        CHECK(replaceFileText(f, "x") == kNotSaved);
        CHECK(f.calls == Calls{"make", "write", "remove"});
    }
    SUBCASE("an old file that refuses to be replaced: the temporary one goes") {
        f.replace = {kDiskFull};
        CHECK(replaceFileText(f, "x") == kNotSaved);
        CHECK(f.calls == Calls{"make", "write", "replace", "remove"});
    }
}

TEST_CASE("a save refused by the folder or the file, worth making elsewhere") {
    FakeFile f;
    SUBCASE("no new file may be made, and there is none: refused at once") {
        f.present = false;
        for (const FileError denied : {kErrorAccessDenied, kErrorWriteProtect}) {
            CAPTURE(denied);
            f.calls.clear();
            f.make = {denied};
            CHECK(replaceFileText(f, "x") == kRefused);
            CHECK(f.calls == Calls{"make"});
        }
    }
    SUBCASE("... and the file there may not be written either") {
        f.make = {kErrorAccessDenied};
        f.inPlace = {kErrorAccessDenied};
        CHECK(replaceFileText(f, "x") == kRefused);
        CHECK(f.calls == Calls{"make", "in place"} + repeated({"pause 50", "in place"}, kLockedTries - 1));
    }
    SUBCASE("... or it is a link, which is not written through") {
        f.make = {kErrorAccessDenied};
        f.inPlace = {kErrorLink};
        CHECK(replaceFileText(f, "x") == kRefused);
        CHECK(f.calls == Calls{"make", "in place"});
    }
    SUBCASE("not refusals: a missing folder, a held file, a full disk") {
        f.present = false;
        f.make = {kPathNotFound};
        CHECK(replaceFileText(f, "x") == kNotSaved);
        FakeFile held;
        held.make = {kErrorAccessDenied};
        held.inPlace = {kErrorSharingViolation};
        CHECK(replaceFileText(held, "x") == kNotSaved);
        FakeFile full;
        full.replace = {kErrorAccessDenied};
        CHECK(replaceFileText(full, "x") == kNotSaved);  // a file that stays denied while the folder takes files
    }
}

TEST_CASE("replacing a file another program holds for a moment") {
    FakeFile f;
    SUBCASE("a held old file is tried again, 50 ms apart, until it gives way") {
        f.replace = {kErrorSharingViolation, kErrorAccessDenied, kFileOk};
        CHECK(replaceFileText(f, "x") == kSaved);
        CHECK(f.calls == Calls{"make", "write", "replace", "pause 50", "replace", "pause 50", "replace"});
    }
    SUBCASE("... five times at most; then the temporary file goes") {
        f.replace = {kErrorAccessDenied};
        CHECK(replaceFileText(f, "x") == kNotSaved);
        CHECK(f.calls == Calls{"make", "write", "replace"} + repeated({"pause 50", "replace"}, kLockedTries - 1) +
                             Calls{"remove"});
    }
    SUBCASE("another copy of the program saving: wait for its temporary file, never rewrite in place") {
        f.make = {kErrorFileExists, kErrorFileExists, kFileOk};
        f.clear = {kErrorSharingViolation, kFileOk};
        CHECK(replaceFileText(f, "x") == kSaved);
        CHECK(f.calls == Calls{"make", "clear", "pause 50", "make", "clear", "make", "write", "replace"});

        FakeFile busy;
        busy.make = {kErrorFileExists};
        busy.clear = {kErrorSharingViolation};
        CHECK(replaceFileText(busy, "x") == kNotSaved);
        CHECK(busy.calls == Calls{"make", "clear"} + repeated({"pause 50", "make", "clear"}, kBusyTemporaryTries - 1));
    }
    SUBCASE("another copy makes its temporary file between the clearing and the making: its turn first") {
        f.make = {kErrorFileExists, kErrorFileExists, kFileOk};
        CHECK(replaceFileText(f, "x") == kSaved);
        CHECK(f.calls == Calls{"make", "clear", "make", "pause 50", "make", "write", "replace"});
    }
    SUBCASE("a temporary file denied while there is none: the directory refuses it, rewritten in place at once") {
        f.make = {kErrorAccessDenied};
        f.inPlace = {kErrorSharingViolation, kFileOk};
        CHECK(replaceFileText(f, "x") == kSaved);
        CHECK(f.calls == Calls{"make", "in place", "pause 50", "in place"});
    }
    SUBCASE("a temporary file denied while it is there (being deleted): waited for") {
        f.make = {kErrorAccessDenied, kFileOk};
        f.temporaryThere = true;
        CHECK(replaceFileText(f, "x") == kSaved);
        CHECK(f.calls == Calls{"make", "pause 50", "make", "write", "replace"});
    }
}

TEST_CASE("a quick save: not flushed, and never waits for a held file; the caller tries again later") {
    FakeFile f;
    CHECK(replaceFileText(f, "x", SaveMode::Quick) == kSaved);
    CHECK(f.calls == Calls{"make", "write quick", "replace"});
    FakeFile held;
    held.replace = {kErrorSharingViolation, kFileOk};
    CHECK(replaceFileText(held, "x", SaveMode::Quick) == kNotSaved);
    CHECK(held.calls == Calls{"make", "write quick", "replace", "remove"});
    FakeFile busy;
    busy.make = {kErrorFileExists};
    busy.clear = {kErrorSharingViolation};
    CHECK(replaceFileText(busy, "x", SaveMode::Quick) == kNotSaved);
    CHECK(busy.calls == Calls{"make", "clear"});
    FakeFile denied;
    denied.make = {kErrorAccessDenied};
    denied.inPlace = {kErrorSharingViolation, kFileOk};
    CHECK(replaceFileText(denied, "x", SaveMode::Quick) == kNotSaved);
    CHECK(denied.calls == Calls{"make", "in place"});
}

TEST_CASE("whether a save would be refused, found by trying without writing") {
    FakeFile f;
    SUBCASE("a temporary file can be made: not refused, and it goes again") {
        CHECK_FALSE(writingRefused(f));
        CHECK(f.calls == Calls{"make", "remove"});
    }
    SUBCASE("no new file may be made: refused where there is no file, else as the file itself answers") {
        f.make = {kErrorAccessDenied};
        f.present = false;
        CHECK(writingRefused(f));
        CHECK(f.calls == Calls{"make"});
        f.present = true;
        for (const FileError opened : {kErrorAccessDenied, kErrorWriteProtect, kErrorLink}) {
            CAPTURE(opened);
            f.openedInPlace = {opened};
            CHECK(writingRefused(f));
        }
        f.calls.clear();
        f.openedInPlace = {kFileOk};
        CHECK_FALSE(writingRefused(f));
        CHECK(f.calls == Calls{"make", "open in place"});
    }
    SUBCASE("a read-only file is read where it is: no trying at all") {
        f.readOnly = true;
        f.make = {kErrorAccessDenied};
        CHECK_FALSE(writingRefused(f));
        CHECK(f.calls.empty());
    }
    SUBCASE("another copy saving, or a folder that is not there: no refusal") {
        f.make = {kErrorFileExists};
        f.clear = {kErrorSharingViolation};
        CHECK_FALSE(writingRefused(f));
        FakeFile gone;
        gone.present = false;
        gone.make = {kPathNotFound};
        CHECK_FALSE(writingRefused(gone));
    }
}

TEST_CASE("trying again only while a file is locked") {
    std::vector<int> pauses;
    const auto pause = [&](int ms) { pauses.push_back(ms); };
    const auto answers = [](std::deque<FileError> results, int& runs) {
        return [results, &runs]() mutable {
            ++runs;
            const FileError r = results.front();
            if (results.size() > 1) results.pop_front();
            return r;
        };
    };
    int runs = 0;
    for (const FileError final : {kNotFound, kDiskFull, kFileOk}) {
        CAPTURE(final);
        runs = 0;
        pauses.clear();
        CHECK(retryWhileLocked(answers({kErrorSharingViolation, kErrorAccessDenied, final}, runs), pause) == final);
        CHECK(runs == 3);
        CHECK(pauses == std::vector<int>{kLockedPauseMs, kLockedPauseMs});
    }
    runs = 0;
    pauses.clear();
    CHECK(retryWhileLocked(answers({kNotFound, kFileOk}, runs), pause) == kNotFound);  // other errors: at once
    CHECK((runs == 1 && pauses.empty()));
    CHECK(retryWhileLocked(answers({kErrorSharingViolation}, runs = 0), pause, 3) == kErrorSharingViolation);
    CHECK(runs == 3);
    CHECK(kLockedPauseMs == 50);
}

TEST_CASE("padding: blanks at the very end, but never a final character's second byte") {
    CHECK(withoutPadding("[s]\r\nk=1\r\n    ") == "[s]\r\nk=1\r\n");
    CHECK(withoutPadding("[s]\r\nk=1 \t  ") == "[s]\r\nk=1 \t");  // only blanks
    CHECK(withoutPadding("k=\xD5   ") == "k=\xD5 ");
    CHECK(withoutPadding("k=\xD5\xE6  ") == "k=\xD5\xE6");
    CHECK(withoutPadding("k=\xD5\x81 ") == "k=\xD5\x81");  // 0x81 is the second byte there
    CHECK(withoutPadding("   ").empty());
    CHECK(withoutPadding("") == "");
    // What a rewrite killed before its cut left goes back to the text it wrote.
    for (const std::string text : {"[s]\r\nk=\xD5\xE6\r\n", "[s]\r\nk=\xD5", "[s]\r\nk=v ", "x\xD5 "}) {
        CAPTURE(text);
        const std::string padded = inPlaceBytes(text, text.size() + 50);
        CHECK(withoutPadding(padded) == withoutPadding(text));
    }
}

TEST_CASE("an in-place rewrite reads as the new text before it is cut") {
    const std::string section = "\xB2\xCB\xB5\xA5\xC5\xE4\xD6\xC3";  // 菜单配置
    const std::string key = "k";
    CHECK(inPlaceBytes("[s]\r\nk=1\r\n", 4) == "[s]\r\nk=1\r\n");  // longer: nothing added
    CHECK(inPlaceBytes("[s]\r\nk=1\r\n", 14) == "[s]\r\nk=1\r\n    ");
    // A final lead byte would pair with a blank and read differently.
    CHECK(inPlaceBytes("[s]\r\nk=\xD5", 20) == "[s]\r\nk=\xD5");
    CHECK(inPlaceBytes("[s]\r\nk=\xD5\xE6", 20).size() == 20);

    const std::string texts[] = {
        "[s]\r\nk=\xD5\xE6\r\n",   "[s]\r\nk=\xD5\xE6",   "[s]\r\nk=\"v\"",      "[s]\r\nk='v '",
        "[s]\r\nk=v\r\n[t]",       "[s]\r\nk=v\r\n[t]\r\nk", "[s]\nk=v\n; note", "[" + section + "]\r\nk=\xBC\xD9",
        "[s]\r\nk=\x81\x20\r\nk2", "[s]\r\nk=v \x81\x40",
    };
    for (const std::string& text : texts) {
        CAPTURE(text);
        const std::string padded = inPlaceBytes(text, text.size() + 37);
        CHECK(padded.size() == text.size() + 37);
        for (const std::string& s : {std::string("s"), std::string("t"), section})
            for (const std::string& k : {key, std::string("k2"), std::string("; note")})
                CHECK(ini::readValue(padded, s, k) == ini::readValue(text, s, k));
    }
}
