#!/usr/bin/env bash
# Which Windows builds the scripts decide to run, on fake Wine loaders: a
# machine that runs both, one whose 32-bit loader cannot execute, one where
# neither runs, a missing wine32 beside a `wine` launcher, and CE_WINE32=0. And
# what the set-up installs and says, on a fake package manager: an index that
# cannot be refreshed, wine32 refused while the rest installs, a required
# package refused, a machine that runs no 32-bit program, LibreOffice Calc
# refused.
set -u
. "$(dirname "$0")/../../tools/setup.sh"
fails=0
passes=0
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT

script() { # PATH BODY: an executable shell script
  printf '#!/bin/sh\n%s\n' "$2" >"$1"
  chmod +x "$1"
}

loader() { # NAME works|noexec|broken|absent
  rm -f "$fake/$1"
  case $2 in
    works) printf '#!/bin/sh\necho wine-8.0\n' >"$fake/$1" ;;
    noexec) printf '#!/bin/sh\necho "sh: $0: cannot execute binary file: Exec format error" >&2; exit 126\n' >"$fake/$1" ;;
    broken) printf '#!/bin/sh\necho "wine: could not load ntdll.so" >&2; exit 1\n' >"$fake/$1" ;;
    absent) return ;;
  esac
  chmod +x "$fake/$1"
}

expect() { # NAME EXPECTED_BUILDS EXPECTED_STATUS PATTERN_OF_THE_LINE
  local line status
  probe_windows_builds >"$fake/line" 2>&1
  status=$?
  line=$(cat "$fake/line")
  if [ "${runnable_builds[*]}" = "$2" ] && [ "$status" = "$3" ] && [[ $line == $4 ]]; then
    passes=$((passes + 1))
  else
    echo "FAILED: $1: builds '${runnable_builds[*]}' status $status line '$line'"
    fails=$((fails + 1))
  fi
}

export CE_WINE_DIR=$fake
unset CE_WINE32
# Whether the machine executes 32-bit programs is asked of a program of ours.
script "$fake/exec32-yes" 'exit 0'
script "$fake/exec32-no" 'echo "sh: 1: $0: Exec format error" >&2; exit 126'
export CE_EXEC32_PROBE=$fake/exec32-yes
loader wine works; loader wine64 works
expect "both run" "win32 win64" 0 "*win32 and win64*"
CE_WINE32=0 expect "CE_WINE32=0 forces the fallback" "win64" 0 "*win64 only*CE_WINE32=0*"
CE_WINE32=1 expect "CE_WINE32=1 changes nothing" "win32 win64" 0 "*win32 and win64*"
loader wine noexec
expect "a kernel without 32-bit programs" "win64" 0 "*win64 only*cannot execute 32-bit programs*Exec format error*"
loader wine broken
expect "a 32-bit loader that fails otherwise" "win64" 0 "*win64 only*could not load ntdll.so*"
loader wine absent
expect "no wine32 installed" "win64" 0 "*win64 only*wine32 is not installed*"
loader wine works
CE_EXEC32_PROBE=$fake/exec32-no expect "no 32-bit programs, whatever the loader says" "win64" 0 \
  "*win64 only*cannot execute 32-bit programs (Exec format error)"
loader wine absent
loader wine64 absent
expect "neither runs" "" 1 "No Windows build can run here*wine32 is not installed*wine64 is not installed*"
loader wine works
expect "only 32-bit runs" "win32" 0 "*win32 only*"

# A `wine` launcher on the path that runs 64-bit programs is not a 32-bit loader.
mkdir -p "$fake/bin"
script "$fake/bin/wine" 'echo wine-8.0'
loader wine absent; loader wine64 works
PATH="$fake/bin:$PATH" expect "a wine launcher without wine32" "win64" 0 "*win64 only*wine32 is not installed*"

# --- The set-up, on a fake package manager ----------------------------------
# $fake/installed lists the installed packages; apt-get refuses the packages
# listed in $fake/refused and fails the index refresh when $fake/update-fails
# exists; every call is logged in $fake/apt.log.
script "$fake/bin/dpkg-query" 'for a; do p=$a; done; grep -qx "$p" "'"$fake"'/installed" && echo "install ok installed"'
script "$fake/bin/dpkg" 'case $1 in --print-foreign-architectures) cat "'"$fake"'/arches";;
  --add-architecture) echo "$2" >>"'"$fake"'/arches";; esac'
script "$fake/bin/id" 'echo 0'
script "$fake/bin/apt-get" 'f='"$fake"'; echo "$*" >>"$f/apt.log"
case $1 in
update) if [ -e "$f/update-fails" ]; then
    echo "Err:6 http://deb.example/debian-security bookworm-security/main i386 Packages"
    echo "  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]"
    echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100
  fi ;;
install) shift; sim=; for p; do case $p in -s) sim=1;; -*) ;; *) if grep -qx "$p" "$f/refused"; then
    echo "The following packages have unmet dependencies:"
    echo " $p : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100; fi;; esac; done
  [ -n "$sim" ] || for p; do case $p in -*) ;; *) echo "$p" >>"$f/installed";; esac; done ;;
esac'

setup_case() { # NAME EXPECTED_STATUS PATTERN_OF_THE_OUTPUT [PATTERN_OF_THE_APT_LOG]
  local out status
  out=$(PATH="$fake/bin:$PATH" ensure_packages 2>&1)
  status=$?
  if [ "$status" = "$2" ] && [[ $out == $3 ]] && [[ $(cat "$fake/apt.log" 2>/dev/null) == ${4:-*} ]]; then
    passes=$((passes + 1))
  else
    echo "FAILED: $1: status $status output '$out' apt log '$(cat "$fake/apt.log" 2>/dev/null)'"
    fails=$((fails + 1))
  fi
}
machine() { # INSTALLED_PACKAGES... : a fresh state of the fake machine
  rm -f "$fake/apt.log" "$fake/update-fails"
  : >"$fake/refused"; : >"$fake/arches"
  printf '%s\n' "$@" >"$fake/installed"
}
all_required=$(printf '%s\n' "${ce_required_pkgs[@]}" "${ce_calc_pkgs[@]}")

machine $all_required wine32:i386
setup_case "nothing missing: the package manager is not asked" 0 "" ""

machine $all_required
touch "$fake/update-fails"
setup_case "an index that cannot be refreshed is a warning" 0 \
  "Installing: wine32:i386*Warning: a package index could not be refreshed, going on without it: http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz: File has unexpected size (374820 != 376004). Mirror sync in progress?" \
  "update -qq*install*wine32:i386"
[ "$(cat "$fake/arches")" = i386 ] || { echo "FAILED: the i386 architecture was not added for wine32"; fails=$((fails + 1)); }

machine
touch "$fake/update-fails"
echo wine32:i386 >"$fake/refused"
setup_case "wine32 refused while the rest installs" 0 \
  "Installing: cmake*wine32:i386*Warning: a package index could not be refreshed*
32-bit Wine is not used: wine32:i386: wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed; Unable to correct problems, you have held broken packages."
missing=$(PATH="$fake/bin:$PATH" missing_pkgs "${ce_required_pkgs[@]}")
[ -z "$missing" ] || { echo "FAILED: required packages left out: $missing"; fails=$((fails + 1)); }
PATH="$fake/bin:$PATH" expect "after wine32 was refused" "win64" 0 "*win64 only*wine32 is not installed*"

machine
echo mingw-w64 >"$fake/refused"
setup_case "a required package refused stops the set-up, named" 1 \
  "Installing:*Could not install mingw-w64: mingw-w64 : Depends: *held broken packages." "*install*mingw-w64*"
[ "$(PATH="$fake/bin:$PATH" missing_pkgs "${ce_required_pkgs[@]}")" = mingw-w64 ] ||
  { echo "FAILED: the other required packages were not installed"; fails=$((fails + 1)); }
grep -q "wine32" "$fake/apt.log" && { echo "FAILED: wine32 was tried after a required package failed"; fails=$((fails + 1)); }

machine wine32:i386
CE_EXEC32_PROBE=$fake/exec32-no setup_case "no 32-bit programs here: wine32 is not wanted" 0 \
  "Installing: cmake*" "*install -y -qq --no-install-recommends cmake*"
grep -q "wine32\|i386" "$fake/apt.log" "$fake/arches" && { echo "FAILED: wine32 was wanted on a machine without 32-bit programs"; fails=$((fails + 1)); }

machine $(printf '%s\n' "${ce_required_pkgs[@]}") wine32:i386
echo libreoffice-calc-nogui >"$fake/refused"
setup_case "LibreOffice Calc refused: one line, and the set-up goes on" 0 \
  "Installing: libreoffice-calc-nogui
LibreOffice Calc is not used (its round-trip tests skip): libreoffice-calc-nogui: libreoffice-calc-nogui : Depends: *held broken packages." \
  "*install*libreoffice-calc-nogui*"

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
