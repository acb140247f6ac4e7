#include "editor/name_field.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "editor/editor_operations.h"
#include "editor/overlay.h"
#include "editor/screen_encoding.h"
#include "editor/status_line.h"
#include "generator/random_pattern.h"
#include "generator/utf8_text.h"

namespace {

bool Held(const uint8_t* keys, int key) {
  return (keys[key] & 0x80) != 0;
}

// The typed characters that a name can hold, as long as the field has room.
void Type(std::string& field, const std::string& typed) {
  for (std::size_t at = 0; at < typed.size();) {
    const std::size_t from = at;
    char32_t c;
    if (!NextCharacter(typed, at, c) || IsControlCharacter(c)) continue;
    if (field.size() + (at - from) <= kMaxSlotNameBytes) field.append(typed, from, at - from);
  }
}

// The last whole character off.
void Erase(std::string& field) {
  while (!field.empty() && (static_cast<unsigned char>(field.back()) & 0xC0u) == 0x80)
    field.pop_back();
  if (!field.empty()) field.pop_back();
}

// Return: a seed draws its pattern; "#" and digits that are no seed are refused and the field
// stays open; anything else is the name (empty: none).
void Take(PatternGenerator& g, uint64_t nowMs) {
  const std::string text = *g.session.nameField;
  if (const std::optional<uint32_t> seed = TypedSeed(text)) {
    DrawSeededPattern(g, *seed, nowMs);
  } else if (text.size() > 1 && text[0] == '#' &&
             text.find_first_not_of("0123456789", 1) == std::string::npos) {
    ShowNote(g.session.status, TextsFor(g.session.language).seedRefused, nowMs);
    return;
  } else {
    g.label.name = text;
  }
  g.session.nameField.reset();
}

}  // namespace

bool NameFieldTakesKeys(PatternGenerator& g, const FrameClock& clock) {
  std::optional<std::string>& field = g.session.nameField;
  if (field) return true;
  const uint8_t* raw = clock.keyState;
  const bool ctrl = Held(raw, DIK_LCONTROL) || Held(raw, DIK_RCONTROL);
  if (ctrl || OpenAt(g.session, OverlayPlace::kWindow) != nullptr ||
      !KeyTriggered(DIK_F2, raw, false))
    return false;
  field = g.label.name;
  return true;
}

void NameFieldEdits(PatternGenerator& g, const FrameClock& clock, const std::string& typed) {
  std::optional<std::string>& field = g.session.nameField;
  if (field) {
    const uint8_t* raw = clock.keyState;
    Type(*field, typed);
    if (KeyTriggered(DIK_BACK, raw, false)) Erase(*field);
    if (KeyTriggered(DIK_ESCAPE, raw, false)) {
      field.reset();
    } else if (KeyTriggered(DIK_RETURN, raw, false) || KeyTriggered(DIK_NUMPADENTER, raw, false)) {
      Take(g, clock.nowMs);
    }
  }
}

void DrawLabelLine(const PatternGenerator& g, const ScreenTexts& t, const ScreenDraw& screen) {
  char line[160];
  const std::optional<std::string>& field = g.session.nameField;
  if (field) {
    std::snprintf(line, sizeof line, t.nameFieldFormat, ToScreenText(*field).c_str());
  } else if (!g.label.name.empty() || g.label.seed) {
    std::string text;
    if (!g.label.name.empty()) {
      std::snprintf(line, sizeof line, t.nameFormat, ToScreenText(g.label.name).c_str());
      text = line;
    }
    if (g.label.seed) {
      std::snprintf(line, sizeof line, t.randomFormat, *g.label.seed);
      text += (text.empty() ? "" : "  ") + std::string(line);
    }
    std::snprintf(line, sizeof line, "%s", text.c_str());
  } else {
    return;
  }
  screen.Text(kLabelLineAt, line, kFontSmall);
}

void DropStaleSeed(PatternGenerator& g) {
  if (g.label.seed && !(RandomPattern(*g.label.seed) == g.Pattern())) g.label.seed.reset();
}
