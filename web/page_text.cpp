#include "web/page_text.h"

#include <emscripten/emscripten.h>

// Asks the page how wide its font draws the text: the status line is shortened to fit.
EM_JS(int32_t, MeasurePageText, (int slot, const char* text),
      { return Module.measureText ? Module.measureText(slot, text) : 0; });

namespace {

bool MakeFace(void*, int, int) {
  return true;  // the page's font has every glyph the editor shows, at any size
}

void RecordText(void*, int slot, BackBuffer&, int32_t x, int32_t y, const char* text) {
  PageTexts().push_back({x, y, slot, text});
}

int32_t MeasureText(void*, int slot, const char* text) {
  return MeasurePageText(slot, text);
}

void ReleaseFaces(void*) {}

}  // namespace

TextFaces PageTextFaces() {
  return {.make = MakeFace, .draw = RecordText, .width = MeasureText, .release = ReleaseFaces};
}

std::vector<PageText>& PageTexts() {
  static std::vector<PageText> texts;
  return texts;
}
