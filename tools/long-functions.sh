#!/usr/bin/env bash
# Lists the longest functions of the program's sources (not the tests), counted
# from the line of the function's name to its closing brace; lambdas count as
# part of the function that holds them.
#
# Usage: tools/long-functions.sh [N] [FOLDER...]
#   N: how many to list (default 10); FOLDERs: default every source folder.
# Needs Universal Ctags.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-10}
[ $# -gt 0 ] && shift
cd "$here"
folders=("$@")
[ ${#folders[@]} -gt 0 ] || folders=(app cli demo form picture store text)
find "${folders[@]}" -name '*.cpp' -o -name '*.h' | sort |
  ctags -L - --languages=C++ --language-force=C++ --kinds-c++=f --fields=+ne --extras=+q -f - |
  awk -F'\t' '
    $1 ~ /__anon/ { next }
    {
      start = ""; end = ""; scope = ""
      for (i = 4; i <= NF; i++) {
        if ($i ~ /^line:/) start = substr($i, 6)
        else if ($i ~ /^end:/) end = substr($i, 5)
        else if ($i ~ /^(class|struct|namespace|function):/) { scope = $i; sub(/^[a-z]+:/, "", scope) }
      }
      if (end == "" || $1 ~ /::/) next
      name = scope == "" ? $1 : scope "::" $1
      sub(/^ce::/, "", name)
      gsub(/__anon[0-9a-f]+::/, "", name)
      key = $2 ":" start
      if (key in seen) next
      seen[key] = 1
      printf "%5d  %s  %s:%s\n", end - start + 1, name, $2, start
    }' |
  sort -rn -k1,1 | head -n "$count"
