#pragma once
// How the editor ends without losing edits: the signals that ask it to end, the recovery
// files written on the way out, and a last chance for the exits it does not choose (a lost
// display ends the process from inside the windowing library).

#include "generator/result.h"
#include "shell/core/app.h"

// SIGINT, SIGTERM, SIGHUP (the terminal closed) and SIGQUIT all ask the program to end, as
// closing the window does; on Windows, SIGINT, SIGTERM and the events of a console it is
// attached to (Ctrl+C, its closing, log-off, shutdown). The main loop looks at QuitSignalled
// between events.
void CatchQuitSignals();
bool QuitSignalled();
// From here on a quit signal ends the process at once with exitCode, whatever it waits for
// (a message box): for a program that has nothing of the user's to keep.
void EndAtOnceOnQuitSignals(int exitCode);

// Writes recovery files for the pattern and the palette edited since their slots were
// loaded or saved, and names them (or the failure) on standard error.
Result KeepUnsavedWorkAtExit(const App& app);

// Between the two, an exit through exit() that the main path does not take still keeps the
// unsaved work first.
void ArmExitKeeping(const App& app);
void DisarmExitKeeping();
