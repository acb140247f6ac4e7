#pragma once
// The editor's command line. Its own options (--help, --version, --lang) act; any other text
// at all asks for full screen, nothing a window.

#include <optional>
#include <string>

#include "generator/program_limits.h"

// The arguments after the program name, joined with blanks and stripped of leading blanks
// and control characters: anything left means full screen, nothing means a window.
bool FullScreenRequested(int argc, const char* const* argv);

struct EditorOptions {
  enum class Action { kRun, kHelp, kVersion, kMistake };
  Action action = Action::kRun;
  // From the arguments that are not the editor's own options, by FullScreenRequested's rule.
  bool fullScreen = false;
  // --lang en|ja; none when not given.
  std::optional<Language> language;
  // What is wrong, for kMistake.
  std::string mistake;
};

EditorOptions ParseEditorOptions(int argc, const char* const* argv);

// What --help prints.
extern const char kEditorUsage[];
