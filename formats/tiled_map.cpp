#include "formats/tiled_map.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "formats/format_table.h"
#include "store/paths.h"

namespace {

// The file format version and the Tiled release whose format the files follow.
constexpr char kVersions[] = R"(version="1.8" tiledversion="1.8.2")";
constexpr int kPicturesASide = 4;  // the picture repeated, a side

// Text as an attribute's value holds it: '&', '<', '>' and the quotes as references.
std::string XmlText(const std::string& text) {
  std::string xml;
  for (char c : text) {
    switch (c) {
      case '&':
        xml += "&amp;";
        break;
      case '<':
        xml += "&lt;";
        break;
      case '>':
        xml += "&gt;";
        break;
      case '"':
        xml += "&quot;";
        break;
      case '\'':
        xml += "&apos;";
        break;
      default:
        xml += c;
    }
  }
  return xml;
}

std::string Attribute(const char* name, int64_t value) {
  return std::string(" ") + name + "=\"" + std::to_string(value) + "\"";
}

// The sheet's encoding made a copy of the file at from among the files made before it: its
// size judged as the encoding judges it, its bytes shared, never encoded again.
void CopySheet(const std::string& from, const std::string& to, Encoding& sheet) {
  sheet.steps = 1;
  sheet.step = [](int) { return Result::Ok(); };
  sheet.made = nullptr;
  sheet.finish = [from, to](std::vector<ExportFile>& files) -> Result {
    const auto made = std::find_if(files.begin(), files.end(),
                                   [&](const ExportFile& file) { return file.path == from; });
    if (made == files.end()) return Result::Fail("the sprite sheet " + from + " is not made");
    ExportFile copy = *made;
    copy.path = to;
    copy.named = false;
    files.push_back(std::move(copy));
    return Result::Ok();
  };
}

}  // namespace

std::string TiledSheetName(const std::string& stem) {
  return stem + "-sheet.png";
}

std::string TiledTilesetName(const std::string& stem) {
  return stem + ".tsx";
}

std::string TiledMapName(const std::string& stem) {
  return stem + ".tmx";
}

bool ValidTileEdge(int tileEdge) {
  return tileEdge == 0 ||
         (tileEdge >= kMinTileEdge && tileEdge <= kMaxTileEdge && (tileEdge & (tileEdge - 1)) == 0);
}

std::string TileEdgesText() {
  std::string text;
  for (int edge = kMinTileEdge; edge <= kMaxTileEdge; edge *= 2)
    text += (text.empty() ? "" : edge == kMaxTileEdge ? " or " : ", ") + std::to_string(edge);
  return text;
}

int64_t TiledGrid::TileId(int j, int row, int column) const {
  const int64_t cellRow = j / layout.columns, cellColumn = j % layout.columns;
  return (cellRow * perCell + row) * Columns() + cellColumn * perCell + column;
}

std::string TiledTileset(const Cycle& cycle, char id, const TiledGrid& grid,
                         const std::string& stem) {
  const int last = cycle.frames - 1, edge = grid.perCell * grid.tileEdge;
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tileset ";
  text += kVersions;
  text += " name=\"" + std::string(1, id) + "\"" + Attribute("tilewidth", grid.tileEdge) +
          Attribute("tileheight", grid.tileEdge) +
          Attribute("tilecount", grid.TileId(last, grid.perCell - 1, grid.perCell - 1) + 1) +
          Attribute("columns", grid.Columns()) + ">\n";
  text += " <image source=\"" + XmlText(TiledSheetName(stem)) + "\"" +
          Attribute("width", int64_t{grid.layout.columns} * edge) +
          Attribute("height", int64_t{grid.layout.rows} * edge) + "/>\n";
  const std::string duration = Attribute("duration", 10 * cycle.delayCentiseconds) + "/>\n";
  for (int row = 0; row < grid.perCell; ++row)
    for (int column = 0; column < grid.perCell; ++column) {
      text += " <tile" + Attribute("id", grid.TileId(0, row, column)) + ">\n  <animation>\n";
      for (int j = 0; j <= last; ++j)
        text.append("   <frame")
            .append(Attribute("tileid", grid.TileId(j, row, column)))
            .append(duration);
      text += "  </animation>\n </tile>\n";
    }
  text += "</tileset>\n";
  return text;
}

std::string TiledMap(char id, const TiledGrid& grid, const std::string& stem) {
  const int side = kPicturesASide * grid.perCell;  // cells a side
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map ";
  text += kVersions;
  text += " orientation=\"orthogonal\" renderorder=\"right-down\"" + Attribute("width", side) +
          Attribute("height", side) + Attribute("tilewidth", grid.tileEdge) +
          Attribute("tileheight", grid.tileEdge) +
          " infinite=\"0\" nextlayerid=\"2\" nextobjectid=\"1\">\n";
  text += " <tileset firstgid=\"1\" source=\"" + XmlText(TiledTilesetName(stem)) + "\"/>\n";
  text += " <layer id=\"1\" name=\"" + std::string(1, id) + "\"" + Attribute("width", side) +
          Attribute("height", side) + ">\n";
  text += "  <data encoding=\"csv\">\n";
  for (int row = 0; row < side; ++row) {
    for (int column = 0; column < side; ++column) {
      text += std::to_string(grid.TileId(0, row % grid.perCell, column % grid.perCell) + 1);
      if (row + 1 < side || column + 1 < side) text += ',';
    }
    text += "\n";
  }
  text += "</data>\n </layer>\n</map>\n";
  return text;
}

Result StartTiledMap(const Cycle& cycle, char id, const std::string& stem, int columns, int scale,
                     int tileEdge, const std::string& dir, const std::string& sheetMadeEarlier,
                     Encoding& encoding) {
  if (Result delay = CheckDelay("Tiled map", cycle); !delay) return delay;
  if (!ValidTileEdge(tileEdge))
    return Result::Fail("Tiled map: the tile size must be " + TileEdgesText() + ", not " +
                        std::to_string(tileEdge));
  TiledGrid grid;
  if (Result planned = PlanSheet(cycle, columns, scale, grid.layout); !planned) return planned;
  const int cellEdge = Cycle::kEdge * scale;
  grid.tileEdge = tileEdge == 0 ? cellEdge : tileEdge;
  grid.perCell = cellEdge / grid.tileEdge;
  Encoding sheet;
  if (Result started =
          StartSpriteSheet(cycle, columns, scale, JoinPath(dir, TiledSheetName(stem)), sheet);
      !started)
    return started;
  if (!sheetMadeEarlier.empty())
    CopySheet(sheetMadeEarlier, JoinPath(dir, TiledSheetName(stem)), sheet);
  // A tileset of small tiles over a long loop runs to hundreds of megabytes: its bytes go to
  // the export by a move, not another copy.
  std::vector<ExportFile> texts;
  for (const auto& [name, text] :
       {std::pair{TiledTilesetName(stem), TiledTileset(cycle, id, grid, stem)},
        std::pair{TiledMapName(stem), TiledMap(id, grid, stem)}}) {
    texts.push_back({JoinPath(dir, name), {text.begin(), text.end()}});
    sheet.bytes += text.size();
  }
  sheet.finish = [finish = std::move(sheet.finish),
                  texts = std::move(texts)](std::vector<ExportFile>& files) mutable -> Result {
    if (Result finished = finish(files); !finished) return finished;
    files.insert(files.end(), std::make_move_iterator(texts.begin()),
                 std::make_move_iterator(texts.end()));
    return Result::Ok();
  };
  encoding = std::move(sheet);
  return Result::Ok();
}
