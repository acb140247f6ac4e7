#!/usr/bin/env bash
# Sets up a Debian 12 machine for QUILMORANTE, builds it, then runs the editor or the tests.
#   ./quickstart.sh run        install what the program needs, build it, start the editor
#   ./quickstart.sh test       install what the tests need as well, build, check formatting,
#                              run every test: the unit and program tests, the same under
#                              AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz
#                              targets for a minute each
#   ./quickstart.sh web        install what the page needs, build it into build-web/site/ and
#                              serve it on http://127.0.0.1:8000 (the folder is static: publish
#                              it as it is)
#   ./quickstart.sh windows    install what the Windows build needs, build its libraries once,
#                              cross-build both programs, write dist/quilmorante-windows-x64.zip
#                              and check it under Wine against the Linux build
#                              (tests/windows/wine_check.py: the unit tests, exports, the editor)
#   ./quickstart.sh packages   print the Debian packages CI needs (everything `test` uses and
#                              the .deb check, tests/install/deb_check.py)
# The build trees are the presets of CMakePresets.json: build/, build-sanitize/, build-fuzz/;
# the page is built in build-web/ from the Debian sources fetched into build-web-sources/; the
# Windows programs in build-windows/ with the libraries of build-windows-deps/ (built from
# Debian's sources the first time only).
set -euo pipefail
cd "$(dirname "$0")"
job=${1:-run}

# What building and running the editor and the export tool needs.
run_packages=(
  cmake make g++ pkg-config
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic libgif-dev
  libpng-dev zlib1g-dev libwebp-dev
)
# What building the page needs: emscripten, Debian's sources of the format libraries (unpacked
# with dpkg-source), and the font cut down with fontTools.
web_packages=(
  cmake make git emscripten node-terser dpkg-dev python3-fonttools python3-brotli
  fonts-ipafont-gothic
)
# What the Windows build and its checks need: mingw-w64, Wine and the tools the libraries build
# with (windows/dependencies.sh keeps that list), the Linux programs to compare with, the X
# tools the checks drive the editor with, and zip.
mapfile -t windows_packages < <(windows/dependencies.sh --packages | tr ' ' '\n')
windows_packages+=("${run_packages[@]}" xdotool x11-utils python3 zip)
# What the tests, benchmarks (strace: bench/program/frame_rate_bench.py), sanitizer and fuzz
# builds, the format check and the .deb check need on top; the test job ends with the Windows
# build and its checks.
test_packages=(
  "${run_packages[@]}"
  clang libclang-rt-14-dev clang-format python3
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xdotool x11-utils strace
  file
  glslang-tools netpbm tiled
  "${web_packages[@]}" chromium chromium-driver python3-selenium
  "${windows_packages[@]}"
)

# Each package once, in the order first named.
unique() { printf '%s\n' "$@" | awk '!seen[$0]++'; }

case "$job" in
  packages)
    unique "${test_packages[@]}" | tr '\n' ' '
    echo
    exit 0
    ;;
  run) needed=("${run_packages[@]}") ;;
  web) needed=("${web_packages[@]}") ;;
  windows) needed=("${windows_packages[@]}") ;;
  test) needed=("${test_packages[@]}") ;;
  *)
    echo "usage: $0 [run|test|web|windows|packages]" >&2
    exit 2
    ;;
esac

missing=()
for p in $(unique "${needed[@]}"); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
fi

jobs=$(nproc)

# The page: the format libraries' Debian sources, then everything with emscripten.
build_web() {
  web/debian_sources.sh build-web-sources
  NODE_PATH=/usr/share/nodejs emcmake cmake -S web -B build-web \
    -DQUILMORANTE_LIBRARY_SOURCES="$PWD/build-web-sources"
  NODE_PATH=/usr/share/nodejs cmake --build build-web -j"$jobs"
}

# The Windows programs: their libraries (once), the cross-build with its unit tests, the zip.
windows_zip=dist/quilmorante-windows-x64.zip
build_windows_libraries() {
  windows/dependencies.sh build-windows-deps
}
build_windows() {
  cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DQUILMORANTE_WINDOWS_PREFIX="$PWD/build-windows-deps/prefix" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=ON -DQUILMORANTE_BENCH=OFF
  # One Wine server for the build's test discovery and the checks (windows/wine.sh).
  windows/wine.sh build-windows/wine --serve
  cmake --build build-windows -j"$jobs"
}
# The zip: both programs (stripped), the data beside them, the fallback face and its licence,
# README.txt with Windows line ends; everything in one folder, QUILMORANTE/.
package_windows() {
  local stage=build-windows/zip/QUILMORANTE
  rm -rf build-windows/zip "$windows_zip"
  mkdir -p "$stage/savedata" dist
  for exe in quilmorante quilmorante-export; do
    x86_64-w64-mingw32-strip -o "$stage/$exe.exe" "build-windows/$exe.exe"
  done
  cp data/siro.bmp data/a.bmp build-windows/ipagp.ttf "$stage/"
  cp data/savedata/*.txt "$stage/savedata/"
  sed 's/$/\r/' /usr/share/doc/fonts-ipafont-gothic/copyright >"$stage/ipagp-license.txt"
  { printf '\xEF\xBB\xBF'; sed 's/$/\r/' windows/README.txt; } >"$stage/README.txt"
  (cd build-windows/zip && zip -q -X -r -9 "$OLDPWD/$windows_zip" QUILMORANTE)
  echo "$windows_zip: $(stat -c %s "$windows_zip") bytes"
}
# Under Wine on an Xvfb of its own, against the Linux build's programs.
check_windows() {
  local status=0
  python3 tests/windows/wine_check.py "$windows_zip" build build-windows || status=$?
  windows/wine.sh build-windows/wine --stop || true
  return $status
}

# The test job's stages, their results and times, printed at the end however it ends.
summary=()
stage_name=""
stage_start=0
stage() {
  stage_name=$1
  stage_start=$SECONDS
  echo "== $stage_name"
}
stage_done() {
  summary+=("$(printf '%-34s %-6s %5d s' "$stage_name" "$1" $((SECONDS - stage_start)))")
  stage_name=""
}
print_summary() {
  local status=$?
  [ -n "$stage_name" ] && stage_done failed
  [ ${#summary[@]} -gt 0 ] || return 0
  echo
  echo "quickstart.sh test: $([ $status -eq 0 ] && echo passed || echo FAILED) in $SECONDS s"
  printf '  %s\n' "${summary[@]}"
}

case "$job" in
  run)
    # Neither GoogleTest nor Google Benchmark: only the programs are built.
    cmake --preset default -DBUILD_TESTING=OFF -DQUILMORANTE_BENCH=OFF
    cmake --build --preset default -j"$jobs"
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      echo "built; start build/quilmorante on a display (neither DISPLAY nor WAYLAND_DISPLAY is set here)" >&2
      exit 1
    fi
    exec ./build/quilmorante
    ;;
  web)
    build_web
    exec /usr/bin/python3 web/serve.py build-web/site 8000
    ;;
  windows)
    build_windows_libraries
    # The Linux programs the checks compare with.
    cmake --preset default -DBUILD_TESTING=OFF -DQUILMORANTE_BENCH=OFF
    cmake --build --preset default -j"$jobs" --target quilmorante quilmorante-export
    build_windows
    package_windows
    check_windows
    ;;
  test)
    trap print_summary EXIT
    # Every tracked C++ file must already be formatted as .clang-format says.
    stage "format check"
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
      mapfile -d '' sources < <(git ls-files -z -- '*.cpp' '*.h')
    else
      mapfile -d '' sources < <(find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0)
    fi
    clang-format --dry-run -Werror "${sources[@]}"
    echo "format: ${#sources[@]} files formatted"
    stage_done passed

    # The page first: the browser test (tests/web) opens build-web/site.
    stage "page build (emscripten)"
    build_web
    stage_done passed
    stage "build"
    cmake --preset default -DBUILD_TESTING=ON -DQUILMORANTE_BENCH=ON
    cmake --build --preset default -j"$jobs"
    stage_done passed
    stage "tests (unit, program, page)"
    ctest --test-dir build --output-on-failure -j"$jobs"
    stage_done passed

    # The same tests under the sanitizers; any report fails the run.
    stage "sanitizer build"
    cmake --preset sanitize
    cmake --build --preset sanitize -j"$jobs"
    stage_done passed
    stage "tests under ASan + UBSan"
    ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
      ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
    stage_done passed

    # Arbitrary save files through loading, synthesis, palette and export, for a minute.
    stage "fuzz build"
    cmake --preset fuzz
    cmake --build --preset fuzz -j"$jobs"
    stage_done passed
    stage "save-file fuzzing, 60 s"
    mkdir -p build-fuzz/corpus
    cp data/savedata/*.txt build-fuzz/corpus/
    # Absolute paths: the target works inside a folder of its own.
    ./build-fuzz/save_file_fuzzer -max_total_time=60 -rss_limit_mb=2048 \
      -artifact_prefix="$PWD/build-fuzz/" "$PWD/build-fuzz/corpus"
    echo "fuzz: no findings in 60 s"
    stage_done passed

    # Arbitrary bytes as an imported palette file, for a minute, from the palette files and
    # the shader palette.png the export tool writes.
    stage "palette-file fuzzing, 60 s"
    mkdir -p build-fuzz/palette-corpus
    ./build/quilmorante-export --shader build-fuzz/palette-shader \
      --palette-file build-fuzz/palette-corpus/a.gpl --palette-file build-fuzz/palette-corpus/a.pal \
      --palette-file build-fuzz/palette-corpus/a.hex --palette-file build-fuzz/palette-corpus/a.act
    cp build-fuzz/palette-shader/palette.png build-fuzz/palette-corpus/
    ./build-fuzz/palette_reader_fuzzer -max_total_time=60 -rss_limit_mb=2048 \
      -artifact_prefix="$PWD/build-fuzz/" "$PWD/build-fuzz/palette-corpus"
    echo "palette fuzz: no findings in 60 s"
    stage_done passed

    # The Windows programs: cross-built, zipped, checked under Wine against build/'s.
    stage "Windows libraries (built once)"
    build_windows_libraries
    stage_done passed
    stage "Windows build"
    build_windows
    package_windows
    stage_done passed
    stage "Windows tests and checks under Wine"
    check_windows
    stage_done passed
    ;;
esac
