#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine in the prefix WINEPREFIX_DIR, quietly and without
# the Mono and Gecko install prompts, and exits with the program's exit code. The first use
# creates the prefix (several seconds); runs started meanwhile, such as parallel tests, wait.
#   windows/wine.sh WINEPREFIX_DIR PROGRAM.exe [ARGUMENTS...]
#   windows/wine.sh WINEPREFIX_DIR --serve   keeps the prefix's server and Wine's own services
#                                            running, apart from the caller's output, until
#   windows/wine.sh WINEPREFIX_DIR --stop    ends them.
# Between --serve and --stop no run starts the server: a server that shuts down as a program
# starts fails it ("recvmsg: Connection reset by peer"), and the services a server's first
# program starts keep that program's output open as long as the server runs, which a test
# discovery that reads the output to its end waits for.
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
case "${1:-}" in
  --serve)
    wineserver -p </dev/null >/dev/null 2>&1 || true # status 2: one runs already
    exec wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
  --stop) exec wineserver -k ;;
esac
exec wine "$@"
