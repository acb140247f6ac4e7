#!/usr/bin/env bash
# Sets up a Debian 12 machine for QUILMORANTE, builds it, then runs the editor or the tests.
#   ./quickstart.sh run        install what the program needs, build it, start the editor
#   ./quickstart.sh test       install what the tests need as well, build, check formatting,
#                              run every test: the unit and program tests, the same under
#                              AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz
#                              target for a minute
#   ./quickstart.sh web        install what the page needs, build it into build-web/site/ and
#                              serve it on http://127.0.0.1:8000 (the folder is static: publish
#                              it as it is)
#   ./quickstart.sh packages   print the Debian packages CI needs (everything `test` uses and
#                              the .deb check, tests/install/deb_check.py)
# The build trees are the presets of CMakePresets.json: build/, build-sanitize/, build-fuzz/;
# the page is built in build-web/ from the Debian sources fetched into build-web-sources/.
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
# What the tests, benchmarks (strace: bench/program/frame_rate_bench.py), sanitizer and fuzz
# builds, the format check and the .deb check need on top.
test_packages=(
  "${run_packages[@]}"
  clang libclang-rt-14-dev clang-format python3
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xdotool x11-utils strace
  file
  glslang-tools netpbm
  "${web_packages[@]}" chromium chromium-driver python3-selenium
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
  test) needed=("${test_packages[@]}") ;;
  *)
    echo "usage: $0 [run|test|web|packages]" >&2
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
    ;;
esac
