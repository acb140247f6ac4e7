#!/usr/bin/env bash
# Builds the probe for Windows, with the libraries of windows/dependencies.sh, and for Linux,
# with Debian's; runs its test through ctest (under Wine for Windows), runs both programs on a
# private Xvfb (Windows under Wine), and compares their PNG, GIF and WebP files byte for byte.
#   windows/probe/run.sh [DEST]   DEST: the libraries' folder (default: build-windows-deps)
# Needs the packages of `windows/dependencies.sh --packages` and, for the Linux build, the
# development packages of `./quickstart.sh packages`. Builds in build-windows-probe/ and
# build-probe-linux/.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
deps=$(realpath -m "${1:-build-windows-deps}")
jobs=$(nproc)
windows_build=$repo/build-windows-probe
linux_build=$repo/build-probe-linux

step_start=$(date +%s)
step() { # Prints the time of the step that ends and names the one that starts.
  local time
  time=$(date +%s)
  [ -n "${step_name:-}" ] && echo "== $step_name: $((time - step_start)) s"
  step_name=$1
  step_start=$time
}

step "libraries"
windows/dependencies.sh "$deps"

step "Windows build (with the Wine prefix and the test discovery under Wine)"
cmake -S windows/probe -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
  -DQUILMORANTE_WINDOWS_PREFIX="$deps/prefix" >/dev/null
cmake --build "$windows_build" -j"$jobs"

step "Linux build"
cmake -S windows/probe -B "$linux_build" >/dev/null
cmake --build "$linux_build" -j"$jobs"

step "Windows test under Wine"
ctest --test-dir "$windows_build" --output-on-failure -j"$jobs"

step "Linux test"
ctest --test-dir "$linux_build" --output-on-failure -j"$jobs"

step "Windows probe under Wine on Xvfb"
rm -rf "$windows_build/out" "$linux_build/out"
mkdir -p "$windows_build/out" "$linux_build/out"
# The prefix's server is waited for while the display is still there.
# shellcheck disable=SC2016  # expanded by the inner shell
xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
  '"$1/windows/wine.sh" "$2/wine" "$2/probe.exe" "$2/out" && WINEPREFIX=$2/wine wineserver -w' \
  bash "$repo" "$windows_build"

step "Linux probe on Xvfb"
xvfb-run -a -s "-screen 0 1024x768x24" "$linux_build/probe" "$linux_build/out"
step ""

for exe in probe probe_test; do
  x86_64-w64-mingw32-strip -o "$windows_build/$exe-stripped.exe" "$windows_build/$exe.exe"
  echo "$exe.exe: $(stat -c %s "$windows_build/$exe.exe") bytes," \
    "$(stat -c %s "$windows_build/$exe-stripped.exe") stripped; DLLs:" \
    "$(x86_64-w64-mingw32-objdump -p "$windows_build/$exe.exe" | awk '/DLL Name/ {printf " %s", $3}')"
done

different=0
for file in probe.png probe.gif probe.webp; do
  if cmp "$windows_build/out/$file" "$linux_build/out/$file"; then
    echo "$file: identical ($(stat -c %s "$linux_build/out/$file") bytes)"
  else
    different=1
  fi
done
exit $different
