#include "formats/png_sheet.h"

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "formats/png_encoder.h"
#include "formats/scale.h"
#include "formats/shared_palette.h"

namespace {

// The sheet between steps; the row source reads the cell row being written.
struct Sheet {
  const Cycle* cycle;
  SheetLayout layout;
  int cellEdge;
  SharedPalette palette;
  std::vector<uint8_t> packed;   // kRemap4: the enlarged picture, two indices a byte
  std::vector<uint8_t> indices;  // otherwise: one index a byte
  int cellRow = 0;
  // Per column of the cell row, kRemap4: a packed byte of indices (h, l) -> the stored pair;
  // kIndexed8: index -> stored index; kRgb: index -> colour (3 bytes). An empty cell maps
  // everything to index 0, or to entry 0's colour.
  std::vector<std::array<uint8_t, 256>> map;
  PngStreamPtr png;
};

const uint8_t* SheetRow(const void* context, int y, uint8_t* scratch) {
  const auto& sheet = *static_cast<const Sheet*>(context);
  const size_t within = static_cast<size_t>(y % sheet.cellEdge);
  const size_t edge = static_cast<size_t>(sheet.cellEdge);
  uint8_t* out = scratch;
  for (const auto& map : sheet.map) {
    switch (sheet.palette.layout) {
      case SharedLayout::kRemap4: {
        const uint8_t* source = sheet.packed.data() + within * edge / 2;
        for (size_t m = 0; m < edge / 2; ++m) out[m] = map[source[m]];
        out += edge / 2;
        break;
      }
      case SharedLayout::kIndexed8: {
        const uint8_t* source = sheet.indices.data() + within * edge;
        for (size_t x = 0; x < edge; ++x) out[x] = map[source[x]];
        out += edge;
        break;
      }
      case SharedLayout::kRgb: {
        const uint8_t* source = sheet.indices.data() + within * edge;
        for (size_t x = 0; x < edge; ++x) std::memcpy(out + 3 * x, &map[3 * source[x]], 3);
        out += 3 * edge;
        break;
      }
    }
  }
  return scratch;
}

// The maps of cell row r's columns.
void MapCellRow(Sheet& sheet, int r) {
  const int frames = sheet.cycle->frames;
  uint8_t table[kPaletteEntries][kChannels];
  for (int column = 0; column < sheet.layout.columns; ++column) {
    const int j = r * sheet.layout.columns + column;
    auto& map = sheet.map[column];
    map.fill(0);
    switch (sheet.palette.layout) {
      case SharedLayout::kRemap4:
        if (j < frames)
          for (int b = 0; b < 256; ++b)
            map[b] = static_cast<uint8_t>(sheet.palette.stored[j][b >> 4] << 4 |
                                          sheet.palette.stored[j][b & 15]);
        break;
      case SharedLayout::kIndexed8:
        if (j < frames) std::memcpy(map.data(), sheet.palette.stored[j].data(), kPaletteEntries);
        break;
      case SharedLayout::kRgb:
        if (j < frames) {
          sheet.cycle->Colours(j, table);
          std::memcpy(map.data(), table, sizeof table);
        } else {
          uint8_t base[kPaletteEntries][kChannels];
          sheet.cycle->BaseColours(base);
          for (int i = 0; i < kPaletteEntries; ++i) std::memcpy(&map[3 * i], base[0], kChannels);
        }
        break;
    }
  }
}

Result Begin(Sheet& sheet, int scale) {
  const Cycle& cycle = *sheet.cycle;
  if (sheet.palette.layout == SharedLayout::kRemap4)
    sheet.packed = PackedPicture(cycle, scale);
  else
    ScalePixels(cycle.pixels, Cycle::kEdge, scale, sheet.indices);
  sheet.map.resize(static_cast<size_t>(sheet.layout.columns));
  PngImage image;
  image.width = sheet.cellEdge * sheet.layout.columns;
  image.height = sheet.cellEdge * sheet.layout.rows;
  image.layout = sheet.palette.layout == SharedLayout::kRemap4     ? PngLayout::kPalette4
                 : sheet.palette.layout == SharedLayout::kIndexed8 ? PngLayout::kPalette8
                                                                   : PngLayout::kRgb8;
  // Less the row above, every cell is the same bytes except where the frames' maps differ,
  // so zlib finds most of a cell one cell back: a third of the size and twice the speed of
  // no filter.
  image.filter = PngFilter::kUp;
  image.palette = sheet.palette.colours;
  image.paletteEntries = sheet.palette.entries;
  image.row = SheetRow;
  image.context = &sheet;
  return StartPng(image, "sprite sheet", sheet.png, true);
}

uint64_t MostBytes(const Sheet& sheet) {
  const uint64_t width = uint64_t(sheet.cellEdge) * uint64_t(sheet.layout.columns);
  const uint64_t rowBytes = 1 + (sheet.palette.layout == SharedLayout::kRemap4 ? width / 2
                                 : sheet.palette.layout == SharedLayout::kRgb  ? 3 * width
                                                                               : width);
  return MostPngBytes(rowBytes, uint64_t(sheet.cellEdge) * uint64_t(sheet.layout.rows),
                      sheet.palette.entries);
}

}  // namespace

Result PlanSheet(const Cycle& cycle, int columns, int scale, SheetLayout& layout) {
  if (columns != 1 && columns != 2 && columns != 4 && columns != 8 && columns != 16)
    return Result::Fail("sprite sheet: " + std::to_string(columns) +
                        " columns is not one of 1, 2, 4, 8, 16");
  if (Result scaled = CheckScale("sprite sheet", scale); !scaled) return scaled;
  const int frames = cycle.frames;
  if (frames < 1) return Result::Fail("sprite sheet: the cycle has no frames");
  const int cell = Cycle::kEdge * scale;
  const int most = kMaxSheetEdge / cell;  // cells a side
  SheetLayout made;
  made.columns = columns < frames ? columns : frames;
  made.rows = (frames + made.columns - 1) / made.columns;
  if (made.rows > most) {
    made.columns = (frames + most - 1) / most;
    made.rows = (frames + made.columns - 1) / made.columns;
    if (made.columns > most)
      return Result::Fail("sprite sheet: a loop of " + std::to_string(frames) +
                          " frames at scale " + std::to_string(scale) + " does not fit in " +
                          std::to_string(kMaxSheetEdge) + " x " + std::to_string(kMaxSheetEdge) +
                          " pixels (" + std::to_string(most * most) +
                          " frames at most); use a smaller scale or a shorter loop");
  }
  layout = made;
  return Result::Ok();
}

Result StartSpriteSheet(const Cycle& cycle, int columns, int scale, const std::string& path,
                        Encoding& encoding) {
  SheetLayout layout;
  if (Result planned = PlanSheet(cycle, columns, scale, layout); !planned) return planned;
  auto sheet = std::make_shared<Sheet>();
  sheet->cycle = &cycle;
  sheet->layout = layout;
  sheet->cellEdge = Cycle::kEdge * scale;
  MakeSharedPalette(cycle, sheet->palette);
  encoding.steps = layout.rows;
  encoding.bytes = MostBytes(*sheet);
  encoding.step = [sheet, scale](int r) -> Result {
    if (r == 0)
      if (Result begun = Begin(*sheet, scale); !begun) return begun;
    MapCellRow(*sheet, r);
    return WritePngRows(*sheet->png, r * sheet->cellEdge, (r + 1) * sheet->cellEdge);
  };
  encoding.finish = [sheet, path](std::vector<ExportFile>& files) -> Result {
    ExportFile file;
    if (Result finished = FinishPngFile(*sheet->png, path, file); !finished) return finished;
    sheet->png.reset();
    files.push_back(std::move(file));
    return Result::Ok();
  };
  return Result::Ok();
}

Result EncodeSpriteSheet(const Cycle& cycle, int columns, int scale, std::vector<uint8_t>& bytes) {
  return EncodeToBytes([&](Encoding& e) { return StartSpriteSheet(cycle, columns, scale, "", e); },
                       bytes);
}
