#pragma once
// The formats of one file a frame (the BMP frames, the PNG frames) for a loop of any length:
// in memory while the set is small; past the spill threshold (spill.h) only frame 0's file
// is kept, and each frame's file is made from it when the batch writes it, since frames
// differ only in their colour tables.

#include <string>

#include "formats/encoding.h"
#include "generator/cycle.h"
#include "generator/result.h"

// The BMP frames dir/<id>A.bmp .. (AddBmpFrames' files): one step. The cycle must outlive
// the encoding.
Result StartBmpFrameFiles(const Cycle& cycle, char id, const std::string& dir, Encoding& encoding);

// The PNG frames dir/<id>A.png .. (EncodePngFrames' files): one step. The start encodes
// frame 0, which gives the set's exact size; a scale not offered fails in the step, naming
// the folder. The cycle must outlive the encoding.
Result StartPngFrameFiles(const Cycle& cycle, char id, int scale, const std::string& dir,
                          Encoding& encoding);
