#include "shell/desktop/freetype_faces.h"

namespace {

struct FontSet {
  Font* fonts[kFontSlots] = {};
};

FontSet& Fonts(void* context) {
  return *static_cast<FontSet*>(context);
}

bool Make(void* context, int slot, int height) {
  Font*& font = Fonts(context).fonts[slot];
  ReleaseFont(font);
  font = CreateFont(height);
  return font != nullptr;
}

void Draw(void* context, int slot, BackBuffer& buffer, int32_t x, int32_t y, const char* text) {
  if (Font* font = Fonts(context).fonts[slot]) DrawFontText(*font, buffer, x, y, text);
}

int32_t Width(void* context, int slot, const char* text) {
  Font* font = Fonts(context).fonts[slot];
  return font != nullptr ? FontTextWidth(*font, text) : 0;
}

void Release(void* context) {
  for (Font*& font : Fonts(context).fonts) ReleaseFont(font);
  delete &Fonts(context);
}

}  // namespace

TextFaces FreeTypeFaces() {
  TextFaces faces;
  faces.context = new FontSet;
  faces.make = Make;
  faces.draw = Draw;
  faces.width = Width;
  faces.release = Release;
  return faces;
}

Font* FreeTypeFont(const Canvas& canvas, int slot) {
  if (canvas.text.make != Make || slot < 0 || slot >= kFontSlots) return nullptr;
  return Fonts(canvas.text.context).fonts[slot];
}
