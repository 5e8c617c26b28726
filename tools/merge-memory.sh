#!/usr/bin/env bash
# Peak memory of `creatures merge` on large mods: three mods with a sparse
# 1000 MB portrait each (written into OUT; then one name, an open conflict),
# two mods whose ability files of 600,000 long or 1,150,000 short lines all
# conflict (--json, open or settled: the largest reports), and as many mods as
# the merge takes that change every byte of the data files and every line. The merge holds at most 1 GiB of
# its sources and what it builds from them, by its own count; this measures
# what that is in resident memory. A measurement, not a test: it prints the
# figures (/usr/bin/time -v).
#
# Usage: tools/merge-memory.sh [BUILD_DIR]
#   BUILD_DIR: a Release build without sanitizers, made there when missing
#   (default: $TMPDIR/creatures-merge-memory-build). MODS=N sets the number of
#   whole-folder mods (default 26, the most the count takes of such mods).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${TMPDIR:-/tmp}/creatures-merge-memory-build}
mods=${MODS:-26}

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCE_SANITIZE=OFF -DCE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target creatures creatures-demo >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/creatures-demo" "$work/base" >/dev/null

python3 - "$work" "$mods" <<'EOF'
import os, random, shutil, sys
work, mods = sys.argv[1], int(sys.argv[2])
base = work + '/base'
def copy(name):
    shutil.copytree(base, work + '/' + name)
    return work + '/' + name
for m in range(3):
    d = copy('portrait%d' % m)
    for name in ('%d.jpg' % (2000 + m), '5.jpg'):
        with open(d + '/Pic/' + name, 'wb') as f:
            f.truncate(1000 * 1000 * 1000 + m)
    os.rename(d + '/Pic/5.jpg', work + '/same%d.jpg' % m)  # put back for the second case
for m in range(2):
    d = copy('lines%d' % m)
    with open(d + '/Eng/Ability.txt', 'wb') as f:
        f.write(((b'%c' % (ord('a') + m)) * 98 + b'\r\n') * 600000)
    d = copy('short%d' % m)
    with open(d + '/Eng/Ability.txt', 'wb') as f:
        f.write(((b'%c' % (ord('a') + m)) + b'\r\n') * 1150000)
random.seed(36)
data = ['MonstersSetup.vrh', 'Ammo.vrh', 'ImposedSpells.vrh', 'Firewall.vrh', 'Demonology.vrh', 'DefenseBonus.vrh']
for m in range(mods):
    d = copy('whole%d' % m)
    for name in data:
        size = os.path.getsize(d + '/' + name)
        with open(d + '/' + name, 'wb') as f:
            f.write(random.randbytes(size))
    for name in os.listdir(d + '/Eng'):
        path = d + '/Eng/' + name
        lines = open(path, 'rb').read().split(b'\r\n')
        open(path, 'wb').write(b'\r\n'.join(l + b' mod %d' % m for l in lines))
EOF

measure() {
  local what=$1
  shift
  set +e
  /usr/bin/time -v "$build/creatures" merge "$@" >"$work/out.txt" 2>"$work/time.txt"
  local status=$?
  set -e
  local kb seconds
  kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
  seconds=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
  printf '%-44s %14.1f %10s %6s %12s\n' "$what" "$(echo "$kb/1024" | bc -l)" "$seconds" "$status" \
    "$(stat -c %s "$work/out.txt")"
  grep -v '^	\|^Command' "$work/time.txt" | head -3 || true
}

printf '%-44s %14s %10s %6s %12s\n' case "peak RSS (MiB)" time exit "report (B)"
measure "3 mods, a 1000 MB portrait each, written" "$work/base" "$work/portrait0" "$work/portrait1" \
  "$work/portrait2" -o "$work/out"
rm -rf "$work/out"
for m in 0 1 2; do
  rm "$work/portrait$m/Pic/$((2000 + m)).jpg"
  mv "$work/same$m.jpg" "$work/portrait$m/Pic/5.jpg"
done
measure "3 mods, one 1000 MB portrait name (open)" "$work/base" "$work/portrait0" "$work/portrait1" \
  "$work/portrait2" -o "$work/out" --json
measure "2 mods, 600,000 ability lines, --json" "$work/base" "$work/lines0" "$work/lines1" -o "$work/out" \
  --dry-run --json
whole=()
for m in $(seq 0 $((mods - 1))); do whole+=("$work/whole$m"); done
measure "$mods mods changing every field and line, --json" "$work/base" "${whole[@]}" -o "$work/out" --dry-run --json
measure "$mods mods changing every field and line, text" "$work/base" "${whole[@]}" -o "$work/out" --dry-run
measure "$mods mods, settled by --precedence, --json" "$work/base" "${whole[@]}" -o "$work/out" --dry-run --json \
  --precedence "$(seq -s, "$mods" -1 1)"
measure "2 mods, 1,150,000 short lines, settled, --json" "$work/base" "$work/short0" "$work/short1" \
  -o "$work/out" --dry-run --json --precedence 2,1
