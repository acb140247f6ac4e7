#pragma once
// A font face at one cell height, drawing anti-aliased white text into the back buffer.
// Glyphs are rendered once, on first use, and kept.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "shell/core/rasterizer.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;

struct Glyph {
  int left = 0;   // bitmap's left edge from the pen position
  int top = 0;    // bitmap's top edge above the baseline
  int width = 0;  // bitmap size in pixels
  int rows = 0;
  int advance = 0;    // pen step in pixels
  size_t offset = 0;  // coverage bytes in Font::coverage, width * rows
};

struct Font {
  FT_LibraryRec_* library = nullptr;
  FT_FaceRec_* face = nullptr;
  std::string family;  // the face actually found
  int height = 0;      // cell height in pixels
  int ascender = 0;    // baseline below the line box's top
  int lineSpacing = 0;
  std::unordered_map<char32_t, Glyph> glyphs;
  std::vector<uint8_t> coverage;
};

// The face drawn for the name "ＭＳ Ｐゴシック", or the installed Japanese gothic standing in
// for it; nullptr when there is none.
Font* CreateFont(int height);
void ReleaseFont(Font*& font);

// Looks the face up now, once per process, and says whether there is one. Fontconfig's
// first look-up can take most of a second with a cold cache: the program does it before
// its window opens, so the window never stands there blank.
bool FindFontFace();

// The glyph of a code point, rendered on first use.
const Glyph& FindGlyph(Font& font, char32_t codePoint);

// How far the pen moves drawing one line of code page 932 text (glyph advances summed).
int32_t FontTextWidth(Font& font, const char* text);

// Draws code page 932 text in white with its line box's top-left corner at (x, y), clipped
// to the box (x, y)-(x + 640, y + 128) and the screen. "\n", "\r" and "\r\n" each start a new
// line. Depth is neither tested nor written.
void DrawFontText(Font& font, BackBuffer& buffer, int32_t x, int32_t y, const char* text);
