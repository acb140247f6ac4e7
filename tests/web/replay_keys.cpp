// The desktop's frame core driven by a list of key presses, headless, in a copy of the data
// folder: what the desktop editor saves and exports for a key sequence, for comparison with
// the page. Each key is down for one frame and up for the next; no texts are drawn.
//
// Usage: replay_keys FOLDER KEY_CODE...   (codes in decimal or 0x hex)

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "editor/format_export_runner.h"
#include "generator/key_codes.h"
#include "shell/core/app.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: replay_keys FOLDER KEY_CODE...\n");
    return 2;
  }
  auto device = std::make_unique<BackBuffer>();
  App app;
  app.folder = DataFolder(argv[1]);
  app.backBuffer = device.get();
  app.exporter = MakeFormatExportRunner(app.folder);
  // Faces that draw nothing: the files do not depend on texts.
  app.canvas.text.make = [](void*, int, int) { return true; };
  app.canvas.text.draw = [](void*, int, BackBuffer&, int32_t, int32_t, const char*) {};
  if (Result ready = SetupCanvas(app.canvas, device.get(), app.folder.whiteTexture); !ready) {
    std::fprintf(stderr, "replay_keys: %s\n", ready.message.c_str());
    return 1;
  }
  uint8_t keys[kKeyCodeCount] = {};
  uint64_t now = 0;
  auto tick = [&] { Tick(app, keys, now += 16); };
  tick();
  for (int i = 2; i < argc; ++i) {
    char* end = nullptr;
    const long code = std::strtol(argv[i], &end, 0);
    if (*end != '\0' || code <= 0 || code >= kKeyCodeCount) {
      std::fprintf(stderr, "replay_keys: not a key code: %s\n", argv[i]);
      return 2;
    }
    keys[code] = 0x80;
    tick();
    keys[code] = 0;
    tick();
  }
  // A long loop's export ends some frames later.
  while (app.exporter->Running()) tick();
  ReleaseCanvas(app.canvas);
  return 0;
}
