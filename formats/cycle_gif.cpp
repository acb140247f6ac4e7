#include "formats/cycle_gif.h"

#include <gif_lib.h>

#include <string>
#include <vector>

#include "formats/scale.h"

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

}  // namespace

Result EncodeCycleGif(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes) {
  if (Result scaled = CheckScale("GIF", scale); !scaled) return scaled;
  // GIF rows run top-down, as the cycle's picture does.
  std::vector<uint8_t> rows;
  ScalePixels(cycle.pixels, Cycle::kEdge, scale, rows);
  const int edge = Cycle::kEdge * scale;

  bytes.clear();
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

  // Frame 0 through giflib. The frames differ only in their colour tables, and the LZW data
  // of an image depends on its pixels alone, so the others repeat frame 0's bytes with their
  // own tables: the file giflib would write frame by frame, as many times faster.
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
  auto frameColours = [&](int a) {
    GifColorType colours[kPaletteEntries];
    cycle.Colours(a, table);
    for (int n = 0; n < kPaletteEntries; ++n) {
      const uint8_t* rgb = table[n];
      colours[n] = GifColorType{rgb[0], rgb[1], rgb[2]};
    }
    return GifMakeMapObject(kPaletteEntries, colours);
  };
  ColorMapObject* map = frameColours(0);
  if (map == nullptr) return fail(E_GIF_ERR_NOT_ENOUGH_MEM);
  const int put = EGifPutImageDesc(gif, 0, 0, edge, edge, false, map);
  GifFreeMapObject(map);
  if (put != GIF_OK) return fail(gif->Error);
  constexpr size_t kDescriptorBytes = 10;
  constexpr size_t kTableBytes = 3 * kPaletteEntries;
  // The descriptor and the table are out; the LZW data (from its code size byte on) follows.
  const size_t imageStart = descriptorStart + kDescriptorBytes + kTableBytes;
  if (bytes.size() < imageStart) return fail(E_GIF_ERR_WRITE_FAILED);
  for (int r = 0; r < edge; ++r)
    if (EGifPutLine(gif, rows.data() + static_cast<size_t>(r) * edge, edge) != GIF_OK)
      return fail(gif->Error);
  const size_t imageEnd = bytes.size();
  if (EGifCloseFile(gif, &error) != GIF_OK) return GifFailure(error);
  const uint8_t trailer = bytes.back();
  bytes.pop_back();

  bytes.reserve(bytes.size() + static_cast<size_t>(cycle.frames - 1) * (imageEnd - frameStart) + 1);
  for (int a = 1; a < cycle.frames; ++a) {
    bytes.insert(bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(frameStart),
                 bytes.begin() + static_cast<std::ptrdiff_t>(descriptorStart + kDescriptorBytes));
    cycle.Colours(a, table);
    for (int n = 0; n < kPaletteEntries; ++n)
      bytes.insert(bytes.end(), table[n], table[n] + kChannels);
    bytes.insert(bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(imageStart),
                 bytes.begin() + static_cast<std::ptrdiff_t>(imageEnd));
  }
  bytes.push_back(trailer);
  return Result::Ok();
}
