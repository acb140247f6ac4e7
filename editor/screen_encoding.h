#pragma once
// Text the user gives (a slot's name, a palette file's name: UTF-8, any script) as the screen
// draws it: code page 932, the bytes every front-end's fonts decode. Only for drawing: what
// is stored keeps the UTF-8. The same on every platform and in the page: the table of code
// page 932's characters is made at build time from iconv's.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The code page 932 bytes of utf8's text. A character code page 932 does not have, a control
// character and a byte that does not start a whole UTF-8 character each become one
// kUnshownMark.
std::string ToScreenText(std::string_view utf8);

// What stands for a character the screen cannot show: 〓 (U+3013), in code page 932.
inline constexpr char kUnshownMark[] = "\x81\xAC";

// Where a front-end that decodes code page 932 itself (the page) puts the table before the
// first frame, when the build leaves it to it: for each lead of ScreenTableLeads and each
// trail 0x40..0x7E, 0x80..0xFC in order, the pair's UTF-16 code unit, 0 where it is none.
// Null (and count 0) when the build holds the table.
uint16_t* ScreenTable(int& count);
const uint8_t* ScreenTableLeads(int& count);

// Code page 932: whether the byte leads a two-byte character.
constexpr bool IsScreenLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Where each whole character of a code page 932 text ends (a lead byte at the very end counts
// as a character of its own).
std::vector<std::size_t> ScreenCharacterEnds(std::string_view text);
