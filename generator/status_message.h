#pragma once
// The editor's status line: the one message the screen shows about what a key did (a save,
// an export, a failure) or what the start found. Plain data kept with the generator, so it
// lives across frames; the editor writes and draws it.

#include <cstdint>
#include <string>

#include "generator/program_limits.h"

struct StatusLine {
  std::string text;  // code page 932; empty when nothing is shown
  // A file named after the text; where the line is too long, it loses its beginning first,
  // so the reason before it stays whole.
  std::string file;
  // A failure stays until the next key press; anything else until shownUntilMs.
  bool untilKeyPress = false;
  uint64_t shownUntilMs = 0;
  // Keys still down from the press that posted the message do not count as the next press.
  bool keysUpSincePosted = false;
  // A message that lasts until the next key press may also end at shownUntilMs.
  bool expires = false;
  // An export's progress, which any other message replaces and which gives way to it.
  bool progress = false;
  // The language of the screen when it was posted.
  Language language = Language::kJapanese;
};
