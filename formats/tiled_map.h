#pragma once
// The colour cycle as a folder Tiled opens: the loop's sprite sheet (png_sheet.h), a tileset
// (.tsx) over it whose tile 0 plays the L frames as a tile animation, and an orthogonal map
// (.tmx) of 4 x 4 cells of that tile, so the texture shows tiling and cycling. Tiled animates
// whole tiles: each frame of the loop is a whole tile of the sheet, shown for the cycle's
// delay.

#include <string>

#include "formats/encoding.h"
#include "formats/png_sheet.h"
#include "generator/cycle.h"
#include "generator/result.h"

// The folder's files for the id letter: "<id>-sheet.png", "<id>.tsx" and "<id>.tmx".
std::string TiledSheetName(char id);
std::string TiledTilesetName(char id);
std::string TiledMapName(char id);

// The tileset over the sheet laid out as layout, cells tileEdge pixels square: tilecount is
// the loop's frames, and tile 0's animation shows tile j for 10 x delay milliseconds in turn.
std::string TiledTileset(const Cycle& cycle, char id, const SheetLayout& layout, int tileEdge);

// The map: 4 x 4 cells of the tileset's tile 0 (gid 1), tileEdge pixels square.
std::string TiledMap(char id, int tileEdge);

// columns as the sprite sheet takes them, scale 1, 2, 3, 4 or 8. Fails as the sheet does, or
// for a delay outside 1..100. The encoding takes the sheet's steps; its finish adds the sheet,
// the tileset and the map in dir. The cycle must outlive it.
// With sheetMadeEarlier, the path of that same sheet among the files the finish is given
// (made by an earlier encoding of the same export), the sheet is a copy of that file, made in
// one step.
Result StartTiledMap(const Cycle& cycle, char id, int columns, int scale, const std::string& dir,
                     const std::string& sheetMadeEarlier, Encoding& encoding);
