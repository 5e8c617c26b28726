#!/usr/bin/env bash
# Peak memory of `creatures import --dry-run` on large hostile inputs: 200 MB of
# repeated CSV rows "5,x" under a header, a header row of 42 million repeated
# "name" columns, 200 MB of repeated JSON creatures, and one JSON text of
# 200 MB. The aim is a peak resident set of at most the input's size plus 64 MiB.
# A measurement, not a test: it prints the figures (/usr/bin/time -v).
#
# Usage: tools/import-memory.sh [BUILD_DIR]
#   BUILD_DIR: a Release build without sanitizers, made there when missing
#   (default: $TMPDIR/creatures-time-build). MB=N sets the inputs' size (200).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${TMPDIR:-/tmp}/creatures-time-build}
mb=${MB:-200}

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCE_SANITIZE=OFF -DCE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target creatures creatures-demo >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/creatures-demo" "$work/data" >/dev/null

python3 - "$work" "$mb" <<'EOF'
import sys
work, mb = sys.argv[1], int(sys.argv[2])
size = mb * 1000 * 1000
def fill(path, head, unit, tail):
    with open(path, 'wb') as f:
        f.write(head)
        f.write(unit * ((size - len(head) - len(tail)) // len(unit)))
        f.write(tail)
fill(work + '/rows.csv', b'slot,name\r\n', b'5,x\r\n', b'')
columns = size // 5
with open(work + '/header.csv', 'wb') as f:
    f.write(b'slot' + b',name' * columns + b'\r\n5' + b',x' * columns + b'\r\n')
fill(work + '/creatures.json', b'{"creatures": [\n', b'{"slot": 5, "name": "x"},\n', b'{"slot": 5, "name": "x"}\n]}\n')
fill(work + '/text.json', b'[{"slot": 5, "name": "', b'x', b'"}]\n')
EOF

printf '%-16s %12s %14s %10s %6s\n' input "size (MiB)" "peak RSS (MiB)" "over (MiB)" exit
for input in rows.csv header.csv creatures.json text.json; do
  bytes=$(stat -c %s "$work/$input")
  set +e
  /usr/bin/time -v "$build/creatures" import -n -C "$work/data" "$work/$input" >/dev/null 2>"$work/time.txt"
  status=$?
  set -e
  kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
  printf '%-16s %12.1f %14.1f %10.1f %6s\n' "$input" "$(echo "$bytes/1048576" | bc -l)" \
    "$(echo "$kb/1024" | bc -l)" "$(echo "$kb/1024 - $bytes/1048576" | bc -l)" "$status"
done
