#!/usr/bin/env bash
# Speed figures of the editor on the real dialog under Wine: selection changes
# in list 300 (by arrow key, by choice, the jump button) up to the painted form,
# a key held down (50 presses at 30 a second: the last press to the painted
# form of the last creature), the language switch and Save, each painted. Each
# figure is min/median/max over many runs, printed beside the whole form
# invalidated and repainted in the same run (the floor of drawing everything),
# so that figures from a busy machine can be compared. The figures come from
# the timing cases beside this script (timing_cases.cpp), built into a program
# of their own, BUILD_DIR/tools/time_editor.exe, which no test run starts;
# they are printed, never checked.
#
# Usage: tools/time-editor/run.sh [--details] [BUILD_DIR...]
#   --details: also the older break-downs (apply_language and the list filling
#   alone, the parts of a show, the portrait decode), which are disabled cases
#   of the Windows test program.
#   BUILD_DIR: a Release Windows build, made there when missing. Without one,
#   every build this machine can run is measured, each in
#   $TMPDIR/creatures-time-editor-<build> (win32 where 32-bit programs run,
#   win64 always; CE_WINE32=0 leaves win32 out). A directory's build is
#   taken from its CMake cache, else from its name (win32/win64).
#   Without DISPLAY, a private Xvfb display is started for the run. Give the
#   machine nothing else to do; the load average is printed before and after.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tools/setup.sh"

details=
if [ "${1:-}" = --details ]; then
  details='LanguageTiming.*:ShowTiming.*'
  shift
fi

probe_windows_builds
builds=()
if [ $# -eq 0 ]; then
  for arch in "${runnable_builds[@]}"; do builds+=("$arch=${TMPDIR:-/tmp}/creatures-time-editor-$arch"); done
else
  for dir in "$@"; do
    arch=
    if [ -f "$dir/CMakeCache.txt" ]; then
      grep -q 'x86_64-w64-mingw32' "$dir/CMakeCache.txt" && arch=win64
      grep -q 'i686-w64-mingw32' "$dir/CMakeCache.txt" && arch=win32
    fi
    [ -n "$arch" ] || case $dir in *win32*) arch=win32 ;; *) arch=win64 ;; esac
    builds+=("$arch=$dir")
  done
fi

trap stop_display EXIT
[ -n "${DISPLAY:-}" ] || start_display

for entry in "${builds[@]}"; do
  arch=${entry%%=*}
  build=${entry#*=}
  if ! printf '%s\n' "${runnable_builds[@]}" | grep -qx "$arch"; then
    echo "build $arch ($build): cannot run on this machine, skipped"
    continue
  fi
  toolchain=$here/cmake/mingw-i686.cmake
  [ "$arch" = win64 ] && toolchain=$here/cmake/mingw-x86_64.cmake
  cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target time_editor ${details:+test_win32} >/dev/null

  echo "build: $arch ($build), $(git -C "$here" rev-parse --short HEAD 2>/dev/null || echo 'no commit')"
  echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
  "$here/cmake/wine-run" "$arch" "$build/tools/time_editor.exe" --gtest_filter='EditorTiming.*' |
    grep --line-buffered -v '^\['
  if [ -n "$details" ]; then
    "$here/cmake/wine-run" "$arch" "$build/tests/test_win32.exe" --gtest_also_run_disabled_tests \
      --gtest_filter="$details" | grep --line-buffered -v '^\['
  fi
  echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
done
