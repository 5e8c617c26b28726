#!/usr/bin/env bash
# Screenshots of the editor on the demo data folder, under Wine on an Xvfb
# display of its own, so that they can be made again when the form changes.
#
#   tools/screenshot.sh                 the README's picture: English and Russian
#                                       side by side at 96 DPI -> docs/editor.png
#   tools/screenshot.sh --dpi 144 --lang en --out build/shots/en-144.png
#   tools/screenshot.sh --box refusal --lang ru   a Russian refusal of a value
#                                       over the form -> docs/editor-refusal-ru.png
#   tools/screenshot.sh --box close --lang ru     the Russian question on closing
#                                       with a change -> docs/editor-close-ru.png
#   tools/screenshot.sh --box history --lang en   the History window after two Saves
#                                       -> docs/editor-history-en.png
#   tools/screenshot.sh --box mod --lang ru       the Apply mod window with a conflict
#                                       -> docs/editor-mod-ru.png
#
# --dpi sets the Wine prefix's LogPixels (each DPI has its own prefix under
# build/), --lang en, ru or both, --slot N the creature shown (default 5),
# --build win32|win64 the editor (default: the first this machine runs).
# --box shows the editor with one of its boxes open: a value typed that Save
# refuses (refusal), a value changed and the window closed (close), the
# History window (history) or the Apply mod window (mod) over it; the
# Windows test program (its disabled case Shots.*) drives the real dialog.
# CE_DISPLAYS="FIRST LAST" picks the Xvfb display numbers it may use.
set -u
cd "$(dirname "$0")/.."
top=$PWD
. ./tools/setup.sh

dpi=96 lang=both slot=5 out="" arch="" box=""
while [ $# -gt 0 ]; do
  case $1 in
    --box) box=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    --lang) lang=$2; shift 2 ;;
    --slot) slot=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --build) arch=$2; shift 2 ;;
    *) echo "unknown argument: $1 (see the head of $0)" >&2; exit 2 ;;
  esac
done
case $lang in en) langs=(0) ;; ru) langs=(1) ;; both) langs=(0 1) ;; *) echo "--lang is en, ru or both" >&2; exit 2 ;; esac
case $box in "" | refusal | close | history | mod) ;; *) echo "--box is refusal, close, history or mod" >&2; exit 2 ;; esac
if [ -n "$box" ] && [ "$lang" = both ]; then lang=ru langs=(1); fi
if [ -z "$out" ]; then
  if [ -n "$box" ]; then out=docs/editor-$box-$lang.png; else out=docs/editor.png; fi
fi
for tool in Xvfb xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (packages xvfb, x11-utils, imagemagick)" >&2; exit 1; }
done

if [ -z "$arch" ]; then
  probe_windows_builds >&2 || exit 1
  arch=${runnable_builds[0]}
fi
targets=(creatures-editor creatures-demo)
[ -n "$box" ] && targets+=(test_win32)
cmake --preset "$arch" >/dev/null && cmake --build --preset "$arch" -j 2 --target "${targets[@]}" >/dev/null \
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

# The editor's window (its title begins with the program's name in both
# languages; a box over it has the same title and is smaller): its id.
editor_window() {
  local id best="" area=0 w h
  for id in $(xwininfo -root -tree 2>/dev/null | grep -i 'Quelmarn' | grep -v '"": ' | awk '{print $1}'); do
    w=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/ {print $2}')
    h=$(xwininfo -id "$id" 2>/dev/null | awk '/Height:/ {print $2}')
    [ -n "$w" ] && [ -n "$h" ] && [ $((w * h)) -gt "$area" ] && { area=$((w * h)); best=$id; }
  done
  echo "$best"
}

shots=()
for l in "${langs[@]}"; do
  printf "\\x$(printf %02x "$l")\\x$(printf %02x $((slot & 255)))\\x$(printf %02x $((slot >> 8)))" >"$demo/Lang"
  log=$work/shot-$l.log
  rm -f "$demo/shot-done"
  if [ -n "$box" ]; then
    (cd "$demo" && CE_SHOT_BOX=$box CE_SHOT_FOLDER=. CE_SHOT_DONE=shot-done exec "$WINE_LOADER" \
      "$top/build/$arch/tests/test_win32.exe" --gtest_also_run_disabled_tests --gtest_filter='Shots.*') >"$log" 2>&1 &
  else
    (cd "$demo" && exec "$WINE_LOADER" "$top/build/$arch/creatures-editor.exe") &
  fi
  editor=$!
  id=""
  for _ in $(seq 1 600); do
    if [ -z "$box" ] || grep -q 'box shown' "$log" 2>/dev/null; then id=$(editor_window); fi
    [ -n "$id" ] && break
    kill -0 "$editor" 2>/dev/null || break
    sleep 0.2
  done
  [ -n "$id" ] || { echo "the editor window did not appear" >&2; [ -n "$box" ] && cat "$log" >&2; kill "$editor" 2>/dev/null; exit 1; }
  shot=$work/shot-$l-$dpi${box:+-$box}.png
  if [ -n "$box" ]; then
    sleep 1
    # The box is a window of its own over the editor's: the screen where the editor is.
    geometry=$(xwininfo -id "$id" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
      /Width:/ {w=$2} /Height:/ {h=$2} END {printf "%dx%d+%d+%d", w, h, x, y}')
    import -window root -crop "$geometry" +repage "$shot" || { kill "$editor" 2>/dev/null; exit 1; }
    touch "$demo/shot-done"
    wait "$editor" 2>/dev/null
    rm -f "$demo/shot-done"
  else
    sleep 6  # let it paint the lists, the portrait and the pictures
    import -window "$id" "$shot" || { kill "$editor" 2>/dev/null; exit 1; }
    kill "$editor" 2>/dev/null
    wait "$editor" 2>/dev/null
  fi
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
