#include "shell/desktop/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <cstring>
#include <optional>

#include "shell/core/text_faces.h"
#include "shell/desktop/cp932.h"
#include "shell/desktop/font_lookup.h"

namespace {

constexpr int kTextBoxWidth = TextFaces::kBoxWidth;
constexpr int kTextBoxHeight = TextFaces::kBoxHeight;

// Every font uses the same face, so it is looked up once per process.
const std::optional<FaceFile>& FindFace() {
  static const std::optional<FaceFile> face = LookUpFace();
  return face;
}

// Calls visit with every code point of the code page 932 text, in order, while it returns
// true.
template <typename Visit>
void ForEachCodePoint(const char* text, Visit&& visit) {
  const size_t length = std::strlen(text);
  size_t done = 0;
  char32_t codePoints[128];
  while (done < length) {
    const Cp932Chunk chunk = DecodeCp932(text + done, length - done, codePoints, 128);
    if (chunk.bytesRead == 0) return;
    done += chunk.bytesRead;
    for (size_t i = 0; i < chunk.codePoints; ++i)
      if (!visit(codePoints[i])) return;
  }
}

int Pixels(FT_Pos value26dot6) {
  return static_cast<int>((value26dot6 + 32) >> 6);
}

}  // namespace

bool FindFontFace() {
  return FindFace().has_value();
}

Font* CreateFont(int height) {
  if (height <= 0) return nullptr;
  const std::optional<FaceFile>& file = FindFace();
  if (!file) return nullptr;
  auto* font = new Font;
  font->family = file->family;
  font->height = height;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  bool ready = FT_Init_FreeType(&library) == 0;
  if (ready) font->library = library;
  ready = ready && FT_New_Face(library, file->path.c_str(), file->index, &face) == 0;
  if (ready) font->face = face;
  if (ready) {
    // The height is the cell height, ascender plus descender, as Windows fonts are sized.
    FT_Size_RequestRec request = {};
    request.type = FT_SIZE_REQUEST_TYPE_CELL;
    request.height = static_cast<FT_Long>(height) * 64;
    ready = FT_Request_Size(face, &request) == 0;
  }
  if (!ready) {
    ReleaseFont(font);
    return nullptr;
  }
  font->ascender = Pixels(face->size->metrics.ascender);
  font->lineSpacing = Pixels(face->size->metrics.height);
  return font;
}

void ReleaseFont(Font*& font) {
  if (font == nullptr) return;
  if (font->face != nullptr) FT_Done_Face(font->face);
  if (font->library != nullptr) FT_Done_FreeType(font->library);
  delete font;
  font = nullptr;
}

const Glyph& FindGlyph(Font& font, char32_t codePoint) {
  auto found = font.glyphs.find(codePoint);
  if (found != font.glyphs.end()) return found->second;
  Glyph glyph;
  FT_Face face = font.face;
  // Outlines only: embedded bitmaps would come out aliased.
  if (FT_Load_Char(face, codePoint, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) == 0 &&
      FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.advance = Pixels(slot->advance.x);
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.width > 0 && bitmap.rows > 0) {
      glyph.left = slot->bitmap_left;
      glyph.top = slot->bitmap_top;
      glyph.width = static_cast<int>(bitmap.width);
      glyph.rows = static_cast<int>(bitmap.rows);
      glyph.offset = font.coverage.size();
      const int pitch = std::abs(bitmap.pitch);
      for (int row = 0; row < glyph.rows; ++row) {
        // A negative pitch stores the rows bottom-up.
        const int source = bitmap.pitch < 0 ? glyph.rows - 1 - row : row;
        const unsigned char* bytes = bitmap.buffer + static_cast<ptrdiff_t>(source) * pitch;
        if (bitmap.num_grays == 256) {
          font.coverage.insert(font.coverage.end(), bytes, bytes + glyph.width);
        } else {
          const unsigned top = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 1;
          for (int column = 0; column < glyph.width; ++column) {
            font.coverage.push_back(static_cast<uint8_t>(bytes[column] * 255u / top));
          }
        }
      }
    }
  }
  return font.glyphs.emplace(codePoint, glyph).first->second;
}

int32_t FontTextWidth(Font& font, const char* text) {
  int64_t width = 0;
  ForEachCodePoint(text, [&](char32_t c) {
    if (c >= 0x20) width += FindGlyph(font, c).advance;
    return true;
  });
  return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

void DrawFontText(Font& font, BackBuffer& buffer, int32_t x, int32_t y, const char* text) {
  if (text == nullptr) return;
  const ClipBox clip = {x, y, static_cast<int64_t>(x) + kTextBoxWidth,
                        static_cast<int64_t>(y) + kTextBoxHeight};
  const int64_t screenBottom = std::min<int64_t>(clip.bottom, kScreenHeight);
  const int64_t screenRight = std::min<int64_t>(clip.right, kScreenWidth);
  int64_t penX = x;
  int64_t lineTop = y;
  bool afterCarriageReturn = false;
  ForEachCodePoint(text, [&](char32_t c) {
    if (c == U'\n' || c == U'\r') {
      const bool secondHalf = c == U'\n' && afterCarriageReturn;
      afterCarriageReturn = c == U'\r';
      if (secondHalf) return true;
      penX = x;
      lineTop += font.lineSpacing;
      // Every further line lies below the box.
      return lineTop < screenBottom;
    }
    afterCarriageReturn = false;
    if (c < 0x20 || penX >= screenRight) return true;  // past the right edge until the next line
    const Glyph& glyph = FindGlyph(font, c);
    if (glyph.rows > 0) {
      DrawCoverage(buffer, penX + glyph.left, lineTop + font.ascender - glyph.top, glyph.width,
                   glyph.rows, glyph.width, font.coverage.data() + glyph.offset, clip);
    }
    penX += glyph.advance;
    return true;
  });
}
