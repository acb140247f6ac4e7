#pragma once
// The batch every rectangle goes through. Sprites are drawn as they come: all of a frame's
// sprites use one texture, so drawing in call order is what sorting by texture would give.

#include <cstdint>

#include "shell/core/rasterizer.h"
#include "shell/core/texture.h"

struct SpriteBatch {
  BackBuffer* backBuffer = nullptr;  // not owned: what the batch was created on
  bool open = false;                 // between Begin and End
};

SpriteBatch* CreateSpriteBatch(BackBuffer* backBuffer);
void ReleaseSpriteBatch(SpriteBatch*& batch);
// False, changing nothing, when the batch is already open.
bool BeginBatch(SpriteBatch& batch);
// False, changing nothing, when the batch is not open.
bool EndBatch(SpriteBatch& batch);
// Draws only while the batch is open.
inline void DrawBatchSprite(SpriteBatch& batch, const Texture& texture, int32_t x, int32_t y,
                            int32_t w, int32_t h, uint32_t colour, float z) {
  if (!batch.open || batch.backBuffer == nullptr) return;
  if (texture.opaqueWhite && (colour >> 24) == 255) {
    DrawOpaqueSprite(*batch.backBuffer, x, y, w, h, colour, z);
  } else {
    DrawSprite(*batch.backBuffer, texture, x, y, w, h, colour, z);
  }
}
