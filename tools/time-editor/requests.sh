#!/usr/bin/env bash
# Counts the requests to the Wine server per marked step of the timing cases:
# the editor's calls that ask the window server (a property, a window's
# state, a message to another window) cost some 0.03-0.08 ms each under Wine.
#
# Usage: tools/time-editor/requests.sh [--top N] [BUILD_DIR]
#   Runs EditorSteps.MarkedSteps of BUILD_DIR's timing program (a Windows
#   build, default build/win64: BUILD_DIR/tools/time_editor.exe, from
#   timing_cases.cpp beside this script) with Wine's server trace and prints,
#   for each step, the number of requests and the N most frequent kinds.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tools/setup.sh"
top=8
if [ "${1:-}" = --top ]; then top=$2; shift 2; fi
build=${1:-$here/build/win64}
arch=win64
grep -q 'i686-w64-mingw32' "$build/CMakeCache.txt" 2>/dev/null && arch=win32
trap stop_display EXIT
[ -n "${DISPLAY:-}" ] || start_display
log=$(mktemp)
WINEDEBUG=+server,+debugstr "$here/cmake/wine-run" "$arch" "$build/tools/time_editor.exe" \
  --gtest_filter='EditorSteps.MarkedSteps' >/dev/null 2>"$log" || true
awk -v top="$top" '
  /ce-step begin: / { sub(/.*ce-step begin: /, ""); sub(/\\n.*/, ""); sub(/".*/, ""); step = $0; n = 0; delete kinds; next }
  /ce-step end/ && step != "" {
    printf "%-50s %6d requests:", step, n
    m = 0
    for (k in kinds) order[++m] = k
    for (i = 1; i <= m; ++i) for (j = i + 1; j <= m; ++j) if (kinds[order[j]] > kinds[order[i]]) { t = order[i]; order[i] = order[j]; order[j] = t }
    for (i = 1; i <= m && i <= top; ++i) printf " %s %d", order[i], kinds[order[i]]
    printf "\n"; step = ""; delete order; next
  }
  step != "" && /^[0-9a-f]+: [a-z_]+\(/ && !/\) = / { k = $2; sub(/\(.*/, "", k); kinds[k]++; n++ }
' "$log"
rm -f "$log"
