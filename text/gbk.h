// The program's texts are GBK (code page 936) bytes. What a byte means there:
// which bytes start a two-byte character, so that a trail byte is never taken
// for a quote, a blank, a backslash or a bracket. Two rules, each kept
// because a documented behaviour follows it; they differ only for 0x80 and
// 0xFF.
#pragma once

namespace pelomar {

inline constexpr unsigned kCodePageGbk = 936;

// The platform's rule for code page 936 (lead bytes 0x81..0xFE), as its own
// text functions apply it: the settings file is read by it, and a text the
// platform will show is cut by it without splitting a character.
constexpr bool isPlatformLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// The broader rule of the program's own splitters, the command line's and
// the registry location's: any byte of 0x80 or above takes the byte after it.
constexpr bool isSplitterLeadByte(unsigned char c) { return c >= 0x80; }

}  // namespace pelomar
