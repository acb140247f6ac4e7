#pragma once
// The one run-time choice from outside: any command-line text at all asks for full screen.

// The arguments after the program name, joined with blanks and stripped of leading blanks
// and control characters: anything left means full screen, nothing means a window.
bool FullScreenRequested(int argc, const char* const* argv);
