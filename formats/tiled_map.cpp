#include "formats/tiled_map.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "formats/format_table.h"
#include "store/paths.h"

namespace {

// The file format version and the Tiled release whose format the files follow.
constexpr char kVersions[] = R"(version="1.8" tiledversion="1.8.2")";
constexpr int kTilesASide = 4;  // cells a side

std::string Attribute(const char* name, int value) {
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

std::string TiledSheetName(char id) {
  return id + std::string("-sheet.png");
}

std::string TiledTilesetName(char id) {
  return id + std::string(".tsx");
}

std::string TiledMapName(char id) {
  return id + std::string(".tmx");
}

std::string TiledTileset(const Cycle& cycle, char id, const SheetLayout& layout, int tileEdge) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tileset ";
  text += kVersions;
  text += " name=\"" + std::string(1, id) + "\"" + Attribute("tilewidth", tileEdge) +
          Attribute("tileheight", tileEdge) + Attribute("tilecount", cycle.frames) +
          Attribute("columns", layout.columns) + ">\n";
  text += " <image source=\"" + TiledSheetName(id) + "\"" +
          Attribute("width", layout.columns * tileEdge) +
          Attribute("height", layout.rows * tileEdge) + "/>\n";
  text += " <tile id=\"0\">\n  <animation>\n";
  const std::string duration = Attribute("duration", 10 * cycle.delayCentiseconds);
  for (int j = 0; j < cycle.frames; ++j)
    text += "   <frame" + Attribute("tileid", j) + duration + "/>\n";
  text += "  </animation>\n </tile>\n</tileset>\n";
  return text;
}

std::string TiledMap(char id, int tileEdge) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map ";
  text += kVersions;
  text += " orientation=\"orthogonal\" renderorder=\"right-down\"" +
          Attribute("width", kTilesASide) + Attribute("height", kTilesASide) +
          Attribute("tilewidth", tileEdge) + Attribute("tileheight", tileEdge) +
          " infinite=\"0\" nextlayerid=\"2\" nextobjectid=\"1\">\n";
  text += " <tileset firstgid=\"1\" source=\"" + TiledTilesetName(id) + "\"/>\n";
  text += " <layer id=\"1\" name=\"" + std::string(1, id) + "\"" + Attribute("width", kTilesASide) +
          Attribute("height", kTilesASide) + ">\n";
  text += "  <data encoding=\"csv\">\n";
  for (int row = 0; row < kTilesASide; ++row) {
    for (int column = 0; column < kTilesASide; ++column)
      text += (row + 1 < kTilesASide || column + 1 < kTilesASide) ? "1," : "1";
    text += "\n";
  }
  text += "</data>\n </layer>\n</map>\n";
  return text;
}

Result StartTiledMap(const Cycle& cycle, char id, int columns, int scale, const std::string& dir,
                     const std::string& sheetMadeEarlier, Encoding& encoding) {
  if (Result delay = CheckDelay("Tiled map", cycle); !delay) return delay;
  SheetLayout layout;
  if (Result planned = PlanSheet(cycle, columns, scale, layout); !planned) return planned;
  Encoding sheet;
  if (Result started =
          StartSpriteSheet(cycle, columns, scale, JoinPath(dir, TiledSheetName(id)), sheet);
      !started)
    return started;
  if (!sheetMadeEarlier.empty())
    CopySheet(sheetMadeEarlier, JoinPath(dir, TiledSheetName(id)), sheet);
  const int tileEdge = Cycle::kEdge * scale;
  const std::string tileset = TiledTileset(cycle, id, layout, tileEdge);
  const std::string map = TiledMap(id, tileEdge);
  std::vector<ExportFile> texts = {
      {JoinPath(dir, TiledTilesetName(id)), {tileset.begin(), tileset.end()}},
      {JoinPath(dir, TiledMapName(id)), {map.begin(), map.end()}},
  };
  sheet.bytes += tileset.size() + map.size();
  sheet.finish = [finish = std::move(sheet.finish),
                  texts = std::move(texts)](std::vector<ExportFile>& files) -> Result {
    if (Result finished = finish(files); !finished) return finished;
    files.insert(files.end(), texts.begin(), texts.end());
    return Result::Ok();
  };
  encoding = std::move(sheet);
  return Result::Ok();
}
