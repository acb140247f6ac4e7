#include "shell/core/canvas.h"

#include <cstdio>

#include "shell/core/sprite_batch.h"
#include "shell/core/texture.h"

namespace {

bool HasFace(const Canvas& canvas, int index) {
  return index >= 0 && index < kFontSlots && canvas.faceMade[index];
}

void ForwardFillRect(void* target, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour,
                     float z) {
  FillRect(*static_cast<Canvas*>(target), x, y, w, h, colour, z);
}

void ForwardEndSprites(void* target) {
  EndSprites(*static_cast<Canvas*>(target));
}

void ForwardDrawText(void* target, int32_t x, int32_t y, const char* text, int fontIndex) {
  DrawText(*static_cast<Canvas*>(target), x, y, text, fontIndex);
}

int32_t ForwardTextWidth(void* target, const char* text, int fontIndex) {
  return TextWidth(*static_cast<Canvas*>(target), text, fontIndex);
}

}  // namespace

Result SetupCanvas(Canvas& canvas, BackBuffer* device, const std::string& whiteTexturePath) {
  if (device == nullptr) return Result::Fail("cannot set up the canvas: no back buffer");
  // Setting up again replaces what an earlier set-up made rather than leaking it.
  ReleaseTexture(canvas.textures[0]);
  ReleaseSpriteBatch(canvas.sprite);
  if (Result loaded = LoadTexture(whiteTexturePath.c_str(), canvas.textures[0]); !loaded)
    return loaded;
  canvas.sprite = CreateSpriteBatch(device);
  if (canvas.sprite == nullptr) return Result::Fail("cannot set up the canvas: no sprite batch");
  return Result::Ok();
}

bool MakeFont(Canvas& canvas, int index, int height) {
  if (index < 0 || index >= kFontSlots) return true;
  const TextFaces& text = canvas.text;
  canvas.faceMade[index] = text.make != nullptr && text.make(text.context, index, height);
  static bool warned = false;
  if (!canvas.faceMade[index] && !warned) {
    warned = true;
    std::fprintf(stderr, "quilmorante: no Japanese gothic font found; texts are not drawn\n");
  }
  return true;
}

int MakeFonts(Canvas& canvas) {
  int made = 0;
  for (int index = 0; index < kFontSlots; ++index) {
    MakeFont(canvas, index, kFontHeights[index]);
    if (canvas.faceMade[index]) ++made;
  }
  return made;
}

bool FontAvailable(const Canvas& canvas, int index) {
  return HasFace(canvas, index);
}

bool BeginSprites(Canvas& canvas, BackBuffer* device) {
  if (device != nullptr) canvas.device = device;
  return canvas.sprite != nullptr && BeginBatch(*canvas.sprite);
}

bool EndSprites(Canvas& canvas) {
  return canvas.sprite != nullptr && EndBatch(*canvas.sprite);
}

void FillRect(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour,
              float z) {
  // Outside an open batch, or without the white texture, a rectangle draws nothing.
  const Texture* white = canvas.textures[0];
  SpriteBatch* batch = canvas.sprite;
  if (batch == nullptr || white == nullptr) return;
  // First, as the preview's rectangles come: a rectangle the coarse test below rejects draws
  // nothing on the screen, in a run as much as alone.
  if (ExtendRun(batch->run, *white, x, y, w, h, colour, z)) return;
  // Coarse rejection; whatever passes is drawn whole and clipped by the device.
  if (x > kScreenWidth || y > kScreenHeight || static_cast<int64_t>(x) + w < 0 ||
      static_cast<int64_t>(y) + h < 0) {
    return;
  }
  DrawBatchSprite(*batch, *white, x, y, w, h, colour, z);
}

void DrawText(Canvas& canvas, int32_t x, int32_t y, const char* text, int fontIndex) {
  // The text goes over every rectangle drawn before it.
  if (canvas.sprite != nullptr) FlushBatch(*canvas.sprite);
  if (!HasFace(canvas, fontIndex) || canvas.text.draw == nullptr || text == nullptr ||
      canvas.device == nullptr)
    return;
  canvas.text.draw(canvas.text.context, fontIndex, *canvas.device, x, y, text);
}

int32_t TextWidth(Canvas& canvas, const char* text, int fontIndex) {
  if (!HasFace(canvas, fontIndex) || canvas.text.width == nullptr || text == nullptr) return 0;
  return canvas.text.width(canvas.text.context, fontIndex, text);
}

void ReleaseCanvas(Canvas& canvas) {
  for (Texture*& texture : canvas.textures) ReleaseTexture(texture);
  ReleaseSpriteBatch(canvas.sprite);
  if (canvas.text.release != nullptr) canvas.text.release(canvas.text.context);
  canvas.text = TextFaces{};
  for (bool& made : canvas.faceMade) made = false;
  canvas.device = nullptr;
}

EditorCanvas BindEditorCanvas(Canvas& canvas) {
  EditorCanvas view;
  view.target = &canvas;
  view.fillRect = ForwardFillRect;
  view.endSprites = ForwardEndSprites;
  view.drawText = ForwardDrawText;
  view.textWidth = ForwardTextWidth;
  return view;
}
