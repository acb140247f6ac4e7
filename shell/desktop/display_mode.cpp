#include "display_mode.h"

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
