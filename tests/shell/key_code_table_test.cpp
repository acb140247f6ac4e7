// The SDL scancode -> key code table and the translation of SDL's keyboard state.

#include "shell/desktop/key_code_table.h"

#include <SDL2/SDL_keyboard.h>
#include <SDL2/SDL_scancode.h>
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "generator/frame_clock.h"
#include "generator/key_codes.h"
#include "shell/desktop/keyboard.h"

namespace {

struct Expected {
  SDL_Scancode scancode;
  int keyCode;
};

// Written out independently of the table: the keys the editor and a user rely on.
const std::vector<Expected> kRequired = {
    {SDL_SCANCODE_A, DIK_A},
    {SDL_SCANCODE_B, DIK_B},
    {SDL_SCANCODE_C, DIK_C},
    {SDL_SCANCODE_D, DIK_D},
    {SDL_SCANCODE_E, DIK_E},
    {SDL_SCANCODE_F, DIK_F},
    {SDL_SCANCODE_G, DIK_G},
    {SDL_SCANCODE_H, DIK_H},
    {SDL_SCANCODE_I, DIK_I},
    {SDL_SCANCODE_J, DIK_J},
    {SDL_SCANCODE_K, DIK_K},
    {SDL_SCANCODE_L, DIK_L},
    {SDL_SCANCODE_M, DIK_M},
    {SDL_SCANCODE_N, DIK_N},
    {SDL_SCANCODE_O, DIK_O},
    {SDL_SCANCODE_P, DIK_P},
    {SDL_SCANCODE_Q, DIK_Q},
    {SDL_SCANCODE_R, DIK_R},
    {SDL_SCANCODE_S, DIK_S},
    {SDL_SCANCODE_T, DIK_T},
    {SDL_SCANCODE_U, DIK_U},
    {SDL_SCANCODE_V, DIK_V},
    {SDL_SCANCODE_W, DIK_W},
    {SDL_SCANCODE_X, DIK_X},
    {SDL_SCANCODE_Y, DIK_Y},
    {SDL_SCANCODE_Z, DIK_Z},
    {SDL_SCANCODE_1, DIK_1},
    {SDL_SCANCODE_2, DIK_2},
    {SDL_SCANCODE_3, DIK_3},
    {SDL_SCANCODE_4, DIK_4},
    {SDL_SCANCODE_5, DIK_5},
    {SDL_SCANCODE_6, DIK_6},
    {SDL_SCANCODE_7, DIK_7},
    {SDL_SCANCODE_8, DIK_8},
    {SDL_SCANCODE_9, DIK_9},
    {SDL_SCANCODE_0, DIK_0},
    {SDL_SCANCODE_F1, DIK_F1},
    {SDL_SCANCODE_F2, DIK_F2},
    {SDL_SCANCODE_F3, DIK_F3},
    {SDL_SCANCODE_F4, DIK_F4},
    {SDL_SCANCODE_F5, DIK_F5},
    {SDL_SCANCODE_F6, DIK_F6},
    {SDL_SCANCODE_F7, DIK_F7},
    {SDL_SCANCODE_F8, DIK_F8},
    {SDL_SCANCODE_F9, DIK_F9},
    {SDL_SCANCODE_F10, DIK_F10},
    {SDL_SCANCODE_F11, DIK_F11},
    {SDL_SCANCODE_F12, DIK_F12},
    {SDL_SCANCODE_UP, DIK_UP},
    {SDL_SCANCODE_DOWN, DIK_DOWN},
    {SDL_SCANCODE_LEFT, DIK_LEFT},
    {SDL_SCANCODE_RIGHT, DIK_RIGHT},
    {SDL_SCANCODE_SPACE, DIK_SPACE},
    {SDL_SCANCODE_RETURN, DIK_RETURN},
    {SDL_SCANCODE_ESCAPE, DIK_ESCAPE},
    {SDL_SCANCODE_HOME, DIK_HOME},
    {SDL_SCANCODE_END, DIK_END},
    {SDL_SCANCODE_PAGEUP, DIK_PRIOR},
    {SDL_SCANCODE_PAGEDOWN, DIK_NEXT},
    {SDL_SCANCODE_INSERT, DIK_INSERT},
    {SDL_SCANCODE_DELETE, DIK_DELETE},
    {SDL_SCANCODE_LSHIFT, DIK_LSHIFT},
    {SDL_SCANCODE_RSHIFT, DIK_RSHIFT},
    {SDL_SCANCODE_LCTRL, DIK_LCONTROL},
    {SDL_SCANCODE_RCTRL, DIK_RCONTROL},
    {SDL_SCANCODE_LALT, DIK_LMENU},
    {SDL_SCANCODE_RALT, DIK_RMENU},
    {SDL_SCANCODE_KP_0, DIK_NUMPAD0},
    {SDL_SCANCODE_KP_5, DIK_NUMPAD5},
    {SDL_SCANCODE_KP_9, DIK_NUMPAD9},
    {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER},
    {SDL_SCANCODE_KP_PLUS, DIK_ADD},
    {SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT},
};

TEST(KeyCodeTable, RequiredKeysMapToTheirCodes) {
  for (const Expected& e : kRequired) {
    EXPECT_EQ(KeyCodeOfScancode(e.scancode), e.keyCode) << SDL_GetScancodeName(e.scancode);
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
