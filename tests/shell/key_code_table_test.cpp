// The SDL scancode -> key code table and the translation of SDL's keyboard state.

#include "shell/desktop/key_code_table.h"

#include <SDL2/SDL_keyboard.h>
#include <SDL2/SDL_scancode.h>
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "generator/frame_clock.h"
#include "generator/key_codes.h"
#include "shell/desktop/keyboard.h"

namespace {

// Written out independently of the table and of key_codes.h: the keys the editor and a user
// rely on, by SDL's names for them, and the codes a PC keyboard gives them (scan code set 1,
// extended keys with bit 7 set).
std::vector<std::pair<std::string, int>> RequiredKeys() {
  std::vector<std::pair<std::string, int>> keys;
  // Along each row of the main block the codes count up by one.
  for (const auto& [row, first] : {std::pair{"1234567890", 0x02}, std::pair{"QWERTYUIOP", 0x10},
                                   std::pair{"ASDFGHJKL", 0x1E}, std::pair{"ZXCVBNM", 0x2C}})
    for (int i = 0; row[i] != '\0'; ++i) keys.emplace_back(std::string(1, row[i]), first + i);
  for (int f = 1; f <= 12; ++f) {
    std::string name = "F";
    keys.emplace_back(name.append(std::to_string(f)), f <= 10 ? 0x3A + f : 0x4C + f);
  }
  const std::pair<const char*, int> named[] = {
      {"Up", 0xC8},         {"Down", 0xD0},       {"Left", 0xCB},         {"Right", 0xCD},
      {"Space", 0x39},      {"Return", 0x1C},     {"Escape", 0x01},       {"Home", 0xC7},
      {"End", 0xCF},        {"PageUp", 0xC9},     {"PageDown", 0xD1},     {"Insert", 0xD2},
      {"Delete", 0xD3},     {"Left Shift", 0x2A}, {"Right Shift", 0x36},  {"Left Ctrl", 0x1D},
      {"Right Ctrl", 0x9D}, {"Left Alt", 0x38},   {"Right Alt", 0xB8},    {"Keypad 0", 0x52},
      {"Keypad 5", 0x4C},   {"Keypad 9", 0x49},   {"Keypad Enter", 0x9C}, {"Keypad +", 0x4E},
      {"Keypad -", 0x4A},
  };
  for (const auto& [name, code] : named) keys.emplace_back(name, code);
  return keys;
}

TEST(KeyCodeTable, RequiredKeysMapToTheirCodes) {
  for (const auto& [name, code] : RequiredKeys()) {
    const SDL_Scancode scancode = SDL_GetScancodeFromName(name.c_str());
    ASSERT_NE(scancode, SDL_SCANCODE_UNKNOWN) << name;
    EXPECT_EQ(KeyCodeOfScancode(scancode), code) << name;
  }
}

TEST(KeyCodeTable, EntriesAreInRangeAndScancodesUnique) {
  std::set<int> scancodes;
  for (const KeyMapping& m : KeyCodeTable()) {
    EXPECT_GT(m.keyCode, 0) << m.scancode;
    EXPECT_LT(m.keyCode, 256) << m.scancode;
    EXPECT_GT(m.scancode, SDL_SCANCODE_UNKNOWN);
    EXPECT_LT(m.scancode, SDL_NUM_SCANCODES);
    EXPECT_TRUE(scancodes.insert(m.scancode).second) << "scancode listed twice: " << m.scancode;
    EXPECT_EQ(KeyCodeOfScancode(m.scancode), m.keyCode);
  }
}

TEST(KeyCodeTable, NoTwoScancodesShareACodeExceptKnownAliases) {
  // The ISO '#' key and the US backslash key are the same physical position.
  const std::set<std::pair<int, int>> aliases = {{SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_NONUSHASH}};
  std::map<int, int> owner;
  for (const KeyMapping& m : KeyCodeTable()) {
    auto [it, fresh] = owner.emplace(m.keyCode, m.scancode);
    if (fresh) continue;
    const std::pair<int, int> pair{std::min<int>(it->second, m.scancode),
                                   std::max<int>(it->second, m.scancode)};
    EXPECT_TRUE(aliases.count(pair) == 1) << "scancodes " << it->second << " and " << m.scancode
                                          << " both give key code " << m.keyCode;
  }
}

TEST(KeyCodeTable, UnmappedAndOutOfRangeScancodesGiveZero) {
  for (int s : std::initializer_list<int>{0, static_cast<int>(SDL_SCANCODE_AC_BOOKMARKS),
                                          SDL_NUM_SCANCODES - 1, SDL_NUM_SCANCODES, -1, 100000}) {
    EXPECT_EQ(KeyCodeOfScancode(static_cast<SDL_Scancode>(s)), 0) << s;
  }
}

struct TranslationCase {
  const char* name;
  std::vector<SDL_Scancode> pressed;
  std::vector<int> down;
};

class Translation : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(Translation, SetsBitSevenOfExactlyThePressedKeys) {
  std::vector<uint8_t> pressed(SDL_NUM_SCANCODES, 0);
  for (SDL_Scancode s : GetParam().pressed) pressed[s] = 1;
  uint8_t keyState[256];
  std::memset(keyState, 0x55, sizeof keyState);  // stale contents must all be replaced
  TranslateKeyboardState(pressed.data(), static_cast<int>(pressed.size()), keyState);
  const std::set<int> down(GetParam().down.begin(), GetParam().down.end());
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(keyState[code], down.count(code) ? 0x80 : 0x00) << "key code " << code;
  }
}

INSTANTIATE_TEST_SUITE_P(
    States, Translation,
    ::testing::Values(TranslationCase{"Nothing", {}, {}},
                      TranslationCase{"LettersAndCursor",
                                      {SDL_SCANCODE_M, SDL_SCANCODE_Z, SDL_SCANCODE_UP},
                                      {DIK_M, DIK_Z, DIK_UP}},
                      TranslationCase{"UnmappedKeyIgnored", {SDL_SCANCODE_AC_BOOKMARKS}, {}},
                      TranslationCase{"AliasesMerge",
                                      {SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_NONUSHASH},
                                      {DIK_BACKSLASH}},
                      TranslationCase{"KeypadAndMainDigitsDistinct",
                                      {SDL_SCANCODE_1, SDL_SCANCODE_KP_1},
                                      {DIK_1, DIK_NUMPAD1}}),
    [](const ::testing::TestParamInfo<TranslationCase>& info) { return info.param.name; });

TEST(Translation, ShortStateArrayIsReadOnlyToItsEnd) {
  // SDL may report fewer scancodes than the table knows; nothing past the end is read.
  std::vector<uint8_t> pressed(SDL_SCANCODE_A + 1, 0);
  pressed[SDL_SCANCODE_A] = 1;
  uint8_t keyState[256] = {};
  TranslateKeyboardState(pressed.data(), static_cast<int>(pressed.size()), keyState);
  EXPECT_EQ(keyState[DIK_A], 0x80);
}

TEST(ReadFocusedKeyboard, WithoutAFocusedWindowLeavesStateUntouched) {
  FrameClock clock;
  clock.keyState[DIK_M] = 0x80;
  EXPECT_FALSE(ReadFocusedKeyboard(nullptr, clock.keyState));
  EXPECT_EQ(clock.keyState[DIK_M], 0x80);
  for (int code = 0; code < 256; ++code) {
    if (code != DIK_M) {
      EXPECT_EQ(clock.keyState[code], 0) << code;
    }
  }
}

}  // namespace
