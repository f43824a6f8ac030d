#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "text/texts.h"

using namespace pelomar;
using Args = std::vector<std::string>;

namespace {
const std::string kHidden(text::kHiddenArgument);
}

TEST_CASE("the program path is skipped, quoted or not") {
    CHECK(splitCommandLine("Pelomar.exe").empty());
    CHECK(splitCommandLine("\"C:\\Program Files\\Pelomar.exe\"").empty());
    CHECK(splitCommandLine("\"C:\\a b\\Pelomar.exe\" x") == Args{"x"});
    CHECK(splitCommandLine("C:\\Pelomar.exe x  y") == Args{"x", "y"});
    // Only one blank after the closing quote is part of the path; more are skipped anyway.
    CHECK(splitCommandLine("\"p.exe\"   x") == Args{"x"});
    // A quote right after the path's closing quote starts an argument.
    CHECK(splitCommandLine("\"p.exe\"\"a b\"") == Args{"a b"});
    CHECK(splitCommandLine("\"unterminated path").empty());
    CHECK(splitCommandLine("").empty());
}

TEST_CASE("arguments: blanks, controls, quotes") {
    CHECK(splitCommandLine("p \t\r\n a\tb ") == Args{"a", "b"});
    CHECK(splitCommandLine("p \"a b\" c") == Args{"a b", "c"});
    CHECK(splitCommandLine("p \"\"") == Args{""});
    CHECK(splitCommandLine("p \"open to the end") == Args{"open to the end"});
    CHECK(splitCommandLine("p ab\"cd\"ef") == Args{"ab", "cd", "ef"});
    CHECK(splitCommandLine("p a\x01" "b") == Args{"a", "b"});
}

TEST_CASE("double-byte characters are taken whole") {
    // 0x22 and 0x20 as trail bytes must not end an argument. (The trail byte
    // range of GBK starts at 0x40, but the split must not depend on that.)
    CHECK(splitCommandLine("p \x81\x22\x81\x20z") == Args{"\x81\x22\x81\x20z"});
    CHECK(splitCommandLine("p \"\x81\x22\" y") == Args{"\x81\x22", "y"});
    CHECK(splitCommandLine("\"\xD2\x22.exe\" a") == Args{"a"});
    CHECK(splitCommandLine("\xD2\x20.exe a") == Args{"a"});
    // A lead byte that is the last byte is dropped.
    CHECK(splitCommandLine("p ab\xD2") == Args{"ab"});
    CHECK(splitCommandLine("p \"ab\xD2") == Args{"ab"});
    CHECK(splitCommandLine("p \xD2") == Args{""});
}

TEST_CASE("the hidden start argument") {
    CHECK_FALSE(startsVisible(splitCommandLine("p " + kHidden)));
    CHECK_FALSE(startsVisible(splitCommandLine("\"C:\\x y\\Pelomar.exe\" \"" + kHidden + "\"")));
    CHECK_FALSE(startsVisible(splitCommandLine("p " + kHidden + " other")));
    CHECK(startsVisible(splitCommandLine("p")));
    CHECK(startsVisible(splitCommandLine("p " + kHidden + "X")));
    CHECK(startsVisible(splitCommandLine("p other " + kHidden)));
    CHECK(startsVisible(splitCommandLine("p \xD2\xFE")));
    CHECK(startsVisible(splitCommandLine(kHidden)));  // the program path itself is never an argument
}
