#include "formats/bmp_frames.h"

#include <cstring>
#include <memory>

#include "store/data_folder.h"
#include "store/paths.h"
#include "store/template_file.h"

void AddBmpFrames(const Cycle& cycle, char idLetter, const std::string& dir,
                  std::vector<ExportFile>& files) {
  // The file's rows run from plane row 0, whichever way the picture stands.
  uint8_t pixels[kPixelBytes];
  for (int v = 0; v < Cycle::kEdge; ++v) {
    const uint8_t* row = cycle.pixels + (cycle.bottomUp ? Cycle::kEdge - 1 - v : v) * Cycle::kEdge;
    uint8_t* out = pixels + v * (Cycle::kEdge / 2);
    for (int m = 0; m < Cycle::kEdge / 2; ++m)
      out[m] = static_cast<uint8_t>(row[2 * m] << 4 | row[2 * m + 1]);
  }
  const bool numbered = cycle.NumberedFrames();
  uint8_t colours[kPaletteEntries][kChannels];
  for (int a = 0; a < cycle.frames; ++a) {
    const std::string name = DataFolder::FrameName(idLetter, a, numbered);
    ExportFile file{JoinPath(dir, name), std::vector<uint8_t>(kFrameBytes)};
    uint8_t* bytes = file.bytes.data();
    std::memcpy(bytes, cycle.bmpHeader, kHeaderBytes);
    cycle.Colours(a, colours);
    for (int n = 0; n < kPaletteEntries; ++n) {
      const uint8_t* rgb = colours[n];
      uint8_t* quad = bytes + kHeaderBytes + 4 * n;
      quad[0] = rgb[2];
      quad[1] = rgb[1];
      quad[2] = rgb[0];
      quad[3] = 0;
    }
    std::memcpy(bytes + kHeaderBytes + kColourTableBytes, pixels, kPixelBytes);
    files.push_back(std::move(file));
  }
}

Result WriteBmpFrames(const Cycle& cycle, char idLetter, const std::string& dir) {
  std::vector<ExportFile> files;
  AddBmpFrames(cycle, idLetter, dir, files);
  std::vector<std::string> paths;
  for (const ExportFile& file : files) paths.push_back(file.path);
  return WriteFileSet({dir}, files,
                      OtherFrameFiles(dir, idLetter, DataFolder::kFrameExtension, paths));
}

Result ExportFrames(const Document& document, const DataFolder& folder) {
  // The template is read once and checked before any frame is written, so a bad one leaves
  // result/ alone.
  uint8_t header[kHeaderBytes];
  if (Result read = ReadFrameTemplate(header, folder.frameTemplate); !read) return read;
  auto cycle = std::make_unique<Cycle>();
  if (Result made = MakeCycle(document, header, kDefaultDelayCentiseconds, *cycle); !made)
    return made;
  return WriteBmpFrames(*cycle, document.idLetter, folder.Path(DataFolder::kResults));
}
