#pragma once
// What every colour-cycle frame is made of: the BMP header template (a.bmp) they all start
// with and the pixel array they share; the frames differ only in their colour tables.

#include <cstdint>
#include <string>

#include "generator/data_folder.h"
#include "generator/pattern_generator.h"

constexpr int kFrameCount = 16;
constexpr int kHeaderBytes = 54;
constexpr int kColourTableBytes = 16 * 4;
constexpr int kPixelBytes = kMapEdge * kMapEdge / 2;
constexpr int kFrameBytes = kHeaderBytes + kColourTableBytes + kPixelBytes;  // 32886

// Reads the first 54 bytes of the template (by default "a.bmp" in the working directory); a
// missing or shorter template fails, and so does one that cannot be read (see ReadFileBytes;
// a file over 1 MiB is no template) or that CheckFrameTemplate refuses. Messages name path.
Result ReadFrameTemplate(uint8_t header[kHeaderBytes],
                         const std::string& path = kFrameTemplateFile);

// Fails, naming a.bmp and the first wrong field, unless the header makes the frames
// uncompressed 256 x 256 BMPs of 4 bits per pixel with one plane and their pixels at 118
// (bottom-up or top-down).
Result CheckFrameTemplate(const uint8_t header[kHeaderBytes]);

// The pixel array: row k holds plane row v = k; byte m has the colour index of
// TiledCell(2m, v) in its high nibble and of TiledCell(2m + 1, v) in its low nibble.
void BuildFramePixels(const PatternGenerator& g, uint8_t pixels[kPixelBytes]);

// Whether the template stores rows bottom-up (positive height), as BMP files usually do.
bool TemplateIsBottomUp(const uint8_t header[kHeaderBytes]);
