#pragma once
// The program without its platform: the back buffer, the canvas and the generator, and the
// one call that draws a frame into plain memory. The desktop loop drives it with SDL's
// keyboard and presents the picture; anything else (a headless run, a web page) may too.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "generator/frame_clock.h"
#include "generator/key_codes.h"
#include "generator/pattern_generator.h"
#include "generator/result.h"
#include "shell/core/canvas.h"
#include "shell/core/rasterizer.h"
#include "store/data_folder.h"
#include "store/settings.h"

struct App {
  // Not owned; the kScreenWidth x kScreenHeight ARGB picture each tick leaves behind.
  // Without it a tick does nothing at all.
  BackBuffer* backBuffer = nullptr;
  Canvas canvas;
  // Made by the first tick (it is far too big for the stack); its clock owns the front-end's
  // keyboard source, so releasing the generator releases that too.
  std::unique_ptr<PatternGenerator> generator;
  // Set by the first frame body, whatever its set-up calls returned.
  bool firstFrameBodyDone = false;
  // Where the generator finds its files; set before the first tick.
  DataFolder folder;
  // The front-end's keyboard set-up, called once by the first frame body with the
  // generator's clock; a failure is reported and the frame goes on. May be empty.
  std::function<Result(FrameClock&)> setUpKeyboard;
  // The screen language asked for from outside (the command line's --lang); without one,
  // the one the settings file holds (Japanese without one). Set before the first tick.
  std::optional<Language> languageOverride;
  // What encodes the editor's exports; handed to the generator by the first tick. Without
  // one, M with cycle ranges and E say they cannot export.
  std::shared_ptr<ExportRunner> exporter;
  // What the settings file holds; it is written again when the screen's language or its
  // slots change.
  Settings settings;
  // Files dropped on the window since the last tick, in order; the next frame takes them.
  std::vector<std::string> dropped;
  // Text typed since the last tick, UTF-8; the next frame takes it.
  std::string typed;
};

// One frame of the main loop, everything between two presentations: clears the back buffer to
// opaque black and the depth to 1.0, makes the generator on the first tick, runs FrameBody
// with this frame's keys (key codes, bit 7 while down) and steady milliseconds, and after
// the first tick posts the recovery notice.
void Tick(App& app, const uint8_t keyState[kKeyCodeCount], uint64_t nowMs,
          const MouseState& mouse = MouseState{});

// Opens the sprite batch, sets the keyboard and fonts up on the first call, hands the keys
// and time to the clock, runs the editor frame and the status line and closes the batch.
void FrameBody(App& app, const uint8_t keyState[kKeyCodeCount], uint64_t nowMs,
               const MouseState& mouse);
