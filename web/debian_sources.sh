#!/usr/bin/env bash
# Fetches and unpacks the Debian 12 sources of the libraries the export formats use (zlib,
# libpng, giflib, libwebp), with Debian's patches applied, so the page encodes exactly what
# the desktop program's Debian libraries encode. Uses a private apt state: the machine's
# own source lists are left alone.
#   web/debian_sources.sh FOLDER    leaves FOLDER/zlib, FOLDER/libpng, FOLDER/giflib, FOLDER/libwebp
set -euo pipefail
out=$(realpath -m "${1:?usage: $0 FOLDER}")
packages=(zlib libpng1.6 giflib libwebp)
if [ -f "$out/.complete" ]; then exit 0; fi
mkdir -p "$out/apt/lists/partial" "$out/apt/cache" "$out/download"
cat >"$out/apt/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
LIST
apt=(-o "Dir::Etc::SourceList=$out/apt/sources.list" -o Dir::Etc::SourceParts=-
  -o "Dir::State::Lists=$out/apt/lists" -o "Dir::Cache=$out/apt/cache"
  -o APT::Sandbox::User=root)
echo "Fetching the Debian sources of: ${packages[*]}"
apt-get "${apt[@]}" -qq update
(cd "$out/download" && apt-get "${apt[@]}" -qq source --download-only "${packages[@]}")
for package in "${packages[@]}"; do
  dsc=$(ls "$out/download/${package}"_*.dsc | head -n 1)
  name=${package%1.6}
  rm -rf "${out:?}/$name"
  (cd "$out/download" && dpkg-source --no-check -x "$dsc" "$out/$name" >/dev/null)
done
touch "$out/.complete"
