#pragma once
// The colour cycle as sixteen indexed PNG frames, <id>A.png .. <id>P.png: 4 bits a pixel and a
// 16-entry PLTE holding frame a's colour table, so each shows exactly what BMP frame a shows.

#include <array>
#include <cstdint>
#include <vector>

#include "generator/cycle.h"
#include "generator/frame_export.h"
#include "generator/result.h"

// frame: 0..15 (A..P). scale: 1, 2, 3, 4 or 8, each pixel enlarged to scale x scale.
// bytes becomes the PNG file; on failure it is empty and the message says why.
Result EncodePngFrame(const Cycle& cycle, int frame, int scale, std::vector<uint8_t>& bytes);

// All sixteen at the cost of one: frames[a] is byte for byte EncodePngFrame(cycle, a, scale).
// The frames store the same indices, so the image data is compressed once and only the
// PLTE differs.
Result EncodePngFrames(const Cycle& cycle, int scale,
                       std::array<std::vector<uint8_t>, kFrameCount>& frames);
