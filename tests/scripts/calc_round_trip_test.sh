#!/usr/bin/env bash
# Round trips of an export through LibreOffice Calc (headless), as a modder
# makes them: a re-save with the settings that keep every value (UTF-8, comma,
# every column as text, not "as shown") changes nothing; a value typed into one
# cell changes that field alone, and the re-saved export imports into another
# folder with nothing held; a column shown with fewer decimals and saved as
# shown, Calc's default settings over texts that look like numbers, dates or
# formulas, a number typed into a cell not formatted as Text, a Russian export
# saved as Windows-1252, and a tab lost through .ods are held back as suspect
# and nothing is written.
#
# Usage: calc_round_trip_test.sh CREATURES CREATURES_DEMO
# Exits 77 (skipped, one line) where Calc or Python is missing.
set -u
tool=$1
demo=$2
command -v soffice >/dev/null 2>&1 || { echo "Skipped: LibreOffice Calc is not installed (no soffice)"; exit 77; }
command -v python3 >/dev/null 2>&1 || { echo "Skipped: python3 is not installed"; exit 77; }
edit="python3 $(dirname "$0")/fods_edit.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
passes=0

check() { # NAME CONDITION_STATUS DETAIL
  if [ "$2" -eq 0 ]; then passes=$((passes + 1)); else echo "FAILED: $1${3:+: $3}"; fails=$((fails + 1)); fi
}

# calc INFILTER EXPORT OUTDIR FILE...: converts with a user profile of this run's own.
calc() {
  local in=$1 to=$2 outdir=$3
  shift 3
  soffice -env:UserInstallation="file://$work/profile" --headless --norestore --infilter="$in" \
    --convert-to "$to" --outdir "$outdir" "$@" >>"$work/soffice.log" 2>&1
}

# Calc's CSV settings: separator 44 (comma), delimiter 34 (quote), character
# set 76 (UTF-8), from line 1, the columns' formats, language 1033; on import
# "quoted field as text" and "detect special numbers"; on export "save cell
# contents as shown".
csv_out_exact='csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,false'
csv_out_shown='csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,true'
csv_in_default='CSV:44,34,76,1,,1033,false,true'
# Every column as text ("2") for a file of N columns.
csv_in_text() { # N
  local formats="" c
  for c in $(seq 1 "$1"); do formats+="${formats:+/}$c/2"; done
  echo "CSV:44,34,76,1,$formats,1033,true,false"
}
columns() { head -n 1 "$1" | tr -cd ',' | wc -c | awk '{print $1 + 1}'; }
sums() { (cd "$1" && md5sum Lang ./*.vrh Eng/* Rus/*); }

dir=$work/data
"$demo" "$dir" >/dev/null
# Texts a spreadsheet takes for numbers, dates, times and formulas, and a -0.0.
printf 'slot,name,MonstersSetup.vrh@169000[9]\r\n0,007,-0.0\r\n1,+5,1.5\r\n2,1.50,2.5\r\n3,1e3,3.5\r\n4,=1+1,4.5\r\n5,3/4,5.5\r\n6,Mar 3,6.5\r\n7,12:30,7.5\r\n8,12345678901234567890,8.5\r\n9,Caf\xc3\xa9,9.5\r\n' >"$work/set.csv"
"$tool" import -C "$dir" "$work/set.csv" --accept-suspect >"$work/set.out" 2>&1
check "the odd texts are set" $? "$(cat "$work/set.out")"
"$tool" export -C "$dir" --format csv --slots 0-11 >"$work/all.csv"
before=$(sums "$dir")

# A re-save with the exact settings, and one cell typed.
mkdir -p "$work/fods" "$work/exact"
calc "$(csv_in_text "$(columns "$work/all.csv")")" fods "$work/fods" "$work/all.csv"
cp "$work/fods/all.fods" "$work/fods/edited.fods"
$edit "$work/fods/edited.fods" set 3 "MonstersSetup.vrh@27000" 77
calc "$(csv_in_text 1)" "$csv_out_exact" "$work/exact" "$work/fods/all.fods" "$work/fods/edited.fods"
out=$("$tool" import -C "$dir" "$work/exact/all.csv" 2>&1)
check "a re-save changes nothing" $? "$out"
[ "$out" = "0 fields changed in 0 slots; nothing to write" ]
check "a re-save reports nothing changed" $? "$out"
[ "$(sums "$dir")" = "$before" ]
check "a re-save leaves every file as it was" $?
out=$("$tool" import -C "$dir" "$work/exact/edited.csv" 2>&1)
check "a one-cell edit imports" $? "$out"
[ "$(printf '%s\n' "$out" | grep -c '^slot ')" = 1 ] && [[ $out == "slot 3: MonstersSetup.vrh@27000 ("*"-> 77"* ]] &&
  [[ $out == *"1 field changed in 1 slot; writing MonstersSetup.vrh" ]]
check "a one-cell edit changes that field alone" $? "$out"
before=$(sums "$dir")
# The re-saved export into a folder of other values: each row is as exported.
"$demo" "$work/other" --seed 2 >/dev/null
out=$("$tool" import -C "$work/other" "$work/exact/all.csv" 2>&1)
check "a re-saved export imports into another folder" $? "$out"
[[ $out != *"held back"* ]] && [[ $out == *"fields changed in 12 slots; writing "* ]]
check "a re-saved export into another folder holds nothing back" $? "$out"

# A float column shown with no decimals, saved as shown (Calc's default).
"$tool" export -C "$dir" --format csv --slots 0-11 --fields "MonstersSetup.vrh@169000" >"$work/floats.csv"
mkdir -p "$work/shown"
calc "$csv_in_default" fods "$work/fods" "$work/floats.csv"
$edit "$work/fods/floats.fods" decimals "MonstersSetup.vrh@169000[7]" 0
calc "$csv_in_default" "$csv_out_shown" "$work/shown" "$work/fods/floats.fods"
out=$("$tool" import -C "$dir" "$work/shown/floats.csv" 2>&1)
check "rounded floats are refused" $((! $?)) "$out"
[[ $out == *"MonstersSetup.vrh@169000[7] ("*"): "*" a float rounded to fewer digits)"* ]] &&
  [[ $out == *"the sign of a zero lost (-0.0 -> 0)"* ]] && [[ $out == *"nothing was written"* ]]
check "a column rounded as shown, and -0.0 read as 0, are held back" $? "$out"
[ "$(sums "$dir")" = "$before" ]
check "nothing is written while they are held back" $?

# Calc's default settings over the odd texts.
mkdir -p "$work/default"
"$tool" export -C "$dir" --format csv --slots 0-11 >"$work/now.csv"
calc "$csv_in_default" "$csv_out_shown" "$work/default" "$work/now.csv"
out=$("$tool" import -C "$dir" "$work/default/now.csv" 2>&1)
check "default settings are refused" $((! $?)) "$out"
for class in '"007" -> "7" [a number-like text rewritten;' '"+5" -> "5" [a number-like text rewritten;' \
  '"1.50" -> "1.5" [a number-like text rewritten;' '"=1+1" -> "2" [a formula' '"3/4" -> "03/04/26" [a text turned into a date;' \
  '"12:30" -> "12:30:00 PM" [a text turned into a time;' '"12345678901234567890" -> "1.23456789012346E+019" [a number-like'; do
  [[ $out == *"$class"* ]]
  check "held back: $class" $? "$out"
done
out=$("$tool" import -C "$dir" "$work/default/now.csv" --drop-suspect 2>&1)
check "--drop-suspect writes the rest" $? "$out"
[[ $out == *"suspect changes left out; nothing to write" ]] && [ "$(sums "$dir")" = "$before" ]
check "--drop-suspect leaves the held-back fields as they were" $? "$out"

# held ACTION FILE DETAIL...: the import of FILE holds back (exit 3) changes of
# each DETAIL and writes nothing.
held() {
  local what=$1 file=$2 d
  shift 2
  out=$("$tool" import -C "$dir" "$file" 2>&1)
  check "$what: held back (exit 3)" $(($? != 3)) "$out"
  for d in "$@"; do
    [[ $out == *"$d"* ]]
    check "$what: $d" $? "$out"
  done
  [ "$(sums "$dir")" = "$before" ]
  check "$what: nothing written" $?
}

# "007" typed over a name in a column read as Text: Calc stores the number 7.
mkdir -p "$work/typed"
"$tool" export -C "$dir" --format csv --slots 0-11 >"$work/typed.csv"
calc "$(csv_in_text "$(columns "$work/typed.csv")")" fods "$work/fods" "$work/typed.csv"
$edit "$work/fods/typed.fods" type 10 name 007
calc "$(csv_in_text 1)" "$csv_out_exact" "$work/typed" "$work/fods/typed.fods"
held "007 typed over a name" "$work/typed/typed.csv" '-> "7" [a text replaced by a number as a spreadsheet writes one;'

# A Russian export opened as UTF-8 and saved as Windows-1252: every Cyrillic letter a '?'.
printf '\001\000\000' >"$dir/Lang"
before=$(sums "$dir")
mkdir -p "$work/cp1252"
"$tool" export -C "$dir" --format csv --slots 0-11 >"$work/russian.csv"
calc "$(csv_in_text "$(columns "$work/russian.csv")")" fods "$work/fods" "$work/russian.csv"
calc "$(csv_in_text 1)" 'csv:Text - txt - csv (StarCalc):44,34,1,1,,1033,false,true,false' "$work/cp1252" \
  "$work/fods/russian.fods"
held "a Russian export saved as Windows-1252" "$work/cp1252/russian.csv" '-> "???' \
  '[characters mixed up by a wrong character set; --accept-suspect-for character-set]'
printf '\000\000\000' >"$dir/Lang"
before=$(sums "$dir")

# A tab inside an ability, through .ods with every column Text and back.
printf 'slot,ability\r\n11,"Breathes fire\tand ice"\r\n' >"$work/tab.csv"
"$tool" import -C "$dir" "$work/tab.csv" >/dev/null 2>&1
before=$(sums "$dir")
mkdir -p "$work/ods" "$work/tabbed"
"$tool" export -C "$dir" --format csv --slots 0-11 >"$work/tabbed.csv"
calc "$(csv_in_text "$(columns "$work/tabbed.csv")")" ods "$work/ods" "$work/tabbed.csv"
soffice -env:UserInstallation="file://$work/profile" --headless --norestore --convert-to "$csv_out_exact" \
  --outdir "$work/tabbed" "$work/ods/tabbed.ods" >>"$work/soffice.log" 2>&1
held "a tab lost through .ods" "$work/tabbed/tabbed.csv" '[a tab or another control character dropped;'

[ $fails -eq 0 ] || { echo "soffice said:"; tail -n 5 "$work/soffice.log"; }
echo "$passes passed, $fails failed"
[ $fails -eq 0 ]
