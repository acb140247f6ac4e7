#pragma once
// The numbers every part of the program agrees on, each named once: the palette, the map, the
// slots and the ranges of the settings a user steps through.

#include <cstdint>

// The palette: 16 entries of red, green and blue.
constexpr int kPaletteEntries = 16;
constexpr int kChannels = 3;

// The pattern map is kMapEdge x kMapEdge cells; a tile is 2^exponent cells along each axis.
constexpr int kMapEdge = 256;
constexpr int kMapCells = kMapEdge * kMapEdge;
constexpr int32_t kMinTileExp = 4;
constexpr int32_t kMaxTileExp = 8;

constexpr int kPointCount = 4;

// Pattern and palette slots are numbered 0 .. kSlotCount - 1.
constexpr int kSlotCount = 100;

// The mosaic levels a user steps through, 0 .. kMaxMosaic; synthesis takes any level up to
// kMaxMosaicShift (blocks of 2^8 = 256 cells, the whole map) and clamps the rest.
constexpr int32_t kMaxMosaic = 4;
constexpr int32_t kMaxMosaicShift = 8;

// The screen's languages: Japanese, the default, and English. settings.txt names them
// "language=ja" and "language=en".
enum class Language : uint8_t { kJapanese, kEnglish };
