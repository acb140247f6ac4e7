#include <windows.h>

#include <cstdio>

#include "shell/desktop/console.h"

namespace {

bool Connected(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void UseParentConsole() {
  const bool output = Connected(STD_OUTPUT_HANDLE);
  const bool error = Connected(STD_ERROR_HANDLE);
  if ((output && error) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!output) static_cast<void>(std::freopen("CONOUT$", "w", stdout));
  if (!error) static_cast<void>(std::freopen("CONOUT$", "w", stderr));
}
