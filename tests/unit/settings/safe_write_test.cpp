#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "settings/safe_write.h"

using namespace pelomar;

namespace {

// Records what is done to the file; the answers are set by each case.
class FakeFile : public ReplaceableFile {
public:
    bool present = true;
    bool readOnly = false;
    TempResult temp = TempResult::Written;
    bool replaces = true;
    bool rewrites = true;
    std::vector<std::string> calls;

    bool exists() override { return present; }
    bool isReadOnly() override { return readOnly; }
    TempResult writeTemporary(std::string_view) override {
        calls.push_back("temp");
        return temp;
    }
    bool replaceWithTemporary() override {
        calls.push_back("replace");
        return replaces;
    }
    void removeTemporary() override { calls.push_back("remove"); }
    bool rewriteInPlace(std::string_view) override {
        calls.push_back("in place");
        return rewrites;
    }
};

using Calls = std::vector<std::string>;

}  // namespace

TEST_CASE("replacing a file's text") {
    FakeFile f;
    SUBCASE("through a temporary file, in one step") {
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"temp", "replace"});
    }
    SUBCASE("a new file too") {
        f.present = false;
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"temp", "replace"});
    }
    SUBCASE("a read-only file is not touched") {
        f.readOnly = true;
        CHECK_FALSE(replaceFileText(f, "x"));
        CHECK(f.calls.empty());
    }
    SUBCASE("a directory that refuses new files: rewritten in place") {
        f.temp = ReplaceableFile::TempResult::CannotCreate;
        CHECK(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"temp", "in place"});
    }
    SUBCASE("... but no file is made there") {
        f.temp = ReplaceableFile::TempResult::CannotCreate;
        f.present = false;
        CHECK_FALSE(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"temp"});
    }
    SUBCASE("a temporary file that could not be written: the old file stays") {
        f.temp = ReplaceableFile::TempResult::Failed;
        CHECK_FALSE(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"temp"});
    }
    SUBCASE("an old file that refuses to be replaced: the temporary one goes") {
        f.replaces = false;
        CHECK_FALSE(replaceFileText(f, "x"));
        CHECK(f.calls == Calls{"temp", "replace", "remove"});
    }
}
