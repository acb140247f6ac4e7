#pragma once
// The pattern's name and seed in the settings panel, and F2's text field that sets them: text
// typed there is the slot's name on Return, or, as "#" and digits, the seed whose pattern R
// would draw, drawn at once (one undo step, as R is). Escape leaves everything as it was.
// While the field is open it takes the keyboard: no other key acts.

#include <cstdint>
#include <string>

#include "editor/screen_draw.h"
#include "editor/screen_texts.h"
#include "generator/frame_clock.h"
#include "generator/pattern_generator.h"

// Before the frame's keys act: F2 opens the field (not over the gallery, not with Ctrl).
// Whether the field is open: it then takes the frame's keys, which read as up for the rest of
// the frame.
bool NameFieldTakesKeys(PatternGenerator& g, const FrameClock& clock);
// Within the frame's edits (one undo step): the open field takes the frame's typed text,
// Backspace, Return and Escape.
void NameFieldEdits(PatternGenerator& g, const FrameClock& clock, const std::string& typed);

// Under the settings: the field while it is open, else the name and the seed, when there are.
void DrawLabelLine(const PatternGenerator& g, const ScreenTexts& t, const ScreenDraw& screen);

// After the frame's edits: a seed whose pattern is not the one on screen any more goes.
void DropStaleSeed(PatternGenerator& g);
