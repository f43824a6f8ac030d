// The settings file's INI text, read and updated byte for byte the way the
// Windows profile functions (GetPrivateProfileStringA and
// WritePrivateProfileStringA) treat an ANSI file on a GBK system, so that the
// program reads and writes the same bytes whatever the system's code page.
//
// The rules, found by comparing with the platform's functions:
// - A line ends at CR or LF; a run of line breaks (blank lines) ends it once.
// - A byte 0x81..0xFE starts a double-byte character that takes the next
//   byte with it, whatever that byte is (even a line break or a bracket).
// - Blanks, tabs, VT, FF, CR, LF and Ctrl+Z around names and values are
//   ignored.
// - A line whose first character is '[' and that holds a ']' starts a
//   section named by the text up to the last ']'; anything after it is
//   ignored. Every other non-blank line is an entry of the section above it:
//   name=value, split at the first '='. A line without '=' is an entry
//   without a value: a lookup of it finds nothing, an update rewrites it.
// - Names match case-insensitively in ASCII only; double-byte characters
//   match exactly. Only the first section of a name counts and, in it, only
//   the first entry of a name.
// - A value that starts and ends with the same quote (" or ') loses both.
// - An update rewrites the found entry as name=value (the name as it is in
//   the file), appends a new entry after the section's last entry, or a new
//   section at the end of the text; new lines end in CR LF. Blanks ahead of
//   the new value are dropped. An update that
//   changes nothing leaves the text as it is. Everything else is kept byte
//   for byte: other lines, blank lines, comments and line breaks (Windows
//   keeps them; Wine would rewrite the whole file in a normalised form).
// - A UTF-8 byte-order mark is ordinary bytes of the first line, as on
//   Windows (Wine would decode the file as UTF-8).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelomar::ini {

// The value of key in section, or nothing when the section, the key or its
// '=' is missing.
std::optional<std::string> readValue(std::string_view text, std::string_view section, std::string_view key);

// The text with key in section set to value.
std::string writeValue(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value);

// Whether the text has a section of that name (matched as lookups match it).
bool hasSection(std::string_view text, std::string_view section);

// A file that starts with a UTF-16 byte-order mark is a Unicode profile to
// the platform; this module reads and writes only byte (ANSI) text.
bool isUtf16Text(std::string_view text);

// True when the text's last byte starts a double-byte character, so that a
// byte appended to the text would become part of that character.
bool endsInLeadByte(std::string_view text);

}  // namespace pelomar::ini
