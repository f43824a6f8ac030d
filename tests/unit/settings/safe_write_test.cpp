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
    std::deque<FileError> hold{kFileOk};
    bool temporaryThere = false;
    bool writes = true;
    std::deque<FileError> replace{kFileOk};
    std::deque<FileError> inPlace{kFileOk};
    std::vector<std::string> calls;

    bool exists() override { return present; }
    bool isReadOnly() override { return readOnly; }
    FileError holdTemporary() override { return next("hold", hold); }
    bool temporaryPresent() override { return temporaryThere; }
    bool writeTemporary(std::string_view) override {
        calls.push_back("write");
        return writes;
    }
    FileError replaceWithTemporary() override { return next("replace", replace); }
    void removeTemporary() override { calls.push_back("remove"); }
    FileError rewriteInPlace(std::string_view) override { return next("in place", inPlace); }
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
    SUBCASE("through a temporary file, in one step") {
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "write", "replace"});
    }
    SUBCASE("a new file too") {
        f.present = false;
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "write", "replace"});
    }
    SUBCASE("a read-only file is not touched") {
        f.readOnly = true;
        CHECK_FALSE(replaceFileText(f, "x"));
        CHECK(f.calls.empty());
    }
    SUBCASE("a directory that refuses new files: rewritten in place") {
        f.hold = {kPathNotFound};
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "in place"});
    }
    SUBCASE("... but no file is made there") {
        f.hold = {kPathNotFound};
        f.present = false;
        CHECK_FALSE(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold"});
    }
    SUBCASE("a temporary file that could not be written goes, and the old file stays") {
        f.writes = false;
        CHECK_FALSE(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "write", "remove"});
    }
    SUBCASE("an old file that refuses to be replaced: the temporary one goes") {
        f.replace = {kDiskFull};
        CHECK_FALSE(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "write", "replace", "remove"});
    }
}

TEST_CASE("replacing a file another program holds for a moment") {
    FakeFile f;
    SUBCASE("a held old file is tried again, 50 ms apart, until it gives way") {
        f.replace = {kErrorSharingViolation, kErrorAccessDenied, kFileOk};
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "write", "replace", "pause 50", "replace", "pause 50", "replace"});
    }
    SUBCASE("... five times at most; then the temporary file goes") {
        f.replace = {kErrorAccessDenied};
        CHECK_FALSE(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "write", "replace"} + repeated({"pause 50", "replace"}, kLockedTries - 1) +
                             Calls{"remove"});
    }
    SUBCASE("another copy of the program saving: wait for its temporary file, never rewrite in place") {
        f.hold = {kErrorSharingViolation, kErrorSharingViolation, kFileOk};
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "pause 50", "hold", "pause 50", "hold", "write", "replace"});

        FakeFile busy;
        busy.hold = {kErrorSharingViolation};
        CHECK_FALSE(replaceFileText(busy, "x"));
        CHECK(busy.calls == Calls{"hold"} + repeated({"pause 50", "hold"}, kBusyTemporaryTries - 1));
    }
    SUBCASE("a temporary file denied while there is none: the directory refuses it, rewritten in place at once") {
        f.hold = {kErrorAccessDenied};
        f.inPlace = {kErrorSharingViolation, kFileOk};
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "in place", "pause 50", "in place"});
    }
    SUBCASE("a temporary file denied while it is there (being deleted): waited for") {
        f.hold = {kErrorAccessDenied, kFileOk};
        f.temporaryThere = true;
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"hold", "pause 50", "hold", "write", "replace"});
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
