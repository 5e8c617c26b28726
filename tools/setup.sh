# Shared by ./test, ./run, cmake/wine-run and the timing scripts: installs what
# the build needs from the distribution's packages, runs an Xvfb display for
# Wine, and knows which Windows builds this machine can run and how to start
# them. Sourcing it only defines functions.

# What the build needs, in groups. The required group must install; 32-bit
# Wine is wanted only where this machine can execute 32-bit programs, and when
# it cannot be installed the run goes on with the 64-bit build. LibreOffice
# Calc (headless, no GUI) serves the spreadsheet round-trip tests only: when it
# cannot be installed the run says why in one line and those tests skip.
ce_required_pkgs=(cmake make g++ googletest libbenchmark-dev mingw-w64 g++-mingw-w64-i686-posix
                  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine fonts-liberation xvfb x11-utils
                  imagemagick libstb-dev libcli11-dev nlohmann-json3-dev)
ce_wine32_pkgs=(wine32:i386)
ce_calc_pkgs=(libreoffice-calc-nogui)
need_pkgs=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing_pkgs() { local p; for p in "$@"; do have_pkg "$p" || echo "$p"; done; }

ensure_packages() {
  local missing32=() missing_calc=() why32
  mapfile -t need_pkgs < <(missing_pkgs "${ce_required_pkgs[@]}")
  if why32=$(machine_runs_32bit); then mapfile -t missing32 < <(missing_pkgs "${ce_wine32_pkgs[@]}"); fi
  mapfile -t missing_calc < <(missing_pkgs "${ce_calc_pkgs[@]}")
  [ ${#need_pkgs[@]} -eq 0 ] && [ ${#missing32[@]} -eq 0 ] && [ ${#missing_calc[@]} -eq 0 ] && return 0
  echo "Installing: $(echo ${need_pkgs[*]} ${missing32[*]} ${missing_calc[*]})"
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then SUDO=sudo; else
      if [ ${#need_pkgs[@]} -eq 0 ] && [ ${#missing32[@]} -eq 0 ]; then
        echo "LibreOffice Calc is not used (its round-trip tests skip): this user cannot install ${missing_calc[*]}" >&2
        return 0
      fi
      echo "These packages are missing and this user cannot install them: $(echo ${need_pkgs[*]} ${missing32[*]} ${missing_calc[*]})" >&2
      return 1
    fi
  else SUDO=""; fi
  export DEBIAN_FRONTEND=noninteractive
  if [ ${#missing32[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  refresh_package_index
  if [ ${#need_pkgs[@]} -gt 0 ]; then install_pkgs "${need_pkgs[@]}" || return 1; fi
  if [ ${#missing32[@]} -gt 0 ] && ! install_pkgs "${missing32[@]}" 2>"${TMPDIR:-/tmp}/ce-wine32.$$"; then
    echo "32-bit Wine is not used: $(head -n 1 "${TMPDIR:-/tmp}/ce-wine32.$$" | sed 's/^Could not install //')" >&2
  fi
  if [ ${#missing_calc[@]} -gt 0 ] && ! install_pkgs "${missing_calc[@]}" 2>"${TMPDIR:-/tmp}/ce-calc.$$"; then
    echo "LibreOffice Calc is not used (its round-trip tests skip): $(head -n 1 "${TMPDIR:-/tmp}/ce-calc.$$" | sed 's/^Could not install //')" >&2
  fi
  rm -f "${TMPDIR:-/tmp}/ce-wine32.$$" "${TMPDIR:-/tmp}/ce-calc.$$"
  return 0
}

# apt-get update; an index that cannot be refreshed (a mirror in the middle of
# a sync, say) is a warning, one line each: the install goes on with what the
# package manager already has.
refresh_package_index() {
  local out status failed
  out=$($SUDO apt-get update -qq 2>&1); status=$?
  failed=$(printf '%s\n' "$out" | sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)$/\1: \2/p' |
           sed 's/ *\[IP: [^]]*\]//; s/ *$//')
  if [ -n "$failed" ]; then
    printf '%s\n' "$failed" | while IFS= read -r line; do
      echo "Warning: a package index could not be refreshed, going on without it: $line" >&2
    done
  elif [ $status -ne 0 ]; then
    echo "Warning: apt-get update failed (exit $status), going on with the package index as it is:" \
         "$(printf '%s\n' "$out" | grep '^E:' | head -n 1 | cut -c1-200)" >&2
  fi
  return 0
}

# Installs the packages together; when that fails, asks the package manager
# about each one (a simulated install), installs those it would take, and names
# each one it refuses with its reason ("Could not install P: REASON" on
# standard error).
install_pkgs() {
  local p out good=() failed=0
  $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1 && return 0
  for p in "$@"; do
    have_pkg "$p" && continue
    if out=$($SUDO apt-get install -s -qq --no-install-recommends "$p" 2>&1); then
      good+=("$p")
    else
      echo "Could not install $p: $(apt_reason "$p" "$out")" >&2
      failed=1
    fi
  done
  if [ ${#good[@]} -gt 0 ] && ! out=$($SUDO apt-get install -y -qq --no-install-recommends "${good[@]}" 2>&1); then
    echo "Could not install ${good[*]}: $(apt_reason "${good[0]}" "$out")" >&2
    failed=1
  fi
  return $failed
}

# The package manager's own reason in one line: the unmet dependency of the
# package itself where it names one, and its error.
apt_reason() { # PACKAGE OUTPUT
  local dep err
  dep=$(printf '%s\n' "$2" | grep -m1 -F " ${1%%:*}" | grep -m1 'Depends\|Conflicts\|Breaks' | sed 's/^ *//; s/  */ /g')
  err=$(printf '%s\n' "$2" | grep '^E:' | tail -n 1 | sed 's/^E: //')
  [ -n "$err$dep" ] || err=$(printf '%s\n' "$2" | grep -v '^ *$' | tail -n 1)
  printf '%s' "${dep:+$dep; }${err:-apt-get install failed}" | cut -c1-300
}

# Whether this machine executes 32-bit x86 programs, asked by running one: a
# 93-byte static program that only exits, so it needs no 32-bit library
# installed. Prints why not and returns 1 when it cannot. CE_WINE32=0 makes any
# machine answer no; CE_EXEC32_PROBE names another program to run (the tests').
machine_runs_32bit() {
  local probe out status
  if [ "${CE_WINE32:-}" = 0 ]; then echo "CE_WINE32=0 is set"; return 1; fi
  probe=${CE_EXEC32_PROBE:-}
  if [ -z "$probe" ]; then
    probe=$(mktemp "${TMPDIR:-/tmp}/ce-exec32.XXXXXX") || { echo "cannot make a probe file"; return 1; }
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
    chmod +x "$probe"
  fi
  out=$("$probe" 2>&1); status=$?
  [ -z "${CE_EXEC32_PROBE:-}" ] && rm -f "$probe"
  [ $status -eq 0 ] && return 0
  case $out in
    *"Exec format error"*|*"cannot execute binary file"*) echo "this machine cannot execute 32-bit programs (Exec format error)" ;;
    *) echo "this machine cannot execute 32-bit programs (a 32-bit test program failed: $(printf '%s' "$out" | head -n 1))" ;;
  esac
  return 1
}

xvfb_pid=""
used_prefixes=()
# start_display [WIDTHxHEIGHT]: the first free display of CE_DISPLAYS ("FIRST LAST",
# default 90 to 130).
start_display() {
  local n
  for n in $(seq ${CE_DISPLAYS:-90 130}); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${1:-1280x1024}x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        # A bare Xvfb has no resources, and while a display has none Xlib
        # reads the resource files again at each lookup: Wine looks up two
        # for every font put into a window's device context. An empty set
        # read once, as a desktop session has its own.
        export XENVIRONMENT=${XENVIRONMENT:-/dev/null}
        return 0
      fi
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null; xvfb_pid=""
  done
  echo "Could not start an Xvfb display" >&2
  return 1
}

stop_display() {
  local p
  for p in "${used_prefixes[@]}"; do WINEPREFIX="$p" wineserver -k >/dev/null 2>&1 || true; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
}

# --- Wine ---------------------------------------------------------------------
# Each build runs only through its own loader: /usr/lib/wine/wine for 32-bit
# programs, /usr/lib/wine/wine64 for 64-bit ones. Debian's `wine` launcher on
# the path is never taken for either: it picks the 32-bit loader whenever wine32
# is installed, even on a kernel that cannot execute it, and the 64-bit one
# when wine32 is missing. CE_WINE_DIR names another folder of loaders (the
# tests' fakes).
wine_loader() { # win32|win64
  local dir=${CE_WINE_DIR:-/usr/lib/wine}
  case $1 in
    win32) [ -x "$dir/wine" ] && echo "$dir/wine" ;;
    win64) [ -x "$dir/wine64" ] && echo "$dir/wine64" ;;
    *) echo "unknown Windows build: $1" >&2; return 1 ;;
  esac
}

# Returns 0 when this machine can run the given build's programs; otherwise
# prints why not and returns 1. Probes by running programs, never from the
# kernel's name: a 32-bit program first (so the reason is the machine's when it
# cannot execute one), then the build's loader. CE_WINE32=0 makes a machine that
# can run 32-bit programs act as one that cannot, so the 64-bit fallback can be
# tested anywhere.
wine_can_run() { # win32|win64
  local loader out
  if [ "$1" = win32 ]; then machine_runs_32bit || return 1; fi
  loader=$(wine_loader "$1") || {
    case $1 in
      win32) echo "wine32 is not installed (no ${CE_WINE_DIR:-/usr/lib/wine}/wine)" ;;
      *) echo "wine64 is not installed (no ${CE_WINE_DIR:-/usr/lib/wine}/wine64)" ;;
    esac
    return 1
  }
  if ! out=$("$loader" --version 2>&1); then
    case $out in
      *"Exec format error"*) echo "this machine cannot execute $( [ "$1" = win32 ] && echo 32 || echo 64)-bit programs ($loader: Exec format error)" ;;
      *) echo "$loader --version failed: $(printf '%s' "$out" | head -n 1)" ;;
    esac
    return 1
  fi
  return 0
}

# The Windows builds this machine runs, 32-bit first: the product is the 32-bit
# editor, the 64-bit one is the fallback. Sets runnable_builds, and says which
# and why in one line.
probe_windows_builds() {
  local why32 why64
  runnable_builds=()
  why32=$(wine_can_run win32) && runnable_builds+=(win32)
  why64=$(wine_can_run win64) && runnable_builds+=(win64)
  case "${runnable_builds[*]}" in
    "win32 win64") echo "Windows builds run here: win32 and win64 (this machine runs 32- and 64-bit programs)" ;;
    win64) echo "Windows builds run here: win64 only; win32 cannot run: $why32" ;;
    win32) echo "Windows builds run here: win32 only; win64 cannot run: $why64" ;;
    *) echo "No Windows build can run here: win32: $why32; win64: $why64" >&2; return 1 ;;
  esac
}

# Sets the environment to run one build's programs with the given prefix, and
# makes the prefix once. With `unmanaged`, its windows are not managed: with no
# window manager on a test display, Wine would otherwise wait for one each time
# a top-level window closes.
use_wine() { # win32|win64 PREFIX [unmanaged]
  WINE_LOADER=$(wine_loader "$1") || return 1
  export WINEPREFIX=$2 WINEARCH=$1 WINELOADER=$WINE_LOADER
  export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making a $1 Wine prefix in $WINEPREFIX" >&2
    mkdir -p "$WINEPREFIX"
    "$WINE_LOADER" wineboot -i >/dev/null 2>&1
    if [ "${3:-}" = unmanaged ]; then
      "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    fi
    wineserver -w
  fi
  # Wine's own Tahoma (package fonts-wine), which the menu and the boxes ask
  # for: a prefix without it gives them a face whose Cyrillic draws wider than
  # it measures, and Russian words come out clipped.
  local font
  for font in tahoma.ttf tahomabd.ttf; do
    if [ -f "/usr/share/wine/fonts/$font" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/$font" ]; then
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
      cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
  done
}

# The tests' prefixes, one per build, inside the build folder.
ce_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
test_wine_prefix() { echo "$ce_top/build/wineprefix-test-$1"; }
run_wine_prefix() { echo "$ce_top/build/wineprefix-$1"; }
