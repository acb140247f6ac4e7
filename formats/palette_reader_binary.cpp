// The binary palette formats and the palettes of images: every field is checked against the
// bytes there are before it is read.

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>

#include "formats/palette_reader.h"

namespace {

// size (1..4) bytes at at, little-endian; the caller has checked they are there.
uint32_t LittleEndian(std::string_view bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

PaletteColour ColourAt(std::string_view bytes, size_t at) {
  return {static_cast<uint8_t>(bytes[at]), static_cast<uint8_t>(bytes[at + 1]),
          static_cast<uint8_t>(bytes[at + 2])};
}

// A palette image is a strip or a grid of swatches: anything larger is refused before its
// pixels are allocated.
constexpr uint64_t kMaxPngPixels = 1 << 22;

// libpng's state for one file; a libpng error longjmps back to ReadPngImage, so what must
// survive the jump lives here, outside that function's frame.
struct PngRead {
  std::string_view bytes;
  size_t at = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  char error[160] = "";
  std::unique_ptr<png_byte[]> pixels;
  std::vector<png_bytep> rows;
  size_t rowBytes = 0;
  std::vector<PaletteColour> plte;
  ~PngRead() { png_destroy_read_struct(&png, &info, nullptr); }
};

void PngReadBytes(png_structp png, png_bytep out, size_t length) {
  auto* read = static_cast<PngRead*>(png_get_io_ptr(png));
  if (length > read->bytes.size() - read->at) png_error(png, "the file ends inside the image");
  std::memcpy(out, read->bytes.data() + read->at, length);
  read->at += length;
}

void PngError(png_structp png, png_const_charp message) {
  auto* read = static_cast<PngRead*>(png_get_error_ptr(png));
  std::snprintf(read->error, sizeof read->error, "%s", message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// The whole image, truecolour as 8-bit RGB, indexed as stored, and the PLTE of an indexed one.
bool ReadPngImage(PngRead* read) {
  if (setjmp(png_jmpbuf(read->png))) return false;
  png_set_read_fn(read->png, read, PngReadBytes);
  png_read_info(read->png, read->info);
  const png_uint_32 height = png_get_image_height(read->png, read->info);
  if (uint64_t{png_get_image_width(read->png, read->info)} * height > kMaxPngPixels) {
    std::snprintf(read->error, sizeof read->error, "more than %llu pixels",
                  static_cast<unsigned long long>(kMaxPngPixels));
    return false;
  }
  if (png_get_color_type(read->png, read->info) != PNG_COLOR_TYPE_PALETTE) {
    png_set_strip_16(read->png);
    png_set_strip_alpha(read->png);
    png_set_expand_gray_1_2_4_to_8(read->png);
    png_set_gray_to_rgb(read->png);
  }
  png_set_interlace_handling(read->png);
  png_read_update_info(read->png, read->info);
  read->rowBytes = png_get_rowbytes(read->png, read->info);
  read->pixels.reset(new png_byte[read->rowBytes * height]);
  read->rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) read->rows[y] = read->pixels.get() + y * read->rowBytes;
  png_read_image(read->png, read->rows.data());
  png_read_end(read->png, nullptr);
  png_colorp plte = nullptr;
  int entries = 0;
  if (png_get_PLTE(read->png, read->info, &plte, &entries) == PNG_INFO_PLTE &&
      png_get_color_type(read->png, read->info) == PNG_COLOR_TYPE_PALETTE)
    for (int i = 0; i < entries; ++i)
      read->plte.push_back({plte[i].red, plte[i].green, plte[i].blue});
  return true;
}

// Distinct colours in reading order, stopping at one past the most a palette holds.
void DistinctColours(const PngRead& read, std::vector<PaletteColour>& colours) {
  std::unordered_set<uint32_t> seen;
  for (const png_bytep row : read.rows)
    for (size_t x = 0; x + 3 <= read.rowBytes; x += 3) {
      if (!seen.insert(uint32_t{row[x]} << 16 | row[x + 1] << 8 | row[x + 2]).second) continue;
      colours.push_back({row[x], row[x + 1], row[x + 2]});
      if (colours.size() > kMaxImportedColours) return;
    }
}

struct GifClose {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

struct GifRead {
  std::string_view bytes;
  size_t at = 0;
};

int GifReadBytes(GifFileType* gif, GifByteType* out, int length) {
  auto* read = static_cast<GifRead*>(gif->UserData);
  const size_t count =
      std::min(static_cast<size_t>(length < 0 ? 0 : length), read->bytes.size() - read->at);
  std::memcpy(out, read->bytes.data() + read->at, count);
  read->at += count;
  return static_cast<int>(count);
}

Result GifFailure(int error) {
  const char* text = GifErrorString(error);
  return Result::Fail(std::string("GIF: ") + (text != nullptr ? text : "cannot be read"));
}

// Skips an extension's blocks.
bool SkipGifExtension(GifFileType* gif) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
  while (block != nullptr)
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  return true;
}

}  // namespace

Result DecodePngPalette(std::string_view bytes, ImportedPalette& palette) {
  palette.format = "PNG";
  PngRead read;
  read.bytes = bytes;
  read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, PngError, PngWarning);
  if (read.png != nullptr) read.info = png_create_info_struct(read.png);
  if (read.info == nullptr) return Result::Fail("PNG: libpng cannot start");
  if (!ReadPngImage(&read)) return Result::Fail(std::string("PNG: ") + read.error);
  if (png_get_color_type(read.png, read.info) == PNG_COLOR_TYPE_PALETTE)
    palette.colours = read.plte;
  else
    DistinctColours(read, palette.colours);
  return Result::Ok();
}

Result DecodeGifPalette(std::string_view bytes, ImportedPalette& palette) {
  palette.format = "GIF";
  GifRead read{bytes};
  int error = 0;
  const std::unique_ptr<GifFileType, GifClose> gif(DGifOpen(&read, GifReadBytes, &error));
  if (gif == nullptr) return GifFailure(error);
  // The global table, else the first image's own.
  const ColorMapObject* map = gif->SColorMap;
  while (map == nullptr) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return GifFailure(gif->Error);
    if (type == EXTENSION_RECORD_TYPE) {
      if (!SkipGifExtension(gif.get())) return GifFailure(gif->Error);
    } else if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return GifFailure(gif->Error);
      map = gif->Image.ColorMap;
      if (map == nullptr) break;
    } else {
      break;
    }
  }
  if (map == nullptr) return Result::Fail("GIF without a colour table");
  for (int i = 0; i < map->ColorCount; ++i)
    palette.colours.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  return Result::Ok();
}

// The colour table of a 1, 4 or 8-bit BMP: BGR triples after a 12-byte core header, BGRx
// quads after a 40-byte or longer one, as many as biClrUsed says or 2^bits.
Result DecodeBmpPalette(std::string_view bytes, ImportedPalette& palette) {
  palette.format = "BMP";
  if (bytes.size() < 18) return Result::Fail("BMP: the file ends inside its header");
  const uint32_t headerBytes = LittleEndian(bytes, 14, 4);
  if (headerBytes != 12 && headerBytes < 40)
    return Result::Fail("BMP: unknown header of " + std::to_string(headerBytes) + " bytes");
  if (bytes.size() - 14 < headerBytes) return Result::Fail("BMP: the file ends inside its header");
  const bool core = headerBytes == 12;
  // Signed in the longer headers: a negative height is a top-down picture.
  const int64_t width = core ? int64_t{LittleEndian(bytes, 18, 2)}
                             : int64_t{static_cast<int32_t>(LittleEndian(bytes, 18, 4))};
  const int64_t height = core ? int64_t{LittleEndian(bytes, 20, 2)}
                              : int64_t{static_cast<int32_t>(LittleEndian(bytes, 22, 4))};
  const uint32_t bits = LittleEndian(bytes, core ? 24 : 28, 2);
  const uint32_t compression = core ? 0 : LittleEndian(bytes, 30, 4);
  const uint32_t used = core ? 0 : LittleEndian(bytes, 46, 4);
  if (bits != 1 && bits != 4 && bits != 8)
    return Result::Fail("BMP: " + std::to_string(bits) +
                        " bits a pixel, which has no colour table");
  if (used > (1u << bits) || width <= 0 || height == 0 || compression > 2)
    return Result::Fail("BMP: the header's colour count, size or compression is not valid");
  const uint64_t entryBytes = core ? 3 : 4;
  const uint64_t count = used != 0 ? used : 1u << bits;
  const uint64_t table = 14 + uint64_t{headerBytes};
  // Uncompressed rows are whole 32-bit words.
  const uint64_t pixels = LittleEndian(bytes, 10, 4);
  const uint64_t rows = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
  const uint64_t pixelBytes =
      compression == 0 ? rows * static_cast<uint64_t>(height < 0 ? -height : height) : 0;
  if (table + count * entryBytes > bytes.size() || pixels + pixelBytes > bytes.size())
    return Result::Fail("BMP: the file ends before its colour table and pixels do");
  for (uint64_t i = 0; i < count; ++i) {
    const PaletteColour bgr = ColourAt(bytes, table + i * entryBytes);
    palette.colours.push_back({bgr.b, bgr.g, bgr.r});
  }
  return Result::Ok();
}

// RIFF, its size, "PAL ", then chunks; the "data" chunk holds version 0x0300, the count and
// r g b flags entries.
Result DecodeRiffPalette(std::string_view bytes, ImportedPalette& palette) {
  palette.format = "RIFF palette";
  if (bytes.size() < 12 || bytes.substr(8, 4) != "PAL ")
    return Result::Fail("a RIFF file that is not a palette");
  const uint64_t end = 8 + uint64_t{LittleEndian(bytes, 4, 4)};
  if (end > bytes.size()) return Result::Fail("RIFF palette: the file ends before its RIFF size");
  for (uint64_t at = 12; at + 8 <= end;) {
    const uint64_t size = LittleEndian(bytes, at + 4, 4);
    if (at + 8 + size > end) return Result::Fail("RIFF palette: a chunk runs past the file");
    if (bytes.substr(at, 4) != "data") {
      at += 8 + size + size % 2;
      continue;
    }
    const uint64_t count = size >= 4 ? LittleEndian(bytes, at + 10, 2) : 0;
    if (size < 4 || LittleEndian(bytes, at + 8, 2) != 0x0300 || 4 + 4 * count > size)
      return Result::Fail(
          "RIFF palette: the data chunk is not version 0x0300, a count and the "
          "count's entries");
    for (uint64_t i = 0; i < count; ++i)
      palette.colours.push_back(ColourAt(bytes, at + 12 + 4 * i));
    return Result::Ok();
  }
  return Result::Fail("RIFF palette without a data chunk");
}

// 256 RGB triples, and in a 772-byte file a big-endian count and transparent index after them.
Result DecodeActPalette(std::string_view bytes, ImportedPalette& palette) {
  palette.format = "Adobe colour table";
  if (bytes.size() != 768 && bytes.size() != 772)
    return Result::Fail("Adobe colour table: 768 or 772 bytes, not " +
                        std::to_string(bytes.size()));
  const uint32_t count = bytes.size() == 768 ? 256
                                             : static_cast<uint8_t>(bytes[768]) << 8 |
                                                   static_cast<uint8_t>(bytes[769]);
  if (count == 0 || count > 256)
    return Result::Fail("Adobe colour table: a count of " + std::to_string(count) + ", not 1..256");
  for (uint32_t i = 0; i < count; ++i) palette.colours.push_back(ColourAt(bytes, 3 * i));
  return Result::Ok();
}
