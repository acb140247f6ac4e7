#pragma once
// The mouse: direct ways to the changes the keys make, through the same operations. A click
// on a panel opens it and puts its cursor on the row or value under the pointer; the wheel
// over a value steps it; on the single-tile preview the control points can be dragged; a
// click on a swatch picks its key column. Nothing happens until the pointer has moved over
// the picture, and a click never exports.

#include <cstdint>

#include "editor/editor_canvas.h"
#include "generator/frame_clock.h"
#include "generator/pattern_generator.h"

// The clicks, the wheel and the drag of this frame; sets the pointer's shape in the clock.
void MouseActions(PatternGenerator& g, FrameClock& clock);

// The control points' markers on the single-tile preview, while the pointer is over it.
void DrawPointMarkers(const PatternGenerator& g, const MouseState& mouse,
                      const EditorCanvas& canvas);

// An outline around what a click would act on.
void DrawHover(const PatternGenerator& g, const MouseState& mouse, const EditorCanvas& canvas);
