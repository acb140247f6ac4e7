#pragma once
// The colour cycle as a folder Tiled opens: the loop's sprite sheet (png_sheet.h), a tileset
// (.tsx) over it and an orthogonal map (.tmx) that repeats the picture 4 x 4, so the texture
// shows tiling and cycling. Tiled animates whole tiles: the tileset cuts each frame's cell of
// the sheet into tiles (by default one, the whole picture), and every tile of frame 0's cell
// plays the same tile of each frame's cell in turn, each shown for the cycle's delay. The map
// lays frame 0's tiles out as the picture, so a level grid finer than the picture can use the
// texture tile by tile.

#include <cstdint>
#include <string>

#include "formats/encoding.h"
#include "formats/png_sheet.h"
#include "generator/cycle.h"
#include "generator/result.h"

// The folder's files for the stem (the id letter, or a slot's name made safe for a file):
// "<stem>-sheet.png", "<stem>.tsx" and "<stem>.tmx".
std::string TiledSheetName(const std::string& stem);
std::string TiledTilesetName(const std::string& stem);
std::string TiledMapName(const std::string& stem);

// The tile edges the tileset may cut a cell into: the powers of two kMinTileEdge ..
// kMaxTileEdge pixels, which divide a cell at every scale. 0 stands for the whole cell.
constexpr int kMinTileEdge = 8;
constexpr int kMaxTileEdge = Cycle::kEdge;
bool ValidTileEdge(int tileEdge);
// Those edges as a message lists them: "8, 16, 32, 64, 128 or 256".
std::string TileEdgesText();

// The tileset's tiles over a sheet laid out as layout: cells of perCell x perCell tiles,
// tileEdge pixels square.
struct TiledGrid {
  SheetLayout layout;
  int tileEdge = 0;
  int perCell = 1;

  int Columns() const { return layout.columns * perCell; }
  // The tile that shows the picture's tile row, column (counted from the top left) in frame
  // j's cell.
  int64_t TileId(int j, int row, int column) const;
};

// The tileset over the sheet: tilecount runs to the last frame's last tile, and each tile of
// frame 0's cell shows its tile of frame j's cell for 10 x delay milliseconds in turn.
// The tileset is named after the id letter; its sheet is the stem's.
std::string TiledTileset(const Cycle& cycle, char id, const TiledGrid& grid,
                         const std::string& stem);

// The map: the picture's tiles of frame 0 (gid = tile + 1), 4 x 4 times over.
// Its layer is named after the id letter; its tileset is the stem's.
std::string TiledMap(char id, const TiledGrid& grid, const std::string& stem);

// columns as the sprite sheet takes them, scale 1, 2, 3, 4 or 8, tileEdge as ValidTileEdge
// takes it. Fails as the sheet does, or for a delay outside 1..100 or another tile edge. The
// encoding takes the sheet's steps; its finish adds the sheet, the tileset and the map in dir.
// The cycle must outlive it.
// With sheetMadeEarlier, the path of that same sheet among the files the finish is given
// (made by an earlier encoding of the same export), the sheet is a copy of that file, made in
// one step.
Result StartTiledMap(const Cycle& cycle, char id, const std::string& stem, int columns, int scale,
                     int tileEdge, const std::string& dir, const std::string& sheetMadeEarlier,
                     Encoding& encoding);
