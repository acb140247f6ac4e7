#pragma once
// The cycle's 16 colours (frame A's, unrotated) as a palette file for pixel editors, in the
// format the file's extension names:
//   .gpl  GIMP palette (GIMP, Aseprite, Krita): "r g b<TAB>Index k" lines
//   .pal  JASC-PAL (Paint Shop Pro and the editors that read it), lines ending CR LF
//   .hex  one rrggbb per line
//   .act  Adobe colour table: 256 RGB triples (16..255 black), count 16, no transparent index

#include <cstdint>
#include <string>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// The extensions EncodePaletteFile knows, in the order --all writes them.
inline constexpr const char* kPaletteExtensions[] = {".gpl", ".pal", ".hex", ".act"};

// Succeeds when the path ends in one of kPaletteExtensions (any case); otherwise the message
// names the path and lists them.
Result CheckPaletteFileName(const std::string& path);

// pathOrExtension: a file name or path ("out/sunset.gpl") or just the extension ("gpl" or
// ".gpl"), matched without regard to case. name: the palette's name in a .gpl file (line
// breaks become spaces); the other formats have no place for it. Fails, naming the
// extension, for any other format.
Result EncodePaletteFile(const Cycle& cycle, const std::string& pathOrExtension,
                         const std::string& name, std::vector<uint8_t>& bytes);
