#pragma once
// The batch every rectangle goes through. Sprites are drawn in call order: all of a frame's
// sprites use one texture, so that is what sorting by texture would give.
//
// One shape is held back instead: a run of opaque rectangles over an all-white texture, of one
// size and depth, laid out as a grid column by column with each one a pixel below the one
// before or at the top of the next column (the editor's tiled preview). The run's first
// rectangle is drawn as it comes; the rest are kept as colours and drawn by DrawOpaqueGrid
// when something else comes: another rectangle, a text, the batch's end or its release. What
// is on the screen then is exactly what drawing each rectangle as it came gives.

#include <cstdint>
#include <memory>

#include "shell/core/rasterizer.h"
#include "shell/core/texture.h"

// The most columns and rows one run holds: the whole 256 x 256 preview. A longer run is
// simply drawn as several.
constexpr int kSpriteRunEdge = 256;
// Row to row in the run's colours. A column is written down the rows: one cache line more
// than a row spreads those writes over every cache set instead of piling them into a few.
constexpr int kSpriteRunPitch = kSpriteRunEdge + 16;

struct SpriteRun {
  const Texture* texture = nullptr;    // null while no run is held
  int32_t x = 0, y = 0, w = 0, h = 0;  // the first rectangle
  uint32_t depthBits = 0;              // z, bit for bit (0.0 and -0.0 write different depths)
  int rows = 0;                        // of each column; 0 while the first column is open
  int32_t lastX = 0, lastY = 0;        // the latest rectangle's corner
  // Where a column ends: y + rows, or y + kSpriteRunEdge while the first column is open.
  int32_t endY = 0;
  // Row by row, so that the grid is drawn from whole rows. A rectangle's slot follows from its
  // corner, as y * kSpriteRunPitch + x + slotBase: no count is carried from one rectangle to
  // the next.
  int64_t slotBase = 0;
  std::unique_ptr<uint32_t[]> colours =
      std::make_unique<uint32_t[]>(kSpriteRunEdge * kSpriteRunPitch);
};

struct SpriteBatch {
  BackBuffer* backBuffer = nullptr;  // not owned: what the batch was created on
  bool open = false;                 // between Begin and End
  SpriteRun run;
};

SpriteBatch* CreateSpriteBatch(BackBuffer* backBuffer);
// Draws what the batch holds back first.
void ReleaseSpriteBatch(SpriteBatch*& batch);
// False, changing nothing, when the batch is already open.
bool BeginBatch(SpriteBatch& batch);
// Draws what the batch holds back, then closes it. False, changing nothing, when the batch is
// not open.
bool EndBatch(SpriteBatch& batch);
// Draws the rectangles the batch holds back; anything else drawing on its back buffer calls
// this first.
void FlushBatch(SpriteBatch& batch);
// Draws a sprite, only while the batch is open: one that starts the run's next column joins
// the run; any other is drawn after what the batch holds back and may start the next run.
// ExtendRun in front of it takes a run's other rectangles. Never inlined, so that the
// per-rectangle path in front of it stays small: the page's engine inlines that path into the
// loop that makes the rectangles only while it is.
[[gnu::noinline]] void DrawBatchSprite(SpriteBatch& batch, const Texture& texture, int32_t x,
                                       int32_t y, int32_t w, int32_t h, uint32_t colour, float z);

// Takes the rectangle into the run when it lies one below the latest one, in its column, and
// matches the run. The run's corners stay within kSpriteRunEdge of its first one, which lies
// on the screen, so nothing here overflows.
inline bool ExtendRun(SpriteRun& run, const Texture& texture, int32_t x, int32_t y, int32_t w,
                      int32_t h, uint32_t colour, float z) {
  if (&texture != run.texture || x != run.lastX || y != run.lastY + 1 || w != run.w || h != run.h ||
      (colour >> 24) != 255 || DepthBits(z) != run.depthBits || !texture.opaqueWhite) {
    return false;
  }
  if (y >= run.endY) return false;
  run.colours[static_cast<int64_t>(y) * kSpriteRunPitch + x + run.slotBase] = colour;
  run.lastY = y;
  return true;
}
