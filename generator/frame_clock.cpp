#include "generator/frame_clock.h"

#include "generator/key_codes.h"

uint8_t KeyLatch[kKeyCodeCount] = {};

void ReleaseClockInput(FrameClock& clock) {
  if (clock.input != nullptr && clock.releaseInput != nullptr) clock.releaseInput(clock.input);
  clock.input = nullptr;
  clock.keyboard = nullptr;
}

bool KeyTriggered(int key, const uint8_t* state, bool repeat) {
  const uint8_t code = static_cast<uint8_t>(key);
  if ((state[code] & 0x80) == 0) {
    KeyLatch[code] = 1;
    return false;
  }
  if (repeat) return true;
  if (KeyLatch[code] == 1) {
    KeyLatch[code] = 0;
    return true;
  }
  return false;
}

void StepRow(int32_t& row, const uint8_t* state) {
  if (KeyTriggered(DIK_UP, state, false)) row -= 1;
  if (KeyTriggered(DIK_DOWN, state, false)) row += 1;
}
