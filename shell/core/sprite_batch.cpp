#include "shell/core/sprite_batch.h"

SpriteBatch* CreateSpriteBatch(BackBuffer* backBuffer) {
  if (backBuffer == nullptr) return nullptr;
  auto* batch = new SpriteBatch;
  batch->backBuffer = backBuffer;
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
