#!/usr/bin/env bash
# Fetches and unpacks Debian 12 source packages, with Debian's patches applied, using a
# private apt state: the machine's own source lists are left alone. A package already
# unpacked (its stamp FOLDER/.complete-DIR is there) is not fetched again.
#   cmake/debian_sources.sh FOLDER SOURCE[:DIR]...   leaves each SOURCE in FOLDER/DIR
#                                                    (DIR defaults to SOURCE)
set -euo pipefail
out=$(realpath -m "${1:?usage: $0 FOLDER SOURCE[:DIR]...}")
shift
missing=()
for entry in "$@"; do
  [ -f "$out/.complete-${entry#*:}" ] || missing+=("$entry")
done
if [ ${#missing[@]} -eq 0 ]; then exit 0; fi
mkdir -p "$out/apt/lists/partial" "$out/apt/cache" "$out/download"
cat >"$out/apt/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
LIST
apt=(-o "Dir::Etc::SourceList=$out/apt/sources.list" -o Dir::Etc::SourceParts=-
  -o "Dir::State::Lists=$out/apt/lists" -o "Dir::Cache=$out/apt/cache"
  -o APT::Sandbox::User=root)
sources=("${missing[@]%%:*}")
echo "Fetching the Debian sources of: ${sources[*]}"
apt-get "${apt[@]}" -qq update
(cd "$out/download" && apt-get "${apt[@]}" -qq source --download-only "${sources[@]}")
for entry in "${missing[@]}"; do
  source=${entry%%:*}
  dir=${entry#*:}
  dsc=("$out/download/${source}"_*.dsc)
  rm -rf "${out:?}/$dir"
  (cd "$out/download" && dpkg-source --no-check -x "${dsc[0]}" "$out/$dir" >/dev/null)
  touch "$out/.complete-$dir"
done
