#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz: clang with libFuzzer and the address
# and undefined-behaviour sanitizers) and runs each for SECONDS (default 20),
# starting from the checked-in corpus. New inputs go to build/fuzz/corpus/<target>
# (the checked-in corpus is left alone), findings to build/fuzz/findings/<target>.
# Prints the executions and findings of every target; exits 1 when any target
# found something.
#
#   tools/fuzz/run.sh [SECONDS] [TARGET...]
#   CE_FUZZ_PARALLEL=2 tools/fuzz/run.sh 600     # two targets at a time
set -u
cd "$(dirname "$0")/../.."
seconds=${1:-20}
shift || true
case $seconds in
  ''|*[!0-9]*) echo "usage: tools/fuzz/run.sh [SECONDS] [TARGET...]" >&2; exit 2 ;;
esac
parallel=${CE_FUZZ_PARALLEL:-1}

all_targets=()
for f in fuzz/*.cpp; do
  grep -q LLVMFuzzerTestOneInput "$f" && [ "$(basename "$f")" != replay_main.cpp ] &&
    all_targets+=("$(basename "$f" .cpp)")
done
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

if ! command -v clang++-14 >/dev/null; then
  echo "tools/fuzz/run.sh: clang++-14 is missing (apt-get install clang-14 libclang-rt-14-dev)" >&2
  exit 2
fi
names=()
for t in "${targets[@]}"; do names+=("fuzz_$t"); done
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j 2 --target "${names[@]}" || exit 2

out=build/fuzz
run_one() {
  local t=$1
  mkdir -p "$out/corpus/$t" "$out/findings/$t" "$out/logs"
  rm -f "$out/findings/$t"/*
  # Any leak, crash, timeout or memory blow-up is a finding; -close_fd_mask
  # keeps the targets' own output off the terminal.
  "$out/fuzz/fuzz_$t" "$out/corpus/$t" "fuzz/corpus/$t" -max_total_time="$seconds" \
    -timeout=60 -rss_limit_mb=2048 -close_fd_mask=1 -print_final_stats=1 \
    -artifact_prefix="$out/findings/$t/" >"$out/logs/$t.log" 2>&1
}

running=0
for t in "${targets[@]}"; do
  echo "fuzzing $t for ${seconds}s"
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

status=0
printf '%-12s %14s %10s %9s\n' target executions per-second findings
for t in "${targets[@]}"; do
  log=$out/logs/$t.log
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # A run stopped by a finding prints no final figures: its last status line counts.
  [ -n "$execs" ] || execs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  findings=$(find "$out/findings/$t" -type f | wc -l)
  printf '%-12s %14s %10s %9s\n' "$t" "${execs:-?}" "${rate:-?}" "$findings"
  if [ "$findings" -gt 0 ]; then
    status=1
    find "$out/findings/$t" -type f | sed 's/^/  /'
    grep -m1 -E "ERROR|fuzz property|SUMMARY" "$log" | sed 's/^/  /'
  fi
done
exit $status
