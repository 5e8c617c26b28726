#!/usr/bin/env bash
# Speed figures of the editor on the real dialog under Wine: apply_language with
# 1000 creatures and 100 spells, the language switch, and a selection change in
# list 300 up to the painted form, with the portrait decode on its own. The
# figures come from the timing cases of the Windows test program, which a normal
# test run leaves out; they are printed, never checked.
#
# Usage: tools/time-editor/run.sh [BUILD_DIR]
#   BUILD_DIR: a Release Windows build, made there when missing (default:
#   $TMPDIR/creatures-time-editor-win32, or -win64 where this machine cannot run
#   32-bit programs; CE_WINE32=0 picks the 64-bit build anywhere). Without
#   DISPLAY, a private Xvfb display is started for the run. Give the machine
#   nothing else to do.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tools/setup.sh"
probe_windows_builds
arch=${runnable_builds[0]}
build=${1:-${TMPDIR:-/tmp}/creatures-time-editor-$arch}
toolchain=$here/cmake/mingw-i686.cmake
[ "$arch" = win64 ] && toolchain=$here/cmake/mingw-x86_64.cmake

cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target test_win32 >/dev/null

xvfb_pid=
cleanup() { if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 20 89); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      sleep 1
      break
    fi
  done
fi

echo "build: $arch"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$here/cmake/wine-run" "$arch" "$build/tests/test_win32.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='LanguageTiming.*:ShowTiming.*' | grep -v '^\['
