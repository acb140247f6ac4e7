#pragma once
// The per-frame keyboard holder and the key tests the editor builds on. This is plain data
// and logic: the shell's keyboard adapter fills keyState and owns the platform handles.

#include <cstdint>
#include <string>
#include <vector>

#include "generator/key_codes.h"

// The pointer as the front-end saw it since the last frame, in back-buffer pixels.
struct MouseState {
  // The pointer has moved over the picture since the program started: until then the mouse
  // changes nothing, not even a highlight.
  bool seen = false;
  int32_t x = -1;  // off the picture: outside 0..639, 0..479
  int32_t y = -1;
  bool down = false;     // the left button is held
  bool pressed = false;  // it went down since the last frame (even when it is up again)
  int32_t pressX = -1;   // where it went down: what a quick press and move acts on
  int32_t pressY = -1;
  int32_t wheel = 0;  // notches since the last frame, up positive
};

// What the editor wants the pointer to look like over what it is on.
enum class PointerShape : uint8_t { kArrow, kHand, kMove };

struct FrameClock {
  // This frame's keyboard, indexed by key code (key_codes.h); bit 7 set while a key is down.
  // Every key reads as up until the first successful read.
  uint8_t keyState[kKeyCodeCount] = {};
  // The platform keyboard source, owned: set up by the shell, released with the clock.
  void* input = nullptr;
  // The window whose keyboard focus gates the reads; not owned.
  void* keyboard = nullptr;
  // How to release `input`; set together with it.
  void (*releaseInput)(void* input) = nullptr;
  // A steady clock in milliseconds, read once per frame with the keyboard; times the status
  // line's messages.
  uint64_t nowMs = 0;
  MouseState mouse;
  // Files dropped on the window since the last frame, in order; the frame takes them.
  std::vector<std::string> dropped;
  // Text typed since the last frame, UTF-8 (what the keys and the input method give, apart
  // from the keys themselves); the frame takes it.
  std::string typed;
  // Set by the editor frame for the front-end.
  PointerShape pointer = PointerShape::kArrow;
};

// Releases the clock's keyboard source, if any, and empties the field.
void ReleaseClockInput(FrameClock& clock);

// One entry per key code: 1 when that key has been seen up since a non-repeating test last
// reported it. All 0 at program start, so a key held at start must be released first.
extern uint8_t KeyLatch[kKeyCodeCount];

// Once-per-press test (repeat false) or while-held test (repeat true) of one key.
bool KeyTriggered(int key, const uint8_t* state, bool repeat);

// UP moves the row back by one, then DOWN forward by one; no clamping or wrapping.
void StepRow(int32_t& row, const uint8_t* state);
