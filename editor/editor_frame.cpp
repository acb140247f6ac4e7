#include "editor_frame.h"

// Placeholder until the editor lands: ends the batch and draws nothing.
void EditorFrame(PatternGenerator&, const EditorCanvas& canvas, FrameClock&) {
  if (canvas.endSprites != nullptr) canvas.endSprites(canvas.target);
}
