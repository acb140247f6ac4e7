#!/usr/bin/env bash
# Sets up a Debian 12 machine for QUILMORANTE, builds it, then runs the editor or the tests.
#   ./quickstart.sh run    install what is missing, build, start the editor
#   ./quickstart.sh packages   print the Debian packages the project needs
#   ./quickstart.sh test   install what is missing, build, run every test: the unit and
#                          program tests, the same under AddressSanitizer and
#                          UndefinedBehaviorSanitizer, and the fuzz target for a minute
set -euo pipefail
cd "$(dirname "$0")"
job=${1:-run}

packages=(
  cmake make g++ clang libclang-rt-14-dev pkg-config clang-format python3
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic libgif-dev
  libpng-dev zlib1g-dev libwebp-dev netpbm
  xvfb xdotool x11-utils
)
# `./quickstart.sh packages` lists what the project needs, for CI's own install step.
if [ "$job" = packages ]; then
  echo "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
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
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"

case "$job" in
  run)
    exec ./build/quilmorante
    ;;
  test)
    ctest --test-dir build --output-on-failure -j"$jobs"

    # The same tests under the sanitizers; any report fails the run.
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILMORANTE_SANITIZE=ON \
      -DQUILMORANTE_BENCH=OFF
    cmake --build build-sanitize -j"$jobs"
    ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
      ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

    # Arbitrary save files through loading, synthesis, palette and export, for a minute.
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUILMORANTE_FUZZ=ON -DQUILMORANTE_BENCH=OFF
    cmake --build build-fuzz -j"$jobs" --target save_file_fuzzer
    mkdir -p build-fuzz/corpus
    cp data/savedata/*.txt build-fuzz/corpus/
    # Absolute paths: the target works inside a folder of its own.
    ./build-fuzz/save_file_fuzzer -max_total_time=60 -rss_limit_mb=2048 \
      -artifact_prefix="$PWD/build-fuzz/" "$PWD/build-fuzz/corpus"
    echo "fuzz: no findings in 60 s"
    ;;
  *)
    echo "usage: $0 [run|test]" >&2
    exit 2
    ;;
esac
