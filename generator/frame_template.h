#pragma once
// What every colour-cycle frame is made of: the BMP header template (a.bmp) they all start
// with and the pixel array they share; the frames differ only in their colour tables.

#include <cstdint>
#include <string>

#include "generator/document.h"
#include "generator/result.h"

// The template's name in the data folder.
constexpr const char* kFrameTemplateFile = "a.bmp";

constexpr int kFrameCount = 16;
constexpr int kHeaderBytes = 54;
constexpr int kColourTableBytes = 16 * 4;
constexpr int kPixelBytes = kMapEdge * kMapEdge / 2;
constexpr int kFrameBytes = kHeaderBytes + kColourTableBytes + kPixelBytes;  // 32886

// Fails, naming a.bmp and the first wrong field, unless the header makes the frames
// uncompressed 256 x 256 BMPs of 4 bits per pixel with one plane and their pixels at 118
// (bottom-up or top-down).
Result CheckFrameTemplate(const uint8_t header[kHeaderBytes]);

// The pixel array of a map with a width x height tile: row k holds plane row v = k; byte m
// has the colour index of TiledCell(2m, v) in its high nibble and of TiledCell(2m + 1, v) in
// its low nibble.
void BuildFramePixels(const PatternMap& map, int32_t width, int32_t height,
                      uint8_t pixels[kPixelBytes]);

// Whether the template stores rows bottom-up (positive height), as BMP files usually do.
bool TemplateIsBottomUp(const uint8_t header[kHeaderBytes]);
