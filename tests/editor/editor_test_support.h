#pragma once
// Shared by the editor tests: a canvas that records what a frame draws, a canvas that draws
// nothing, a scratch data folder holding a copy of data/, and scripted key frames; and
// Cp932, which spells the screen texts a test expects as they read.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_canvas.h"
#include "editor/editor_frame.h"
#include "generator/frame_clock.h"
#include "generator/pattern_generator.h"
#include "store/data_folder.h"
#include "tests/support/cp932_text.h"
#include "tests/support/temp_data_folder.h"

struct RecordedRect {
  int32_t x, y, w, h;
  uint32_t colour;
  float z;
  bool operator==(const RecordedRect&) const = default;
};

struct RecordedText {
  int32_t x, y;
  std::string text;
  int font;
  bool operator==(const RecordedText&) const = default;
};

// Logs every rectangle and text of a frame, and where the batch was ended.
struct RecordingCanvas {
  std::vector<RecordedRect> rects;
  std::vector<RecordedText> texts;
  int endCalls = 0;
  size_t rectsBeforeEnd = 0;
  size_t textsBeforeEnd = 0;

  RecordingCanvas() { rects.reserve(70000); }
  void Clear() {
    rects.clear();
    texts.clear();
    endCalls = 0;
    rectsBeforeEnd = textsBeforeEnd = 0;
  }
  EditorCanvas Bind() {
    EditorCanvas c;
    c.target = this;
    c.fillRect = [](void* t, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, float z) {
      static_cast<RecordingCanvas*>(t)->rects.push_back({x, y, w, h, colour, z});
    };
    c.endSprites = [](void* t) {
      auto* self = static_cast<RecordingCanvas*>(t);
      if (self->endCalls++ == 0) {
        self->rectsBeforeEnd = self->rects.size();
        self->textsBeforeEnd = self->texts.size();
      }
    };
    c.drawText = [](void* t, int32_t x, int32_t y, const char* text, int font) {
      static_cast<RecordingCanvas*>(t)->texts.push_back({x, y, text, font});
    };
    return c;
  }
  // Rectangles of a given size, e.g. the 2 x 2 preview cells.
  size_t CountSized(int32_t w, int32_t h) const {
    size_t n = 0;
    for (const auto& r : rects) n += (r.w == w && r.h == h) ? 1 : 0;
    return n;
  }
  bool Has(const RecordedRect& wanted) const {
    for (const auto& r : rects)
      if (r == wanted) return true;
    return false;
  }
  const RecordedText* TextAt(int32_t x, int32_t y) const {
    for (const auto& t : texts)
      if (t.x == x && t.y == y) return &t;
    return nullptr;
  }
};

// Draws nothing at all: the cheap canvas for long runs.
inline EditorCanvas NullCanvas() {
  EditorCanvas c;
  c.fillRect = [](void*, int32_t, int32_t, int32_t, int32_t, uint32_t, float) {};
  c.endSprites = [](void*) {};
  c.drawText = [](void*, int32_t, int32_t, const char*, int) {};
  return c;
}

// A fresh temporary data folder holding a copy of data/, so a test may save and export; it is
// reached by its path, the working directory stays where it is.
struct ScratchDir : TempDataFolder {
  ScratchDir() {
    const std::filesystem::path shipped = QUILMORANTE_DATA_DIR;
    const std::filesystem::path& here = folder.path();
    std::error_code ec;
    for (const char* name : {"siro.bmp", "a.bmp"}) {
      if (std::filesystem::exists(shipped / name))
        std::filesystem::copy_file(shipped / name, here / name, ec);
    }
    std::filesystem::create_directories(here / "savedata", ec);
    std::filesystem::create_directories(here / "result", ec);
    if (std::filesystem::exists(shipped / "savedata")) {
      for (const auto& entry : std::filesystem::directory_iterator(shipped / "savedata"))
        std::filesystem::copy_file(entry.path(), here / "savedata" / entry.path().filename(), ec);
    }
  }
};

// Keyboard state of one frame: the listed keys down, every other key up.
inline void SetKeys(FrameClock& clock, std::initializer_list<int> down) {
  std::memset(clock.keyState, 0, sizeof clock.keyState);
  for (int key : down) clock.keyState[key] = 0x80;
}

// Every key counts as seen released, so the first press of a test fires.
inline void ArmAllKeys() {
  std::memset(KeyLatch, 1, sizeof KeyLatch);
}

// Fills the tile's cells with a value no synthesis produces, to tell whether it ran.
constexpr int32_t kMapSentinel = 0x5A5A5A5A;
inline void MarkMap(PatternGenerator& g) {
  for (int i = 0; i < kMapCells; ++i) g.map[i] = kMapSentinel;
}
inline bool MapRewritten(const PatternGenerator& g) {
  for (int x = 0; x < g.width; ++x)
    for (int y = 0; y < g.height; ++y)
      if (g.map[x * kMapEdge + y] != kMapSentinel) return true;
  return false;
}
// Likewise for the palette, which RebuildPalette recomputes into 0..255.
inline void MarkPalette(PatternGenerator& g) {
  for (auto& entry : g.palette)
    for (auto& c : entry) c = -777;
}
inline bool PaletteRebuilt(const PatternGenerator& g) {
  for (const auto& entry : g.palette)
    for (int c : entry)
      if (c == -777) return false;
  return true;
}

// A generator started in a scratch copy of data/ (its data folder), its clock and a recording
// canvas, with every key armed before and after each test so no press leaks between tests.
class EditorFixture : public ::testing::Test, public ScratchDir {
 public:
  void SetUp() override {
    ArmAllKeys();
    g = std::make_unique<PatternGenerator>(&data);
    g->session.folder = &data;
  }
  void TearDown() override { ArmAllKeys(); }

  // One frame with the listed keys down; the recorder holds only this frame.
  void Frame(const std::vector<int>& down = {}) {
    rec.Clear();
    std::memset(clock.keyState, 0, sizeof clock.keyState);
    for (int key : down) clock.keyState[key] = 0x80;
    EditorFrame(*g, rec.Bind(), clock);
  }
  // Press and release: the release frame re-arms the keys that the open panel tests.
  void Tap(const std::vector<int>& down) {
    Frame(down);
    Frame();
  }

  std::unique_ptr<PatternGenerator> g;
  FrameClock clock;
  RecordingCanvas rec;
};
