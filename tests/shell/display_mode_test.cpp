// Windowed or full screen from the command line.

#include "display_mode.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ModeCase {
  const char* name;
  std::vector<const char*> arguments;  // after the program name
  bool fullScreen;
};

class DisplayMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(DisplayMode, AnyTextMeansFullScreen) {
  std::vector<const char*> argv = {"quilmorante"};
  argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  argv.push_back(nullptr);
  EXPECT_EQ(FullScreenRequested(static_cast<int>(argv.size()) - 1, argv.data()),
            GetParam().fullScreen);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, DisplayMode,
    ::testing::Values(ModeCase{"NoArgument", {}, false}, ModeCase{"EmptyArgument", {""}, false},
                      ModeCase{"BlanksOnly", {"   "}, false},
                      ModeCase{"SeveralEmpty", {"", "", " "}, false},
                      ModeCase{"ControlCharacters", {"\t\n\r\x01\x7f"}, false},
                      ModeCase{"SingleLetter", {"x"}, true}, ModeCase{"Word", {"fullscreen"}, true},
                      ModeCase{"LeadingBlanks", {"  -w"}, true},
                      ModeCase{"TextAfterEmpty", {"", "a"}, true}, ModeCase{"Digit", {"0"}, true},
                      ModeCase{"NonAscii", {"\xe5\x85\xa8"}, true}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

}  // namespace
