#!/usr/bin/env bash
# Which Windows builds the scripts decide to run, on fake Wine loaders: a
# machine that runs both, one whose 32-bit loader cannot execute, one where
# neither runs, a missing wine32, and CE_WINE32=0.
set -u
. "$(dirname "$0")/../../tools/setup.sh"
fails=0
passes=0
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT

loader() { # NAME works|noexec|broken|absent
  rm -f "$fake/$1"
  case $2 in
    works) printf '#!/bin/sh\necho wine-8.0\n' >"$fake/$1" ;;
    noexec) printf '#!/bin/sh\necho "sh: $0: cannot execute binary file: Exec format error" >&2; exit 126\n' >"$fake/$1" ;;
    broken) printf '#!/bin/sh\necho "wine: could not load ntdll.so" >&2; exit 1\n' >"$fake/$1" ;;
    absent) return ;;
  esac
  chmod +x "$fake/$1"
}

expect() { # NAME EXPECTED_BUILDS EXPECTED_STATUS PATTERN_OF_THE_LINE
  local line status
  probe_windows_builds >"$fake/line" 2>&1
  status=$?
  line=$(cat "$fake/line")
  if [ "${runnable_builds[*]}" = "$2" ] && [ "$status" = "$3" ] && [[ $line == $4 ]]; then
    passes=$((passes + 1))
  else
    echo "FAILED: $1: builds '${runnable_builds[*]}' status $status line '$line'"
    fails=$((fails + 1))
  fi
}

export CE_WINE_DIR=$fake
unset CE_WINE32
loader wine works; loader wine64 works
expect "both run" "win32 win64" 0 "*win32 and win64*"
CE_WINE32=0 expect "CE_WINE32=0 forces the fallback" "win64" 0 "*win64 only*CE_WINE32=0*"
CE_WINE32=1 expect "CE_WINE32=1 changes nothing" "win32 win64" 0 "*win32 and win64*"
loader wine noexec
expect "a kernel without 32-bit programs" "win64" 0 "*win64 only*cannot execute 32-bit programs*Exec format error*"
loader wine broken
expect "a 32-bit loader that fails otherwise" "win64" 0 "*win64 only*could not load ntdll.so*"
loader wine absent
expect "no wine32 installed" "win64" 0 "*win64 only*no Wine loader*"
loader wine64 absent
expect "neither runs" "" 1 "No Windows build can run here*"
loader wine works
expect "only 32-bit runs" "win32" 0 "*win32 only*"

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
