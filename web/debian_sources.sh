#!/usr/bin/env bash
# Fetches and unpacks the Debian 12 sources of the libraries the export formats use (zlib,
# libpng, giflib, libwebp), with Debian's patches applied, so the page encodes exactly what
# the desktop program's Debian libraries encode.
#   web/debian_sources.sh FOLDER    leaves FOLDER/zlib, FOLDER/libpng, FOLDER/giflib, FOLDER/libwebp
set -euo pipefail
exec "$(dirname "$0")/../cmake/debian_sources.sh" "${1:?usage: $0 FOLDER}" \
  zlib libpng1.6:libpng giflib libwebp
