#pragma once
// One frame of the editor: reads the keys, changes the generator, draws the whole screen.

#include "editor/editor_canvas.h"
#include "editor/screen_draw.h"
#include "generator/frame_clock.h"
#include "generator/pattern_generator.h"

// The status line it posts to (generator.session.status) is drawn by the caller after the frame,
// with DrawStatus (status_line.h).
void EditorFrame(PatternGenerator& generator, const EditorCanvas& canvas, FrameClock& clock);

// The preview a frame further along its cycle and drawn (nothing while it is off), and the
// palette's entries as they show, snap and depth included: what the editor's screen draws of
// them, and an overlay over the window that keeps them in view.
void AdvancePreview(PatternGenerator& g, const ScreenDraw& screen);
void DrawSwatches(PatternGenerator& g, const ScreenDraw& screen);
