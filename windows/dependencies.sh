#!/usr/bin/env bash
# Builds the libraries of the Windows programs static for x86_64-w64-mingw32 from their Debian 12
# sources, the versions and patches the Linux build links: zlib, libpng, giflib, libwebp,
# FreeType, SDL2 and GoogleTest. Installs no package itself.
#   windows/dependencies.sh DEST        sources into DEST/sources, libraries into DEST/prefix
#   windows/dependencies.sh --packages  the Debian packages the Windows build and its tests need
# Each library leaves a stamp DEST/prefix/.built-NAME; a library with its stamp is not built again.
set -euo pipefail

# The cross-compilers, the tools the libraries build with, and Wine, Xvfb and the font that
# the programs and tests run with.
packages=(
  cmake make pkg-config dpkg-dev
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb fonts-ipafont-gothic
)
if [ "${1:-}" = --packages ]; then
  echo "${packages[*]}"
  exit 0
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
dest=$(realpath -m "${1:?usage: $0 DEST | --packages}")
sources=$dest/sources
prefix=$dest/prefix
build=$dest/build
jobs=$(nproc)
host=x86_64-w64-mingw32

start=$(date +%s)
"$repo/cmake/debian_sources.sh" "$sources" zlib libpng1.6:libpng giflib libwebp freetype \
  libsdl2:sdl2 googletest
echo "sources: $(($(date +%s) - start)) s"

configure() { # NAME CMAKE-OPTIONS...
  local name=$1
  shift
  cmake -S "$sources/$name" -B "$build/$name" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" -DQUILMORANTE_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@"
}
cmake_library() { # NAME CMAKE-OPTIONS...
  configure "$@"
  cmake --build "$build/$1" -j"$jobs"
  cmake --install "$build/$1"
}

# Debian's zlib lacks the Windows resource file that the shared library and the install step
# need: only the static library, installed by hand under the name -lz finds.
build_zlib() {
  configure zlib
  cmake --build "$build/zlib" -j"$jobs" --target zlibstatic
  install -D -m 644 "$build/zlib/libzlibstatic.a" "$prefix/lib/libz.a"
  install -D -m 644 -t "$prefix/include" "$sources/zlib/zlib.h" "$build/zlib/zconf.h"
  install -D -m 644 -t "$prefix/lib/pkgconfig" "$build/zlib/zlib.pc"
}
build_libpng() {
  cmake_library libpng -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF
}
# giflib has a plain Makefile and no install step for the static library alone.
build_giflib() {
  rm -rf "$build/giflib"
  cp -r "$sources/giflib" "$build/giflib"
  make -C "$build/giflib" -j"$jobs" CC="$host-gcc-posix" AR="$host-ar" libgif.a
  install -D -m 644 -t "$prefix/lib" "$build/giflib/libgif.a"
  install -D -m 644 -t "$prefix/include" "$build/giflib/gif_lib.h"
}
build_libwebp() {
  local tools=() tool
  for tool in ANIM_UTILS CWEBP DWEBP GIF2WEBP IMG2WEBP VWEBP WEBPINFO WEBPMUX EXTRAS; do
    tools+=("-DWEBP_BUILD_$tool=OFF")
  done
  cmake_library libwebp "${tools[@]}" -DWEBP_BUILD_LIBWEBPMUX=ON
}
# Outlines only: no HarfBuzz, Brotli, bzip2 or PNG. Its gzip support uses the zlib above:
# FreeType's own copy of zlib cannot hide its symbols in a Windows object file and clashes
# with it in every program that links both. Programs list zlib after FreeType.
build_freetype() {
  cmake_library freetype -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_PNG=ON -DFT_REQUIRE_ZLIB=ON
}
build_sdl2() {
  cmake_library sdl2 -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
}
build_googletest() {
  cmake_library googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

mkdir -p "$build" "$prefix"
log=""
# A failed build shows the end of its log.
show_log() {
  local status=$?
  if [ $status -ne 0 ] && [ -n "$log" ]; then tail -n 40 "$log"; fi
}
trap show_log EXIT
for name in zlib libpng giflib libwebp freetype sdl2 googletest; do
  [ -f "$prefix/.built-$name" ] && continue
  log=$build/$name.log
  echo "building $name (log: $log)"
  begin=$(date +%s)
  "build_$name" >"$log" 2>&1
  touch "$prefix/.built-$name"
  echo "$name: $(($(date +%s) - begin)) s"
done
log=""
echo "prefix $prefix complete in $(($(date +%s) - start)) s"
