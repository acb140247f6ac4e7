#include "shell/desktop/display_mode.h"

#include <cstring>
#include <vector>

const char kEditorUsage[] =
    "usage: quilmorante [--help | --version | --lang en|ja | ANYTHING]\n"
    "Opens the QUILMORANTE editor in a 640 x 480 window; any other argument, whatever its\n"
    "text, starts it full screen.\n"
    "  --lang L   the screen's language: ja (Japanese) or en (English); remembered\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

bool FullScreenRequested(int argc, const char* const* argv) {
  // The joined text is non-empty after stripping exactly when some argument holds a
  // character that is neither a blank nor a control character; the blanks that join the
  // arguments are themselves stripped while nothing else precedes them.
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    for (const char* c = argv[i]; *c != '\0'; ++c) {
      const unsigned char ch = static_cast<unsigned char>(*c);
      if (ch != ' ' && ch >= 0x20 && ch != 0x7F) return true;
    }
  }
  return false;
}

EditorOptions ParseEditorOptions(int argc, const char* const* argv) {
  EditorOptions options;
  std::vector<const char*> rest = {argc > 0 ? argv[0] : ""};
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (argument == nullptr) continue;
    if (std::strcmp(argument, "--help") == 0) {
      options.action = EditorOptions::Action::kHelp;
      return options;
    }
    if (std::strcmp(argument, "--version") == 0) {
      options.action = EditorOptions::Action::kVersion;
      return options;
    }
    if (std::strcmp(argument, "--lang") == 0 || std::strncmp(argument, "--lang=", 7) == 0) {
      const char* value = argument[6] == '=' ? argument + 7 : (i + 1 < argc ? argv[++i] : "");
      if (value != nullptr && std::strcmp(value, "en") == 0) {
        options.language = Language::kEnglish;
      } else if (value != nullptr && std::strcmp(value, "ja") == 0) {
        options.language = Language::kJapanese;
      } else {
        options.action = EditorOptions::Action::kMistake;
        options.mistake =
            std::string("--lang must be en or ja, not '") + (value != nullptr ? value : "") + "'";
        return options;
      }
      continue;
    }
    rest.push_back(argument);
  }
  options.fullScreen = FullScreenRequested(static_cast<int>(rest.size()), rest.data());
  return options;
}
