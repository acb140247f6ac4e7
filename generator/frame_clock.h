#pragma once
// The per-frame keyboard holder and the key tests the editor builds on. This is plain data
// and logic: the shell's keyboard adapter fills keyState and owns the platform handles.

#include <cstdint>

struct FrameClock {
  // This frame's keyboard, indexed by key code (key_codes.h); bit 7 set while a key is down.
  // Every key reads as up until the first successful read.
  uint8_t keyState[256] = {};
  // The platform keyboard source, owned: set up by the shell, released with the clock.
  void* input = nullptr;
  // The window whose keyboard focus gates the reads; not owned.
  void* keyboard = nullptr;
  // How to release `input`; set together with it.
  void (*releaseInput)(void* input) = nullptr;
  // A steady clock in milliseconds, read once per frame with the keyboard; times the status
  // line's messages.
  uint64_t nowMs = 0;
};

// Releases the clock's keyboard source, if any, and empties the field.
void ReleaseClockInput(FrameClock& clock);

// One entry per key code: 1 when that key has been seen up since a non-repeating test last
// reported it. All 0 at program start, so a key held at start must be released first.
extern uint8_t KeyLatch[256];

// Once-per-press test (repeat false) or while-held test (repeat true) of one key.
bool KeyTriggered(int key, const uint8_t* state, bool repeat);

// UP moves the row back by one, then DOWN forward by one; no clamping or wrapping.
void StepRow(int32_t& row, const uint8_t* state);
