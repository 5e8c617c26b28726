#!/usr/bin/env bash
# Do two builds of the tools behave the same? Runs both builds' `creatures` and
# `creatures-demo` on the same folders and compares what they print (standard
# output, standard error, exit status) and the files they write, byte for byte:
#
#   creatures-demo (seeds 1 and 2, every file it writes)
#   on the demo folder and on a folder of random data and odd language files:
#     export (JSON; CSV with captions and a byte order mark), check, show of
#     every slot 0..999, diff against a changed copy, import of the other
#     folder's export (JSON and CSV, dry run and real) into a copy, and a
#     restore of that import (the folder's data and language files after each)
#   patches and mods on both folders: diff --patch (and its standard error),
#     apply of a patch (dry run, real, a second time), apply of a patch that
#     meets conflicts (open, settled for all and per creature), merge of a
#     folder and a patch onto a base (text, --json, dry run, with and without
#     --precedence, the merged folder's files)
#   history: history (text and --json) after imports, applies and restores,
#     restore --dry-run, restore --slot, diff DIR@N (times of day made equal)
#
# Prints "same", or the commands whose results differ (and exits 1).
#
# Usage: tools/same-output.sh OLD_BUILD NEW_BUILD
#   each BUILD a build folder holding the programs creatures and creatures-demo;
#   KEEP=1 keeps the work folder (its name is printed) to look into.
set -eu
[ $# -eq 2 ] || { echo "usage: $0 OLD_BUILD NEW_BUILD" >&2; exit 2; }
old=$(cd "$1" && pwd)
new=$(cd "$2" && pwd)
for b in "$old" "$new"; do
  for p in creatures creatures-demo; do
    [ -x "$b/$p" ] || { echo "$0: $b/$p is missing" >&2; exit 2; }
  done
done

work=$(mktemp -d)
if [ -n "${KEEP:-}" ]; then echo "keeping $work" >&2; else trap 'rm -rf "$work"' EXIT; fi

# The folders both builds start from, made once.
"$old/creatures-demo" "$work/src/demo" >/dev/null
"$old/creatures-demo" "$work/src/random" --seed 2 >/dev/null
# A third folder, the source of a mod that meets the others' changes.
"$old/creatures-demo" "$work/third" --seed 3 >/dev/null
# Random data files at their sizes, and language files whose lines are random
# bytes with every kind of line ender, some lines missing, and a zero byte with
# bytes after it.
python3 - "$work/src/random" <<'EOF'
import os, random, sys
root = sys.argv[1]
rng = random.Random(20261209)
for name in sorted(os.listdir(root)):
    path = os.path.join(root, name)
    if name.endswith('.vrh'):
        size = os.path.getsize(path)
        with open(path, 'wb') as f:
            f.write(bytes(rng.randrange(256) for _ in range(size)))
enders = [b'\r\n', b'\r\n', b'\r\n', b'\n', b'\r', b'\x01', b'\x0b']
for lang in ('Eng', 'Rus'):
    for name in ('Monsters.txt', 'Plural.txt', 'Ability.txt'):
        path = os.path.join(root, lang, name)
        with open(path, 'rb') as f:
            lines = f.read().split(b'\r\n')
        out = bytearray()
        keep = rng.randrange(700, 1002)
        for k, line in enumerate(lines[:keep]):
            if rng.random() < 0.3:
                line = bytes(rng.choice(b'\t' + bytes(range(14, 256))) for _ in range(rng.randrange(0, 80)))
            out += line
            if k + 1 < keep or rng.random() < 0.5:
                out += rng.choice(enders)
        if name == 'Plural.txt':
            out += b'\0after the zero\r\n'
        with open(path, 'wb') as f:
            f.write(out)
EOF

# A changed copy of each folder: the other folder's first 300 creatures imported.
for f in demo random; do
  other=$([ $f = demo ] && echo random || echo demo)
  cp -a "$work/src/$f" "$work/src/$f-changed"
  "$old/creatures" export -C "$work/src/$other" --slots 0-299 >"$work/src/$other-part.json"
  "$old/creatures" import -C "$work/src/$f-changed" "$work/src/$other-part.json" >/dev/null 2>&1 || true
done

# run NAME COMMAND...: records the command's output, errors and exit status.
run() {
  local name=$1
  shift
  local status=0
  "$@" >"$out/$name.out" 2>"$out/$name.err" || status=$?
  echo "$status" >"$out/$name.status"
}

# keep NAME FOLDER: records the folder's data and language files.
keep() {
  mkdir -p "$out/$1"
  (cd "$2" && cp -a Lang ./*.vrh Eng Rus "$out/$1/") 2>/dev/null || true
}

# The same commands with one build, in the same paths, into $work/out-<label>.
run_all() {
  local bin=$1 label=$2
  out=$work/out-$label
  mkdir -p "$out"
  rm -rf "$work/run"
  for seed in 1 2; do
    "$bin/creatures-demo" "$work/run/made-$seed" --seed $seed >"$out/demo-$seed.out" 2>&1
    cp -a "$work/run/made-$seed" "$out/demo-$seed"
  done
  cp -a "$work/src/." "$work/run/"
  local tool=$bin/creatures
  for f in demo random; do
    local dir=$work/run/$f other
    other=$([ $f = demo ] && echo random || echo demo)
    run "$f-export-json" "$tool" export -C "$dir"
    run "$f-export-csv" "$tool" export -C "$dir" --format csv --captions --bom
    run "$f-check" "$tool" check -C "$dir"
    run "$f-diff" "$tool" diff "$dir" "$work/run/$f-changed"
    run "$f-diff-back" "$tool" diff "$work/run/$f-changed" "$dir"
    for slot in $(seq 0 "${LAST_SLOT:-999}"); do
      run "$f-show-$slot" "$tool" show -C "$dir" "$slot"
    done
    "$old/creatures" export -C "$work/src/$other" >"$work/run/$other-all.json"
    "$old/creatures" export -C "$work/src/$other" --format csv >"$work/run/$other-all.csv"
    for format in json csv; do
      local copy=$work/run/$f-into-$format
      cp -a "$dir" "$copy"
      run "$f-import-$format-dry" "$tool" import -C "$copy" --dry-run "$work/run/$other-all.$format"
      run "$f-import-$format" "$tool" import -C "$copy" "$work/run/$other-all.$format"
      keep "$f-import-$format-files" "$copy"
      run "$f-restore-$format" "$tool" restore -C "$copy" 1
      keep "$f-restore-$format-files" "$copy"
    done
    mods "$tool" "$f"
  done
}

# The times of day a history entry records, made equal across runs.
timeless() {
  local file
  for file in "$@"; do
    [ -f "$file" ] && sed -i -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2}[ T][0-9]{2}:[0-9]{2}:[0-9]{2}/TIME/g' "$file"
  done
  return 0
}

# keep_history NAME FOLDER: the folder's history manifests (their times made equal).
keep_history() {
  mkdir -p "$out/$1"
  local m
  for m in "$2"/.history/*.entry; do
    [ -f "$m" ] || continue
    cp "$m" "$out/$1/"
  done
  timeless "$out/$1"/*.entry
}

# Patches, applies, merges and the history, on folder $2 of the work folder.
mods() {
  local tool=$1 f=$2
  local dir=$work/run/$f changed=$work/run/$f-changed other
  other=$([ $f = demo ] && echo random || echo demo)
  run "$f-patch" "$tool" diff --patch "$dir" "$changed"
  cp "$out/$f-patch.out" "$work/run/$f.patch.json"
  run "$f-patch-back" "$tool" diff --patch "$changed" "$dir"
  # A patch applied to a copy of its base: dry run, real, and again (nothing to do).
  local applied=$work/run/$f-applied
  cp -a "$dir" "$applied"
  run "$f-apply-dry" "$tool" apply -C "$applied" "$work/run/$f.patch.json" --dry-run
  run "$f-apply" "$tool" apply -C "$applied" "$work/run/$f.patch.json"
  run "$f-apply-again" "$tool" apply -C "$applied" "$work/run/$f.patch.json"
  keep "$f-apply-files" "$applied"
  # The same patch onto the other folder: conflicts, open and settled.
  local conflicted=$work/run/$f-conflicted
  cp -a "$work/run/$other" "$conflicted"
  run "$f-apply-conflicts" "$tool" apply -C "$conflicted" "$work/run/$f.patch.json"
  run "$f-apply-patch-wins-dry" "$tool" apply -C "$conflicted" "$work/run/$f.patch.json" --patch-wins --dry-run
  run "$f-apply-wins-for" "$tool" apply -C "$conflicted" "$work/run/$f.patch.json" \
    --patch-wins-for 0-99 --folder-wins-for 100-
  keep "$f-apply-wins-for-files" "$conflicted"
  # A merge of a folder and a patch onto a base, the patch made from another base.
  local base=$work/run/$f-base modded=$work/run/$f-modded
  cp -a "$dir" "$base"
  cp -a "$dir" "$modded"
  "$old/creatures" export -C "$work/third" --slots 150-449 >"$work/run/$f-mod.json"
  "$old/creatures" import -C "$modded" "$work/run/$f-mod.json" >/dev/null 2>&1 || true
  run "$f-merge-dry" "$tool" merge "$base" "$modded" "$work/run/$f.patch.json" -o "$work/run/$f-merged-dry" --dry-run
  run "$f-merge-json" "$tool" merge "$base" "$modded" "$work/run/$f.patch.json" -o "$work/run/$f-merged-json" \
    --dry-run --json
  run "$f-merge-open" "$tool" merge "$base" "$modded" "$work/run/$f.patch.json" -o "$work/run/$f-merged-open"
  run "$f-merge" "$tool" merge "$base" "$modded" "$work/run/$f.patch.json" -o "$work/run/$f-merged" --precedence 2,1
  keep "$f-merge-files" "$work/run/$f-merged"
  run "$f-merge-precedence-json" "$tool" merge "$base" "$modded" "$work/run/$f.patch.json" \
    -o "$work/run/$f-merged-2" --precedence 1,2 --json
  keep "$f-merge-2-files" "$work/run/$f-merged-2"
  # The history of the applied copy: a restore of one creature, of the whole, and the past as a folder.
  run "$f-restore-slot" "$tool" restore -C "$applied" 1 --slot 5
  run "$f-restore-dry" "$tool" restore -C "$applied" 1 --dry-run
  run "$f-diff-past" "$tool" diff "$applied@1" "$applied"
  run "$f-diff-past-patch" "$tool" diff --patch "$applied@2" "$applied"
  run "$f-restore" "$tool" restore -C "$applied" 1
  keep "$f-restore-files" "$applied"
  run "$f-history" "$tool" history -C "$applied"
  run "$f-history-json" "$tool" history -C "$applied" --json
  timeless "$out/$f-history.out" "$out/$f-history-json.out" "$out/$f-restore-dry.out" "$out/$f-restore.out" \
    "$out/$f-restore-slot.out"
  keep_history "$f-history-files" "$applied"
}

run_all "$old" old
run_all "$new" new

if diff -r -q "$work/out-old" "$work/out-new" >"$work/differences"; then
  echo same
else
  echo "differ:"
  sed -e "s|$work/out-old/||g" -e "s|$work/out-new/||g" "$work/differences"
  exit 1
fi
