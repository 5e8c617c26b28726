#!/usr/bin/env bash
# Rebuilds the artwork in resources/ from tools/art/make_art.cpp. The generated
# files are committed, so the editor's build never needs this; run it after
# changing the drawing code. Needs g++ and libstb-dev.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out="${1:-$root/resources}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -o "$work/make_art" "$here/make_art.cpp"
"$work/make_art" "$out"
echo "Artwork written to $out"
