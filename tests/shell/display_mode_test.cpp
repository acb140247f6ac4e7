// Windowed or full screen from the command line.

#include "shell/desktop/display_mode.h"

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

struct OptionsCase {
  const char* name;
  std::vector<const char*> arguments;
  EditorOptions::Action action;
  bool fullScreen;
};

class EditorCommandLine : public ::testing::TestWithParam<OptionsCase> {};

// The editor's own options act; every other argument keeps the full-screen rule.
TEST_P(EditorCommandLine, OwnOptionsActOthersMeanFullScreen) {
  std::vector<const char*> argv = {"quilmorante"};
  argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  const EditorOptions options = ParseEditorOptions(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(options.action, GetParam().action);
  if (options.action == EditorOptions::Action::kRun) {
    EXPECT_EQ(options.fullScreen, GetParam().fullScreen);
  }
}

using Action = EditorOptions::Action;
INSTANTIATE_TEST_SUITE_P(
    CommandLines, EditorCommandLine,
    ::testing::Values(OptionsCase{"Nothing", {}, Action::kRun, false},
                      OptionsCase{"Help", {"--help"}, Action::kHelp, false},
                      OptionsCase{
                          "VersionAfterText", {"full", "--version"}, Action::kVersion, false},
                      OptionsCase{"LookAlike", {"--helpme"}, Action::kRun, true},
                      OptionsCase{"SingleDash", {"-h"}, Action::kRun, true}),
    [](const ::testing::TestParamInfo<OptionsCase>& info) { return info.param.name; });

}  // namespace
