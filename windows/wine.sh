#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine in the prefix WINEPREFIX_DIR, quietly and without
# the Mono and Gecko install prompts, and exits with the program's exit code. The first use
# creates the prefix (several seconds); runs started meanwhile, such as parallel tests, wait.
#   windows/wine.sh WINEPREFIX_DIR PROGRAM.exe [ARGUMENTS...]
set -euo pipefail
WINEPREFIX=$(realpath -m "${1:?usage: $0 WINEPREFIX_DIR PROGRAM.exe [ARGUMENTS...]}")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
shift
ready=$WINEPREFIX/.created
if [ ! -f "$ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$ready" ]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
      touch "$ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
