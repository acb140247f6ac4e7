#include "formats/cycle_gif.h"

#include <gif_lib.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "formats/scale.h"
#include "formats/spill.h"

namespace {

int AppendBytes(GifFileType* gif, const GifByteType* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + size);
  return size;
}

Result GifFailure(int error) {
  const char* text = GifErrorString(error);
  return Result::Fail(std::string("GIF: cannot encode: ") +
                      (text != nullptr ? text : "unknown error"));
}

constexpr size_t kDescriptorBytes = 10;
constexpr size_t kTableBytes = 3 * kPaletteEntries;

// The file in parts. The frames differ only in their colour tables, and the LZW data of an
// image depends on its pixels alone, so every frame is the same control extension and image
// descriptor, its own table, then frame 0's LZW data: the file giflib would write frame by
// frame, as many times faster.
struct GifParts {
  std::vector<uint8_t> head;     // header, screen descriptor, loop extension
  std::vector<uint8_t> control;  // a frame's control extension and image descriptor
  std::vector<uint8_t> image;    // the LZW data, from its code size byte on
  uint8_t trailer = 0;

  uint64_t FileBytes(int frames) const {
    return head.size() + uint64_t(frames) * (control.size() + kTableBytes + image.size()) + 1;
  }
};

// Frame 0 through giflib, cut into the parts.
Result EncodeParts(const Cycle& cycle, int scale, GifParts& parts) {
  if (Result scaled = CheckScale("GIF", scale); !scaled) return scaled;
  // GIF rows run top-down, as the cycle's picture does.
  std::vector<uint8_t> rows;
  ScalePixels(cycle.pixels, Cycle::kEdge, scale, rows);
  const int edge = Cycle::kEdge * scale;

  std::vector<uint8_t> bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, AppendBytes, &error);
  if (gif == nullptr) return GifFailure(error);
  EGifSetGifVersion(gif, true);
  auto fail = [&](int code) {
    int ignored = 0;
    EGifCloseFile(gif, &ignored);
    return GifFailure(code);
  };
  if (EGifPutScreenDesc(gif, edge, edge, 8, 0, nullptr) != GIF_OK) return fail(gif->Error);
  // Loop forever.
  static const GifByteType kNetscape[] = "NETSCAPE2.0";
  static const GifByteType kLoop[] = {1, 0, 0};
  if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
      EGifPutExtensionBlock(gif, 11, kNetscape) != GIF_OK ||
      EGifPutExtensionBlock(gif, 3, kLoop) != GIF_OK || EGifPutExtensionTrailer(gif) != GIF_OK)
    return fail(gif->Error);

  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_DO_NOT;
  control.UserInputFlag = false;
  control.DelayTime = cycle.delayCentiseconds;
  control.TransparentColor = NO_TRANSPARENT_COLOR;
  GifByteType extension[4];
  const size_t length = EGifGCBToExtension(&control, extension);
  const size_t frameStart = bytes.size();
  if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_OK)
    return fail(gif->Error);
  const size_t descriptorStart = bytes.size();

  uint8_t table[kPaletteEntries][kChannels];
  GifColorType colours[kPaletteEntries];
  cycle.Colours(0, table);
  for (int n = 0; n < kPaletteEntries; ++n) {
    const uint8_t* rgb = table[n];
    colours[n] = GifColorType{rgb[0], rgb[1], rgb[2]};
  }
  ColorMapObject* map = GifMakeMapObject(kPaletteEntries, colours);
  if (map == nullptr) return fail(E_GIF_ERR_NOT_ENOUGH_MEM);
  const int put = EGifPutImageDesc(gif, 0, 0, edge, edge, false, map);
  GifFreeMapObject(map);
  if (put != GIF_OK) return fail(gif->Error);
  // The descriptor and the table are out; the LZW data (from its code size byte on) follows.
  const size_t imageStart = descriptorStart + kDescriptorBytes + kTableBytes;
  if (bytes.size() < imageStart) return fail(E_GIF_ERR_WRITE_FAILED);
  for (int r = 0; r < edge; ++r)
    if (EGifPutLine(gif, rows.data() + static_cast<size_t>(r) * edge, edge) != GIF_OK)
      return fail(gif->Error);
  const size_t imageEnd = bytes.size();
  if (EGifCloseFile(gif, &error) != GIF_OK) return GifFailure(error);
  if (bytes.size() != imageEnd + 1) return GifFailure(E_GIF_ERR_WRITE_FAILED);

  const auto at = [&](size_t offset) {
    return bytes.begin() + static_cast<std::ptrdiff_t>(offset);
  };
  parts.head.assign(bytes.begin(), at(frameStart));
  parts.control.assign(at(frameStart), at(descriptorStart + kDescriptorBytes));
  parts.image.assign(at(imageStart), at(imageEnd));
  parts.trailer = bytes.back();
  return Result::Ok();
}

// The whole file into out, a frame at a time.
Result WriteFile(const Cycle& cycle, const GifParts& parts, FileSink& out) {
  if (Result put = out.Append(parts.head.data(), parts.head.size()); !put) return put;
  uint8_t table[kPaletteEntries][kChannels];
  for (int a = 0; a < cycle.frames; ++a) {
    cycle.Colours(a, table);
    Result put = out.Append(parts.control.data(), parts.control.size());
    if (put) put = out.Append(table, sizeof table);
    if (put) put = out.Append(parts.image.data(), parts.image.size());
    if (!put) return put;
  }
  return out.Append(&parts.trailer, 1);
}

}  // namespace

Result StartCycleGif(const Cycle& cycle, int scale, const std::string& path, Encoding& encoding) {
  auto parts = std::make_shared<GifParts>();
  if (Result encoded = EncodeParts(cycle, scale, *parts); !encoded) return encoded;
  auto out = std::make_shared<FileSink>();
  encoding.steps = 1;
  encoding.bytes = parts->FileBytes(cycle.frames);
  encoding.bytesExact = true;
  encoding.step = [&cycle, parts, out](int) { return WriteFile(cycle, *parts, *out); };
  encoding.finish = [out, path](std::vector<ExportFile>& files) {
    ExportFile file;
    if (Result finished = out->Finish(path, file); !finished) return finished;
    files.push_back(std::move(file));
    return Result::Ok();
  };
  return Result::Ok();
}

Result EncodeCycleGif(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes) {
  bytes.clear();
  GifParts parts;
  if (Result encoded = EncodeParts(cycle, scale, parts); !encoded) return encoded;
  FileSink out = FileSink::InMemory();
  if (Result written = WriteFile(cycle, parts, out); !written) return written;
  return out.Take(bytes);
}
