#pragma once
// Where a palette slot's colours come from and what they are limited to, beside its key
// ramp and its cycle ranges: colours taken from another program's palette in place of the
// ramp, a target palette every shown colour snaps to, and the bits a channel a machine shows.
// Per frame the order is: palette (ramp or colours), cycle ranges, snap, depth. All of it is
// integer arithmetic, so every build gives the same colours. The default look (the ramp, no
// snap, 8 bits) changes nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "generator/program_limits.h"
#include "generator/result.h"

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The most colours a palette file gives and a snap target holds.
constexpr int kMaxLookColours = 256;
// Bits a channel: 1..8; 8 is every colour as it is.
constexpr int kMinDepthBits = 1;
constexpr int kMaxDepthBits = 8;

struct PaletteLook {
  // Colours: a palette file's colours, of which entries 0.. take the run from colourStart
  // (up to 16; the ramp keeps the entries past the file's end). Empty: the ramp.
  std::vector<Rgb> colours;
  int colourStart = 0;
  std::string coloursName;
  // Snap: every shown colour becomes the nearest of these. Empty: no snap.
  std::vector<Rgb> snap;
  std::string snapName;
  int depthBits = kMaxDepthBits;

  bool IsDefault() const { return colours.empty() && snap.empty() && depthBits == kMaxDepthBits; }
  bool operator==(const PaletteLook&) const = default;
};

// The named colour depths a user steps through, with the machines they stand for.
struct DepthPreset {
  int bits;
  const char* name;
};
inline constexpr DepthPreset kDepthPresets[] = {
    {3, "9-bit"}, {4, "12-bit"}, {5, "15-bit"}, {6, "18-bit"}, {8, "24-bit"}};

// Snap and depth in a form every frame reads without allocating.
struct ColourLimit {
  int snapCount = 0;
  uint8_t snap[kMaxLookColours][kChannels] = {};
  int depthBits = kMaxDepthBits;

  bool IsNone() const { return snapCount == 0 && depthBits == kMaxDepthBits; }
  // Snap, then depth, on one colour and on a frame's.
  void Apply(uint8_t* rgb) const;
  void Apply(uint8_t (&colours)[kPaletteEntries][kChannels]) const;
};
ColourLimit LimitOf(const PaletteLook& look);

// The limit of a look kept from frame to frame for the preview: rebuilt only when the look
// changes, and each colour's limited value remembered (a cycle shows the same colours again
// and again), so a frame rarely searches the target.
struct ShownLimit {
  void Apply(const PaletteLook& look, uint8_t (&colours)[kPaletteEntries][kChannels]);

 private:
  PaletteLook of;
  ColourLimit limit;
  uint32_t key[256] = {};  // 1 + the colour's 24 bits; 0 for an empty slot
  uint8_t value[256][kChannels] = {};
};

// The index of the target colour nearest rgb by the integer redmean distance, the lowest
// index on a tie.
int NearestColour(const uint8_t* rgb, const uint8_t (*target)[kChannels], int count);
// A channel value limited to bits: its nearest level, and that level's value.
uint8_t LimitDepth(uint8_t value, int bits);

// The first entries of a ramp-built palette replaced by the look's colours.
void OverlayColours(const PaletteLook& look, int32_t (&palette)[kPaletteEntries][kChannels]);

// The slot's look file: "colours", "snap" and "depth" lines (see PaletteLookText). Empty text
// is the default look. Fails, naming the line, for anything it does not know.
Result ParsePaletteLook(const std::string& text, PaletteLook& look);
std::string PaletteLookText(const PaletteLook& look);
