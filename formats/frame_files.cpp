#include "formats/frame_files.h"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "formats/bmp_frames.h"
#include "formats/format_table.h"
#include "formats/png_frames.h"
#include "formats/scale.h"
#include "formats/spill.h"
#include "generator/frame_template.h"
#include "store/data_folder.h"
#include "store/paths.h"

namespace {

// A frame's file made when it is written: frame 0's bytes with the frame's own bytes over
// the part that differs.
class PatchedFrame final : public OutsideContents {
 public:
  static constexpr size_t kMostPatch = 64;
  PatchedFrame(std::shared_ptr<const std::vector<uint8_t>> base, size_t at, const uint8_t* patch,
               size_t size)
      : base_(std::move(base)), at_(at), size_(size) {
    std::memcpy(patch_, patch, size);
  }
  uint64_t Size() const override { return base_->size(); }
  Result Emit(const Put& put) override {
    const uint8_t* bytes = base_->data();
    const size_t after = at_ + size_;
    Result out = put(bytes, at_);
    if (out) out = put(patch_, size_);
    if (out) out = put(bytes + after, base_->size() - after);
    return out;
  }

 private:
  std::shared_ptr<const std::vector<uint8_t>> base_;
  size_t at_;
  size_t size_;
  uint8_t patch_[kMostPatch];
};

static_assert(kColourTableBytes <= PatchedFrame::kMostPatch &&
              kPngFramePatchBytes <= PatchedFrame::kMostPatch);

std::string FramePath(const std::string& dir, const std::string& name) {
  return dir.empty() ? name : dir + "/" + name;
}

// Frame j's colour table as a BMP stores it: blue, green, red and a zero byte an entry.
void BmpTable(const Cycle& cycle, int j, uint8_t (&quads)[kColourTableBytes]) {
  uint8_t colours[kPaletteEntries][kChannels];
  cycle.Colours(j, colours);
  for (int n = 0; n < kPaletteEntries; ++n) {
    quads[4 * n] = colours[n][2];
    quads[4 * n + 1] = colours[n][1];
    quads[4 * n + 2] = colours[n][0];
    quads[4 * n + 3] = 0;
  }
}

}  // namespace

Result StartBmpFrameFiles(const Cycle& cycle, char id, const std::string& dir, Encoding& encoding) {
  const uint64_t bytes = uint64_t(cycle.frames) * kFrameBytes;
  OneStep(encoding, [&cycle, id, dir, bytes](std::vector<ExportFile>& files) {
    if (bytes <= SpillThreshold()) {
      AddBmpFrames(cycle, id, dir, files);
      return Result::Ok();
    }
    // Frame 0 as AddBmpFrames makes it: the template's header, the colours, the pixels.
    auto first = std::make_unique<Cycle>(cycle);
    first->frames = 1;
    std::vector<ExportFile> made;
    AddBmpFrames(*first, id, dir, made);
    auto base = std::make_shared<const std::vector<uint8_t>>(std::move(made[0].bytes));
    const bool numbered = cycle.NumberedFrames();
    uint8_t quads[kColourTableBytes];
    for (int a = 0; a < cycle.frames; ++a) {
      BmpTable(cycle, a, quads);
      ExportFile file{FramePath(dir, DataFolder::FrameName(id, a, numbered)), {}};
      SetOutsideContents(file,
                         std::make_shared<PatchedFrame>(base, kHeaderBytes, quads, sizeof quads));
      files.push_back(std::move(file));
    }
    return Result::Ok();
  });
  encoding.bytes = bytes;
  encoding.bytesExact = true;
  return Result::Ok();
}

Result StartPngFrameFiles(const Cycle& cycle, char id, int scale, const std::string& dir,
                          Encoding& encoding) {
  auto base = std::make_shared<PngFrameBase>();
  if (ValidScale(scale)) {
    if (Result first = EncodePngFrameBase(cycle, scale, *base); !first)
      return Result::Fail(JoinPath(dir, "") + ": " + first.message);
    encoding.bytes = uint64_t(cycle.frames) * base->bytes.size();
    encoding.bytesExact = true;
  }
  const uint64_t bytes = encoding.bytes;
  OneStep(encoding, [&cycle, id, scale, dir, base, bytes](std::vector<ExportFile>& files) {
    if (!ValidScale(scale))
      return Result::Fail(JoinPath(dir, "") + ": " + CheckScale("PNG frame", scale).message);
    const bool numbered = cycle.NumberedFrames();
    const bool inMemory = bytes <= SpillThreshold();
    auto first = std::make_shared<const std::vector<uint8_t>>(std::move(base->bytes));
    uint8_t patch[kPngFramePatchBytes];
    for (int a = 0; a < cycle.frames; ++a) {
      PngFramePatch(cycle, a, patch);
      ExportFile file{JoinPath(dir, DataFolder::FrameName(id, a, numbered, ".png")), {}};
      if (inMemory) {
        file.bytes = *first;
        std::memcpy(file.bytes.data() + base->palette, patch, sizeof patch);
      } else {
        SetOutsideContents(
            file, std::make_shared<PatchedFrame>(first, base->palette, patch, sizeof patch));
      }
      files.push_back(std::move(file));
    }
    return Result::Ok();
  });
  return Result::Ok();
}
