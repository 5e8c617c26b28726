# Shared by ./test, ./run, cmake/wine-run and the timing scripts: installs what
# the build needs from the distribution's packages, runs an Xvfb display for
# Wine, and knows which Windows builds this machine can run and how to start
# them. Sourcing it only defines functions.

need_pkgs=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

ensure_packages() {
  local want=(cmake make g++ googletest libbenchmark-dev mingw-w64 g++-mingw-w64-i686-posix
              g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 fonts-wine fonts-liberation xvfb x11-utils imagemagick libstb-dev libcli11-dev nlohmann-json3-dev)
  need_pkgs=()
  for p in "${want[@]}"; do have_pkg "$p" || need_pkgs+=("$p"); done
  [ ${#need_pkgs[@]} -eq 0 ] && return 0
  echo "Installing: ${need_pkgs[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then SUDO=sudo; else
      echo "These packages are missing and this user cannot install them: ${need_pkgs[*]}" >&2
      return 1
    fi
  else SUDO=""; fi
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -q i386; then $SUDO dpkg --add-architecture i386; fi
  $SUDO apt-get update -qq || { echo "apt-get update failed" >&2; return 1; }
  $SUDO apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" >/dev/null \
    || { echo "Could not install: ${need_pkgs[*]}" >&2; return 1; }
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
# Debian's `wine` launcher picks the 32-bit loader whenever wine32 is installed,
# even on a kernel that cannot execute it; so each build calls its own loader.
# CE_WINE_DIR names another folder of loaders (the tests' fakes).
wine_loader() { # win32|win64
  local l dir=${CE_WINE_DIR:-/usr/lib/wine}
  case $1 in
    win32) l=$dir/wine; [ -x "$l" ] || [ -n "${CE_WINE_DIR:-}" ] || l=$(command -v wine 2>/dev/null) ;;
    win64) l=$dir/wine64; [ -x "$l" ] || [ -n "${CE_WINE_DIR:-}" ] || l=$(command -v wine64 2>/dev/null) ;;
    *) echo "unknown Windows build: $1" >&2; return 1 ;;
  esac
  [ -n "$l" ] && [ -x "$l" ] && echo "$l"
}

# Returns 0 when this machine can run the given build's programs; otherwise
# prints why not and returns 1. Probes by running the loader, never from the kernel's
# name. CE_WINE32=0 makes a machine that can run 32-bit programs act as one that
# cannot, so the 64-bit fallback can be tested anywhere.
wine_can_run() { # win32|win64
  local loader out
  if [ "$1" = win32 ] && [ "${CE_WINE32:-}" = 0 ]; then
    echo "CE_WINE32=0 is set"; return 1
  fi
  loader=$(wine_loader "$1") || { echo "no Wine loader for $1 programs is installed"; return 1; }
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
}

# The tests' prefixes, one per build, inside the build folder.
ce_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
test_wine_prefix() { echo "$ce_top/build/wineprefix-test-$1"; }
run_wine_prefix() { echo "$ce_top/build/wineprefix-$1"; }
