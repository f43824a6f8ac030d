// The program's texts are GBK (code page 936) bytes. What a byte means there:
// which bytes start a two-byte character, so that a trail byte is never taken
// for a quote, a blank, a backslash or a bracket.
#pragma once

namespace pelomar {

inline constexpr unsigned kCodePageGbk = 936;

// A lead byte of code page 936 (0x81..0xFE): it and the byte after it are one
// character. The rule of the platform's own text functions, which the INI
// reading follows, and the one used to cut a text without splitting a
// character.
constexpr bool isGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// The broader rule of the command-line and registry-path splitting: any byte
// of 0x80 or above takes the byte after it.
constexpr bool startsTwoByteCharacter(unsigned char c) { return c >= 0x80; }

}  // namespace pelomar
