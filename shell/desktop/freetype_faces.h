#pragma once
// The canvas's text faces on the desktop: one FreeType font per slot, found through
// fontconfig.

#include "shell/core/canvas.h"
#include "shell/desktop/font.h"

// A fresh set of empty slots; the canvas makes the fonts and releases the set.
TextFaces FreeTypeFaces();

// The font in a slot of the canvas's faces; nullptr when the slot holds none or the canvas's
// faces are not these.
Font* FreeTypeFont(const Canvas& canvas, int slot);
