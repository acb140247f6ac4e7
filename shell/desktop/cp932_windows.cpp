// Code page 932 through Windows' own table, read as glibc's: the Linux build's iconv table
// has no character for the single bytes 0x80, 0xA0 and 0xFD to 0xFF, which Windows maps to
// U+0080 and U+F8F0 to U+F8F3. They are bad bytes here too, so both builds read every text
// alike.

#include <windows.h>

#include "shell/desktop/cp932.h"

namespace {

constexpr UINT kCodePage = 932;

bool OnlyWindowsMaps(unsigned char byte) {
  return byte == 0x80 || byte == 0xA0 || byte >= 0xFD;
}

// The character at bytes[0, length), and how many bytes it takes; a bad or cut-off sequence
// is one replacement character for its first byte.
char32_t DecodeOne(const char* bytes, size_t length, size_t& used) {
  used = 1;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x80) return lead;
  if (OnlyWindowsMaps(lead)) return kReplacementCharacter;
  const size_t size = IsDBCSLeadByteEx(kCodePage, lead) ? 2 : 1;
  if (size > length) return kReplacementCharacter;
  wchar_t wide[2];
  if (MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), wide,
                          2) != 1)
    return kReplacementCharacter;
  used = size;
  return wide[0];
}

}  // namespace

Cp932Chunk DecodeCp932(const char* bytes, size_t length, char32_t* out, size_t capacity) {
  Cp932Chunk chunk;
  while (chunk.bytesRead < length && chunk.codePoints < capacity) {
    size_t used = 1;
    out[chunk.codePoints++] = DecodeOne(bytes + chunk.bytesRead, length - chunk.bytesRead, used);
    chunk.bytesRead += used;
  }
  return chunk;
}
