#pragma once
// The page's text faces: the canvas hands each text to the page instead of rendering it, and
// the page draws them over the picture with its web font, in the order they came.

#include <cstdint>
#include <string>
#include <vector>

#include "shell/core/text_faces.h"

struct PageText {
  int32_t x = 0;
  int32_t y = 0;
  int slot = 0;
  std::string bytes;  // code page 932
};

// Faces for every slot; widths are measured by the page (Module.measureText).
TextFaces PageTextFaces();

// The texts of the current frame, oldest first; the page clears them before each tick.
std::vector<PageText>& PageTexts();
