#include <doctest/doctest.h>

#include <optional>
#include <string>

#include "settings/ini_file.h"

using namespace pelomar;
using ini::readValue;
using ini::writeValue;
using std::string;

namespace {
const string kSection = "\xB2\xCB\xB5\xA5\xC5\xE4\xD6\xC3";  // 菜单配置
const string kKey = "\xD2\xC6\xB9\xFD\xCA\xB1\xB7\xA2\xD2\xF4";  // 移过时发音
const string kTrue = "\xD5\xE6";  // 真

std::optional<string> read(const string& text, const string& section = "s", const string& key = "k") {
    return readValue(text, section, key);
}
}  // namespace

TEST_CASE("lookup: blanks, case and line breaks") {
    CHECK(read("[s]\r\nk=v\r\n") == "v");
    CHECK(read(" \t[ s ]\t \n \x0B k \x0C = \x1A v \t\n") == "v");
    CHECK(read("[S]\nK=v") == "v");                  // ASCII case and no final line break
    CHECK(read("[s]\rk=v\r") == "v");                // CR alone ends a line
    CHECK(read("[s]\n\r\n\n\rk=v\n") == "v");        // blank lines
    CHECK(read("[s] junk ]x\nk=v", "s] junk", "k") == "v");  // the name runs to the last ']'
    CHECK(read("[s\nk=v") == std::nullopt);          // no ']': not a section
    CHECK(read("[s]\nk=a=b") == "a=b");              // split at the first '='
    CHECK(read("[s]\nk =\n") == "");                 // present but empty
    CHECK(read("[s]\nk\n") == std::nullopt);         // no '=': nothing to read
    CHECK(read("[s]\nk\nk=2\n") == std::nullopt);    // ... and it still hides a later k
    CHECK(read("[s]\nk=v ;c\n") == "v ;c");          // no comments inside values
    CHECK(read("[s]\n;k=v\n", "s", ";k") == "v");    // a comment line is an entry like any other
    CHECK(read("k=v\n[s]\n") == std::nullopt);       // above every section
}

TEST_CASE("lookup: duplicates, and only the first section of a name") {
    CHECK(read("[s]\nk=1\nk=2\n") == "1");
    CHECK(read("[s]\nj=1\n[t]\nk=0\n[S]\nk=2\n") == std::nullopt);
    CHECK(read("[t]\nk=0\n[s]\nk=2\n[s]\nk=3\n") == "2");
}

TEST_CASE("lookup: quotes around the whole value are dropped") {
    CHECK(read("[s]\nk=\"v\"") == "v");
    CHECK(read("[s]\nk='v'") == "v");
    CHECK(read("[s]\nk= \" v \" ") == " v ");
    CHECK(read("[s]\nk=\"\"") == "");
    CHECK(read("[s]\nk=\"") == "\"");
    CHECK(read("[s]\nk=\"v'") == "\"v'");
    CHECK(read("[s]\nk=\"a\"b\"") == "a\"b");
    CHECK(read("[s]\nk=v\"") == "v\"");
    // 0xD5 0x22 is one double-byte character, not a closing quote.
    CHECK(read("[s]\nk=\"\xD5\"") == "\"\xD5\"");
}

TEST_CASE("lookup: GBK text is matched byte for byte, never split") {
    const string text = "[" + kSection + "]\r\n" + kKey + "=" + kTrue + "\r\n";
    CHECK(readValue(text, kSection, kKey) == kTrue);
    CHECK(read("[s]\n\xA3\xC1=v", "s", "\xA3\xE1") == std::nullopt);  // full-width A and a: no folding
    CHECK(read("[s]\n\x81k=v", "s", "\x81K") == std::nullopt);        // 'k' here is a trail byte
    CHECK(read("[\xD5]]\nk=v", "\xD5]", "k") == "v");                 // ']' as a trail byte
    // A lead byte takes the line break with it: the next line joins this one.
    CHECK(read("[s]\nk=v\xD5\nj=w\n", "s", "j") == std::nullopt);
    CHECK(read("[s]\nk=v\xD5\nj=w\n") == "v\xD5\nj=w");
    // 0x80 and 0xFF are single bytes in GBK.
    CHECK(read("[s]\nk=v\x80\nj=w\xFF\n", "s", "j") == "w\xFF");
    CHECK(read("[s]\nk=v\xD5") == "v\xD5");                           // a lead byte at the very end
    CHECK(read("[s]\nk=\xA1\xA1v\xA1\xA1") == "\xA1\xA1v\xA1\xA1");   // the ideographic space is no blank
}

TEST_CASE("lookup: UTF-8 text, byte-order mark, long lines") {
    // A UTF-8 byte-order mark is part of the first line, so the section
    // there is not seen; one further down is.
    CHECK(read("\xEF\xBB\xBF[s]\nk=v") == std::nullopt);
    CHECK(read("\xEF\xBB\xBF\r\n[s]\nk=v") == "v");
    // The section name in UTF-8 is not the GBK one.
    CHECK(readValue("[\xE8\x8F\x9C\xE5\x8D\x95\xE9\x85\x8D\xE7\xBD\xAE]\nk=v", kSection, "k") == std::nullopt);
    const string longValue(100000, 'x');
    CHECK(read("[s]\nk=" + longValue + "\nj=1") == longValue);
    CHECK(ini::isUtf16Text("\xFF\xFE[\0s\0]\0"));
    CHECK_FALSE(ini::isUtf16Text("[s]"));
}

TEST_CASE("update: new file, new section, new key") {
    CHECK(writeValue("", "s", "k", "v") == "[s]\r\nk=v\r\n");
    CHECK(writeValue("[t]\nx=1\n", "s", "k", "v") == "[t]\nx=1\n[s]\r\nk=v\r\n");
    CHECK(writeValue("[t]\nx=1", "s", "k", "v") == "[t]\nx=1\r\n[s]\r\nk=v\r\n");
    CHECK(writeValue("[s]", "s", "k", "v") == "[s]\r\nk=v\r\n");
    // After the section's last entry (comments count), ahead of the blank
    // lines before the next section.
    CHECK(writeValue("[s]\r\nj=1\r\n;c\r\n\r\n\r\n[t]\r\n", "s", "k", "v") ==
          "[s]\r\nj=1\r\n;c\r\nk=v\r\n\r\n\r\n[t]\r\n");
    CHECK(writeValue("[s]\n\n\nj=1\n\n", "s", "k", "v") == "[s]\n\n\nj=1\nk=v\r\n\n");
    CHECK(writeValue("[s]\nj=1", "s", "k", "v") == "[s]\nj=1\r\nk=v\r\n");
    // Only the first section of the name takes new keys.
    CHECK(writeValue("[s]\nj=1\n[s]\nk=2\n", "S", "k", "v") == "[s]\nj=1\nk=v\r\n[s]\nk=2\n");
}

TEST_CASE("update: an existing entry is rewritten in place, the rest kept") {
    CHECK(writeValue("; top\n\n[s]\n  K  =  old  \n\nx=1\n", "s", "k", "new") == "; top\n\n[s]\nK=new\n\nx=1\n");
    CHECK(writeValue("[s]\nk\n", "s", "k", "v") == "[s]\nk=v\n");                  // the entry without '='
    CHECK(writeValue("[s]\nk=1\nk=2\n", "s", "k", "v") == "[s]\nk=v\nk=2\n");      // the first of two
    CHECK(writeValue("[s]\nk=\"v\"\n", "s", "k", "v") == "[s]\nk=v\n");            // quotes are part of the old value
    CHECK(writeValue("[s]\nk=V\n", "s", "k", "v") == "[s]\nk=v\n");                // values compare exactly
    // Bytes the update does not touch stay, NULs and garbage included.
    const string binary("a\0b\xFF\x80\r\n[s]\r\nk=1\r\n", 17);
    CHECK(writeValue(binary, "s", "k", "2") == string("a\0b\xFF\x80\r\n[s]\r\nk=2\r\n", 17));
}

TEST_CASE("update: an unchanged value leaves the text as it is") {
    for (const string text : {"[s]\nk=v\n", "[s]\n  k =  v  \n\n", "\n[S]\rK=v"})
        CHECK(writeValue(text, "s", "k", "v") == text);
}

TEST_CASE("update then lookup gives the value back") {
    const string samples[] = {"", "[s]", "[s]\nk", "x\xD5", "[s]\nk=v\xD5", "\xEF\xBB\xBF[s]\nk=1", "[s]\r\r\n\nk=1\r"};
    for (const string& text : samples) {
        CAPTURE(text);
        const string updated = writeValue(text, kSection, kKey, kTrue);
        CHECK(readValue(updated, kSection, kKey) == kTrue);
        CHECK(writeValue(updated, kSection, kKey, kTrue) == updated);
    }
}
