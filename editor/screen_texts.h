#pragma once
// The screen's texts in the two languages it speaks, from the table editor_texts.txt: the
// build writes ScreenTexts and both languages' values into editor/editor_texts.h. Japanese is
// the editor's own, in the code page 932 bytes its fonts draw. English is the same set at the
// same places in the same fonts, shortened where a box is narrow. L switches between them.

#include <cstdint>

#include "editor/editor_texts.h"
#include "generator/program_limits.h"

// A control point's row: numbers only, the same in both languages.
inline constexpr char kPointFormat[] = "(%3d,%3d) (x%3d,x%3d)x%3d";

// The texts of the language (generator/program_limits.h).
const ScreenTexts& TextsFor(Language language);
