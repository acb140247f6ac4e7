#pragma once
// Code page 932 (Microsoft Shift JIS) text to Unicode code points. The screen texts are
// stored in this code page; fonts draw code points.

#include <cstddef>
#include <string>
#include <string_view>

// A bad or truncated byte sequence decodes to this, one per skipped byte.
constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Cp932Chunk {
  size_t codePoints = 0;  // written to the output
  size_t bytesRead = 0;   // consumed from the input
};

// Decodes as much of bytes[0, length) as fits into out[0, capacity). Call again with the
// rest to go on; a chunk never ends inside a character. No allocation.
Cp932Chunk DecodeCp932(const char* bytes, size_t length, char32_t* out, size_t capacity);

// Whole-text convenience for tools and tests (allocates).
std::u32string DecodeCp932(std::string_view bytes);
