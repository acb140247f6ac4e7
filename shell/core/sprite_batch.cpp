#include "shell/core/sprite_batch.h"

namespace {

// Whether the rectangle starts the run's next column.
bool StartsNextColumn(const SpriteRun& run, const Texture& texture, int32_t x, int32_t y, int32_t w,
                      int32_t h, uint32_t colour, float z) {
  if (run.texture != &texture || x != run.lastX + 1 || y != run.y || w != run.w || h != run.h ||
      (colour >> 24) != 255 || DepthBits(z) != run.depthBits || !texture.opaqueWhite ||
      x - run.x >= kSpriteRunEdge) {
    return false;
  }
  // The first column sets the length of every other one.
  return run.rows == 0 || run.lastY - run.y + 1 == run.rows;
}

}  // namespace

SpriteBatch* CreateSpriteBatch(BackBuffer* backBuffer) {
  if (backBuffer == nullptr) return nullptr;
  auto* batch = new SpriteBatch;
  batch->backBuffer = backBuffer;
  return batch;
}

void ReleaseSpriteBatch(SpriteBatch*& batch) {
  if (batch != nullptr) FlushBatch(*batch);
  delete batch;
  batch = nullptr;
}

bool BeginBatch(SpriteBatch& batch) {
  if (batch.open) return false;
  batch.open = true;
  return true;
}

bool EndBatch(SpriteBatch& batch) {
  if (!batch.open) return false;
  FlushBatch(batch);
  batch.open = false;
  return true;
}

void FlushBatch(SpriteBatch& batch) {
  SpriteRun& run = batch.run;
  if (run.texture == nullptr) return;
  run.texture = nullptr;
  // The first rectangle is already drawn; drawing it again right after itself changes
  // nothing, so the grid starts with it.
  const int last = run.lastY - run.y + 1;  // rectangles in the last column
  const int rows = run.rows == 0 ? last : run.rows;
  const int columns = run.lastX - run.x + (last == rows ? 1 : 0);
  const uint32_t* colours = run.colours.get();
  const float z = DepthOfBits(run.depthBits);
  if (columns * rows > 1) {
    DrawOpaqueGrid(*batch.backBuffer, run.x, run.y, run.w, run.h, columns, rows, colours,
                   kSpriteRunPitch, z);
  }
  // A shorter last column after the whole ones.
  for (int row = 0; last != rows && row < last; ++row) {
    DrawOpaqueSprite(*batch.backBuffer, run.lastX, run.y + row, run.w, run.h,
                     colours[row * kSpriteRunPitch + columns], z);
  }
}

void DrawBatchSprite(SpriteBatch& batch, const Texture& texture, int32_t x, int32_t y, int32_t w,
                     int32_t h, uint32_t colour, float z) {
  if (!batch.open || batch.backBuffer == nullptr) return;
  SpriteRun& run = batch.run;
  if (StartsNextColumn(run, texture, x, y, w, h, colour, z)) {
    run.rows = run.lastY - run.y + 1;
    run.endY = run.lastY + 1;
    run.colours[x - run.x] = colour;
    run.lastX = x;
    run.lastY = y;
    return;
  }
  FlushBatch(batch);
  if (!texture.opaqueWhite || (colour >> 24) != 255) {
    DrawSprite(*batch.backBuffer, texture, x, y, w, h, colour, z);
    return;
  }
  DrawOpaqueSprite(*batch.backBuffer, x, y, w, h, colour, z);
  // A run starts only with a rectangle that draws something on the screen, which also keeps
  // its corner and everything the run counts from it far from the int32 limits.
  if (w <= 0 || h <= 0 || !(z >= 0.0f && z <= 1.0f) || x >= kScreenWidth || y >= kScreenHeight ||
      static_cast<int64_t>(x) + w <= 0 || static_cast<int64_t>(y) + h <= 0) {
    return;
  }
  run.texture = &texture;
  run.x = run.lastX = x;
  run.y = run.lastY = y;
  run.w = w;
  run.h = h;
  run.depthBits = DepthBits(z);
  run.rows = 0;
  run.endY = y + kSpriteRunEdge;
  run.slotBase = -(static_cast<int64_t>(y) * kSpriteRunPitch + x);
  run.colours[0] = colour;
}
