#pragma once
// The colour cycle as one looping animated GIF: sixteen 256 x 256 frames with the same
// pixels, each with its own 16-entry colour table, so frame k looks exactly like BMP frame k.

#include <string>

#include "frame_export.h"
#include "pattern_generator.h"

// delayCentiseconds: 1..100. header: the BMP template, which decides the row order.
Result WriteCycleGif(const std::string& path, const PatternGenerator& g,
                     const uint8_t header[kHeaderBytes], int delayCentiseconds);
