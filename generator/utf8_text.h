#pragma once
// UTF-8 read a character at a time, strictly: overlong forms, surrogates and code points past
// U+10FFFF are not characters. Names a user gives (a slot's name, a palette file's name) are
// UTF-8; what shows them or makes file names of them reads them through here.

#include <cstddef>
#include <string>
#include <string_view>

// The character at text[at], and at moved past it; a byte that does not start a whole
// character is read alone and gives false (at moves one byte).
inline bool NextCharacter(std::string_view text, std::size_t& at, char32_t& character) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t size = 0;
  char32_t value = 0, least = 0;
  if (lead < 0x80) {
    character = lead;
    ++at;
    return true;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2, value = lead & 0x1Fu, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3, value = lead & 0x0Fu, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4, value = lead & 0x07u, least = 0x10000;
  }
  bool whole = size != 0 && text.size() - at >= size;
  for (std::size_t k = 1; whole && k < size; ++k) {
    whole = (byte(at + k) & 0xC0u) == 0x80;
    value = value << 6 | (byte(at + k) & 0x3Fu);
  }
  if (!whole || value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++at;
    character = 0xFFFD;
    return false;
  }
  at += size;
  character = value;
  return true;
}

// A control character: C0, DEL and C1.
constexpr bool IsControlCharacter(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// Whether text is whole UTF-8 characters, none of them a control character.
inline bool IsPlainUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    char32_t c;
    if (!NextCharacter(text, at, c) || IsControlCharacter(c)) return false;
  }
  return true;
}

// The longest start of text that is whole characters and at most `bytes` long.
inline std::string_view CutAtCharacter(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t cut = bytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0u) == 0x80) --cut;
  return text.substr(0, cut);
}

// The character appended as UTF-8.
inline void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
