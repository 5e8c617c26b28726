#!/usr/bin/env bash
# The real `creatures` program on a standard input it cannot read (closed, or
# a folder in its place): a clear message and exit status 2, never an abort.
# Usage: unreadable_stdin_test.sh PATH_TO_CREATURES
set -u
bin=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/data"
failed=0

check() {  # what status stderr-file
  local what=$1 status=$2 err=$3
  if [ "$status" -ne 2 ]; then
    echo "FAIL $what: exit status $status, not 2"; cat "$err"; failed=1
  elif grep -q -e terminate -e 'ERROR: AddressSanitizer' "$err"; then
    echo "FAIL $what: aborted"; cat "$err"; failed=1
  elif ! grep -q 'creatures import: cannot read standard input' "$err"; then
    echo "FAIL $what: no clear message"; cat "$err"; failed=1
  else
    echo "ok   $what: $(head -1 "$err")"
  fi
}

"$bin" import -C "$dir/data" - <&- 2>"$dir/err1"
check "closed standard input" $? "$dir/err1"
"$bin" import -C "$dir/data" - <"$dir/data" 2>"$dir/err2"
check "a folder as standard input" $? "$dir/err2"
exit $failed
