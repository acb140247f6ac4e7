#pragma once
// The colour cycle as indexed PNG frames, one a frame of the loop, named as the BMP frames
// are (<id>A.png .. <id>P.png for the default cycle, <id>-0000.png on otherwise): 4 bits a
// pixel and a 16-entry PLTE holding frame j's colour table, so each shows exactly what BMP
// frame j shows.

#include <cstdint>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// frame: 0 .. cycle.frames - 1. scale: 1, 2, 3, 4 or 8, each pixel enlarged to scale x scale.
// bytes becomes the PNG file; on failure it is empty and the message says why.
Result EncodePngFrame(const Cycle& cycle, int frame, int scale, std::vector<uint8_t>& bytes);

// Every frame of the loop at the cost of one: frames[j] is byte for byte
// EncodePngFrame(cycle, j, scale). The frames store the same indices, so the image data is
// compressed once and only the PLTE differs.
Result EncodePngFrames(const Cycle& cycle, int scale, std::vector<std::vector<uint8_t>>& frames);

// Frame 0's file and where its PLTE's data starts: frame j is the same bytes with
// PngFramePatch(cycle, j) at that offset.
struct PngFrameBase {
  std::vector<uint8_t> bytes;
  size_t palette = 0;
};
Result EncodePngFrameBase(const Cycle& cycle, int scale, PngFrameBase& base);

// Frame j's colour table as the PLTE's data, then the chunk's CRC.
constexpr size_t kPngFramePatchBytes = 3 * kPaletteEntries + 4;
void PngFramePatch(const Cycle& cycle, int frame, uint8_t (&patch)[kPngFramePatchBytes]);
