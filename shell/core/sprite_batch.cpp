#include "sprite_batch.h"

SpriteBatch* CreateSpriteBatch(Rasterizer* device) {
  if (device == nullptr) return nullptr;
  auto* batch = new SpriteBatch;
  batch->device = device;
  return batch;
}

void ReleaseSpriteBatch(SpriteBatch*& batch) {
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
  batch.open = false;
  return true;
}
