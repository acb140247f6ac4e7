#pragma once
// Palette files from other programs, read into a list of colours. The format is told by the
// file's content, never by its name:
//   GIMP palette (.gpl, RGB or RGBA), hex list (RRGGBB, #RRGGBB or 0xRRGGBB lines), JASC-PAL
//   text, RIFF palette (binary .pal), Adobe colour table (.act, 768 or 772 bytes), Paint.NET
//   palette (AARRGGBB lines), and the palette of an image: an indexed PNG's PLTE, a GIF's
//   global colour table (else its first image's local one), a 1, 4 or 8-bit BMP's colour
//   table, or a truecolour PNG's distinct colours in reading order.
// Alpha is ignored everywhere. Every palette file EncodePaletteFile writes reads back to its
// colours, and so does the shader pair's palette.png.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "generator/palette_look.h"
#include "generator/result.h"

// A colour as the palette look keeps it.
using PaletteColour = Rgb;

struct ImportedPalette {
  std::vector<PaletteColour> colours;  // 1..kMaxImportedColours, in the file's order
  // What the file was read as, for the status line: "GIMP palette", "hex list", "JASC-PAL",
  // "RIFF palette", "Adobe colour table", "Paint.NET palette", "PNG", "GIF" or "BMP".
  std::string format;
  std::string name;  // a GIMP palette's Name: line, else empty
};

constexpr std::size_t kMaxPaletteFileBytes = 1 << 20;
constexpr std::size_t kMaxImportedColours = 256;

// From the file's bytes alone. Fails, saying why (without a file name), for a file of no
// format above, an empty one or one over kMaxPaletteFileBytes, one with no colours or more
// than kMaxImportedColours, and any malformed number or count; palette is then empty.
Result DecodePalette(std::string_view bytes, ImportedPalette& palette);

// The file at path through ReadFileBytes, then DecodePalette; every failure message starts
// with the path.
Result ReadPaletteFile(const std::string& path, ImportedPalette& palette);

// The binary readers DecodePalette picks among by the first bytes (a file it cannot tell
// from its signature is an Adobe colour table by its size). Each sets format and fills
// colours with what the file holds (a truecolour PNG's stop one past kMaxImportedColours);
// DecodePalette judges the count.
Result DecodePngPalette(std::string_view bytes, ImportedPalette& palette);
Result DecodeGifPalette(std::string_view bytes, ImportedPalette& palette);
Result DecodeBmpPalette(std::string_view bytes, ImportedPalette& palette);
Result DecodeRiffPalette(std::string_view bytes, ImportedPalette& palette);
Result DecodeActPalette(std::string_view bytes, ImportedPalette& palette);
