#pragma once
// One frame of the editor: reads the keys, changes the generator, draws the whole screen.

#include "editor/editor_canvas.h"
#include "generator/frame_clock.h"
#include "generator/pattern_generator.h"

// The status line it posts to (generator.session.status) is drawn by the caller after the frame,
// with DrawStatus (status_line.h).
void EditorFrame(PatternGenerator& generator, const EditorCanvas& canvas, FrameClock& clock);
