#!/usr/bin/env bash
# Screenshots of the editor on the demo data folder, under Wine on an Xvfb
# display of its own, so that they can be made again when the form changes.
#
#   tools/screenshot.sh                 the README's picture: English and Russian
#                                       side by side at 96 DPI -> docs/editor.png
#   tools/screenshot.sh --dpi 144 --lang en --out build/shots/en-144.png
#
# --dpi sets the Wine prefix's LogPixels (each DPI has its own prefix under
# build/), --lang en, ru or both, --slot N the creature shown (default 5),
# --build win32|win64 the editor (default: the first this machine runs).
# CE_DISPLAYS="FIRST LAST" picks the Xvfb display numbers it may use.
set -u
cd "$(dirname "$0")/.."
top=$PWD
. ./tools/setup.sh

dpi=96 lang=both slot=5 out="" arch=""
while [ $# -gt 0 ]; do
  case $1 in
    --dpi) dpi=$2; shift 2 ;;
    --lang) lang=$2; shift 2 ;;
    --slot) slot=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --build) arch=$2; shift 2 ;;
    *) echo "unknown argument: $1 (see the head of $0)" >&2; exit 2 ;;
  esac
done
case $lang in en) langs=(0) ;; ru) langs=(1) ;; both) langs=(0 1) ;; *) echo "--lang is en, ru or both" >&2; exit 2 ;; esac
[ -n "$out" ] || out=docs/editor.png
for tool in Xvfb xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (packages xvfb, x11-utils, imagemagick)" >&2; exit 1; }
done

if [ -z "$arch" ]; then
  probe_windows_builds >&2 || exit 1
  arch=${runnable_builds[0]}
fi
cmake --preset "$arch" >/dev/null && cmake --build --preset "$arch" -j 2 --target creatures-editor creatures-demo >/dev/null \
  || { echo "could not build the $arch editor" >&2; exit 1; }

work=$top/build/shots
mkdir -p "$work" "$(dirname "$out")"
start_display 2600x1600 || exit 1
trap stop_display EXIT

prefix=$top/build/wineprefix-shots-$arch-$dpi
used_prefixes+=("$prefix")
use_wine "$arch" "$prefix" unmanaged || exit 1
hex=$(printf '0x%x' "$dpi")
if ! "$WINE_LOADER" reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null | grep -qi "$hex"; then
  "$WINE_LOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  "$WINE_LOADER" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
fi

demo=$work/demo
if [ ! -f "$demo/MonstersSetup.vrh" ]; then
  (cd "$work" && "$WINE_LOADER" "$top/build/$arch/creatures-demo.exe" demo >/dev/null) || { echo "could not make the demo folder" >&2; exit 1; }
fi

shots=()
for l in "${langs[@]}"; do
  printf "\\x$(printf %02x "$l")\\x$(printf %02x $((slot & 255)))\\x$(printf %02x $((slot >> 8)))" >"$demo/Lang"
  (cd "$demo" && exec "$WINE_LOADER" "$top/build/$arch/creatures-editor.exe") &
  editor=$!
  id=""
  for _ in $(seq 1 300); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -i 'Creatures Editor' | grep -v '"": ' | head -n 1 | awk '{print $1}')
    [ -n "$id" ] && break
    kill -0 "$editor" 2>/dev/null || break
    sleep 0.2
  done
  [ -n "$id" ] || { echo "the editor window did not appear" >&2; kill "$editor" 2>/dev/null; exit 1; }
  sleep 6  # let it paint the lists, the portrait and the pictures
  shot=$work/shot-$l-$dpi.png
  import -window "$id" "$shot" || { kill "$editor" 2>/dev/null; exit 1; }
  kill "$editor" 2>/dev/null
  wait "$editor" 2>/dev/null
  wineserver -k 2>/dev/null
  shots+=("$shot")
done

if [ ${#shots[@]} -eq 2 ]; then
  convert "${shots[0]}" -size 16x1 xc:white "${shots[1]}" -background white -gravity north +append \
    +dither -colors 256 -define png:compression-level=9 -strip "$out"
else
  convert "${shots[0]}" -strip "$out"
fi
echo "$out: $(identify -format '%wx%h' "$out"), $(stat -c %s "$out") bytes"
