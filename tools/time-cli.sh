#!/usr/bin/env bash
# Whole-process timings of the `creatures` tool on the demo data set (all 1000
# slots): export to JSON and CSV, import of a full export (unchanged, and into a
# folder where every creature differs, so that every file is rewritten), check.
#
# Usage: tools/time-cli.sh [BUILD_DIR]
#   BUILD_DIR: a Release build without sanitizers, made there when missing
#   (default: $TMPDIR/creatures-time-build). RUNS=N sets the runs per command (20).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${TMPDIR:-/tmp}/creatures-time-build}
runs=${RUNS:-20}

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCE_SANITIZE=OFF -DCE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target creatures creatures-demo >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tool="$build/creatures"
"$build/creatures-demo" "$work/data" >/dev/null
"$build/creatures-demo" "$work/other" --seed 2 >/dev/null
"$tool" export -C "$work/data" >"$work/all.json"
"$tool" export -C "$work/data" --format csv >"$work/all.csv"

now_us() { echo $(($(date +%s%N) / 1000)); }

# time_it LABEL PREPARE COMMAND...: runs PREPARE (untimed) then COMMAND, $runs
# times; prints the fastest and the median wall-clock time in milliseconds.
time_it() {
  local label=$1 prepare=$2
  shift 2
  local times=()
  for _ in $(seq "$runs"); do
    eval "$prepare"
    local t0 t1
    t0=$(now_us)
    "$@" >/dev/null || [ $? -eq 1 ] || { echo "$label: failed" >&2; exit 1; }  # diff exits 1
    t1=$(now_us)
    times+=($((t1 - t0)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v label="$label" '
    { t[NR] = $1 }
    END { printf "%-34s min %6.1f ms   median %6.1f ms\n", label, t[1] / 1000, t[int((NR + 1) / 2)] / 1000 }'
}

fresh_other='rm -rf "$work/copy"; cp -a "$work/other" "$work/copy"'
echo "creatures on the demo data set, $runs runs each ($(nproc) cores, $(uname -m))"
time_it "export --format json" : "$tool" export -C "$work/data"
time_it "export --format csv" : "$tool" export -C "$work/data" --format csv
time_it "import all.json (nothing changes)" : "$tool" import -C "$work/data" "$work/all.json"
time_it "import all.csv (nothing changes)" : "$tool" import -C "$work/data" "$work/all.csv"
time_it "import all.json (all rewritten)" "$fresh_other" "$tool" import -C "$work/copy" "$work/all.json"
time_it "import all.csv (all rewritten)" "$fresh_other" "$tool" import -C "$work/copy" "$work/all.csv"
time_it "check" : "$tool" check -C "$work/data"
time_it "show 500" : "$tool" show -C "$work/data" 500
time_it "diff (every creature differs)" : "$tool" diff "$work/data" "$work/other"
