#pragma once
// The colour cycle as one indexed Aseprite file (.aseprite): the loop's frames (sixteen for
// the default cycle) over one layer whose index image frame 0 holds and every later frame
// links to, the palette changing from frame to frame: frame 0 sets all sixteen entries, and
// so does each later frame whose colours differ from the frame before's (one that changes
// none sets none). A reader that applies the palettes in order shows frame j as BMP frame j. One
// tag, named after the id letter, spans the loop.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/encoding.h"
#include "generator/cycle.h"
#include "generator/result.h"

// scale: 1, 2, 3, 4 or 8, each pixel enlarged to scale x scale. Each frame lasts the cycle's
// delay. Fails for any other scale, a delay outside 1..100 or a loop the file's frame count
// cannot hold. The encoding's one step makes the file, which it adds at path; its size from
// above is known at the start. The cycle must outlive it.
Result StartAseprite(const Cycle& cycle, char id, int scale, const std::string& path,
                     Encoding& encoding);

// The whole file at once. Fails as StartAseprite does, or for a zlib failure.
Result EncodeAseprite(const Cycle& cycle, char id, int scale, std::vector<uint8_t>& bytes);
