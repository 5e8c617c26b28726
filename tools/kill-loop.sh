#!/usr/bin/env bash
# Kill loop: an import that rewrites all nine files a Save can change (the six
# data files and the current language's Monsters, Plural and Ability files) is
# killed with SIGKILL after a random delay, again and again. After each kill the
# next command of ours (creatures check) recovers the folder; the nine files must
# then be all wholly old or all wholly new, no temporary file or journal of ours
# may be left, no file may share its storage with the history (a later rewrite
# in place would change the old bytes kept there), and check must call the
# folder ok.
#
# Usage: tools/kill-loop.sh BUILD_DIR [ITERATIONS] [--hard-links]
#   BUILD_DIR holds the creatures and creatures-demo programs.
#   ITERATIONS defaults to 200. With --hard-links every one of the nine files
#   has a second hard link (as mod managers deploy them), so it is rewritten in
#   place; the links must still agree afterwards.
set -u
build=${1:?usage: tools/kill-loop.sh BUILD_DIR [ITERATIONS] [--hard-links]}
runs=${2:-200}
links=${3:-}
tool="$build/creatures"
demo="$build/creatures-demo"
for program in "$tool" "$demo"; do
  [ -x "$program" ] || { echo "kill-loop: $program is missing; build it first" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files="MonstersSetup.vrh DefenseBonus.vrh Ammo.vrh Firewall.vrh Demonology.vrh ImposedSpells.vrh
Eng/Monsters.txt Eng/Plural.txt Eng/Ability.txt"

"$demo" "$work/base" --seed 1 >/dev/null || exit 2
"$demo" "$work/other" --seed 2 >/dev/null || exit 2
"$tool" export -C "$work/other" --format csv >"$work/all.csv" || exit 2
cp -a "$work/base" "$work/new"
start=$(date +%s%N)
"$tool" import -C "$work/new" "$work/all.csv" >/dev/null || { echo "kill-loop: the import fails" >&2; exit 2; }
import_ms=$((($(date +%s%N) - start) / 1000000))
for f in $files; do
  if cmp -s "$work/base/$f" "$work/new/$f"; then echo "kill-loop: the import leaves $f as it was" >&2; exit 2; fi
done
# Delays up to a little past a whole import: kills before, during and after it.
max_ms=$((import_ms * 12 / 10 + 5))
echo "kill-loop: $runs runs${links:+ with hard links}; an import takes ${import_ms} ms, kills within 0-${max_ms} ms"

failures=0
old_runs=0
new_runs=0
for ((i = 1; i <= runs; i++)); do
  d="$work/run"
  rm -rf "$d" "$work/links"
  cp -a "$work/base" "$d"
  if [ "$links" = "--hard-links" ]; then
    mkdir -p "$work/links/Eng"
    for f in $files; do ln "$d/$f" "$work/links/$f"; done
  fi
  "$tool" import -C "$d" "$work/all.csv" >/dev/null 2>&1 &
  pid=$!
  ms=$((RANDOM % max_ms))
  sleep "$(awk "BEGIN { print $ms / 1000 }")"
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null

  report=$("$tool" check -C "$d" 2>&1)
  status=$?
  old=0 new=0 problem=""
  for f in $files; do
    if cmp -s "$d/$f" "$work/base/$f"; then old=$((old + 1))
    elif cmp -s "$d/$f" "$work/new/$f"; then new=$((new + 1))
    else problem="$problem $f is neither old nor new;"; fi
    if [ "$links" = "--hard-links" ] && ! cmp -s "$d/$f" "$work/links/$f"; then
      problem="$problem $f lost its hard link;"
    fi
    if [ -d "$d/.history" ] && [ -n "$(find "$d/.history" -samefile "$d/$f" -print -quit)" ]; then
      problem="$problem $f shares its storage with the history;"
    fi
  done
  if [ $old -ne 9 ] && [ $new -ne 9 ]; then problem="$problem $old files old and $new new;"; fi
  strays=$(find "$d" \( -name '*.~new[0-9]*' -o -name '*.~old[0-9]*' -o -name '*.journal' \) -print)
  [ -n "$strays" ] && problem="$problem left behind: $strays;"
  if [ $status -ne 0 ] || printf '%s' "$report" | grep -q "NEEDS RECOVERY"; then
    problem="$problem check says: $(printf '%s' "$report" | grep -E 'NEEDS|fault' | head -3);"
  fi
  if [ -n "$problem" ]; then
    failures=$((failures + 1))
    echo "run $i (kill after $ms ms):$problem" >&2
  fi
  [ $old -eq 9 ] && old_runs=$((old_runs + 1))
  [ $new -eq 9 ] && new_runs=$((new_runs + 1))
done
echo "kill-loop: $runs runs: $old_runs left all old, $new_runs all new, $failures failed"
[ $failures -eq 0 ]
