#!/usr/bin/env bash
# The release zip of a Windows build: CPack makes it, it unpacks to one folder
# holding the editor, the tool and the readme; the tool from it reports the
# version in the zip's name, and the editor's program tests run against the
# unpacked programs (the editor opens a demo folder and closes, carries its
# version and manifest; the tool's console text).
# Usage: zip_test.sh BUILD_DIR win32|win64 VERSION
set -u
build=$1 arch=$2 version=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
name=creatures-editor-$version-$arch
work=$build/release-test
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work" || fail "cannot make $work"
(cd "$build" && cpack -G ZIP -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
zip=$work/$name.zip
[ -f "$zip" ] || fail "CPack made no $name.zip: $(ls "$work")"
echo "made $(basename "$zip") ($(stat -c %s "$zip") bytes)"

listed=$(cd "$work" && cmake -E tar tf "$zip" | grep -v '/$' | sort | tr '\n' ' ')
want="$name/creatures-editor.exe $name/creatures.exe $name/readme.txt "
[ "$listed" = "$want" ] || fail "the zip holds: $listed; expected: $want"
mkdir -p "$work/unpacked" && (cd "$work/unpacked" && cmake -E tar xf "$zip") || fail "cannot unpack"
dir=$work/unpacked/$name

grep -q "creatures-editor.exe" "$dir/readme.txt" || fail "the readme does not say how to start the editor"
[ "$(grep -c $'\r$' "$dir/readme.txt")" = "$(wc -l <"$dir/readme.txt")" ] || fail "the readme's lines do not end in CR LF"

shown=$("$top/cmake/wine-run" "$arch" "$dir/creatures.exe" --version | tr -d '\r')
[ "$shown" = "creatures $version" ] || fail "creatures --version says \"$shown\", the zip is $name"
echo "creatures --version: $shown"

editor="Z:$(echo "$dir/creatures-editor.exe" | tr / '\\')"
CE_EDITOR_EXE=$editor "$top/cmake/wine-run" "$arch" "$build/tests/test_win32.exe" --gtest_brief=1 \
  --gtest_filter='EditorProgram.*:CreaturesTool.*' || fail "the unpacked programs fail their tests"
echo "release zip $name: ok"
