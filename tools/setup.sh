# Shared by ./test and ./run: installs what the build needs from the
# distribution's packages, and runs an Xvfb display for Wine.

need_pkgs=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

ensure_packages() {
  local want=(cmake make g++ googletest libbenchmark-dev mingw-w64 g++-mingw-w64-i686-posix
              wine wine32:i386 fonts-wine fonts-liberation xvfb x11-utils imagemagick libstb-dev libcli11-dev nlohmann-json3-dev)
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
start_display() {
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null; xvfb_pid=""
  done
  echo "Could not start an Xvfb display" >&2
  return 1
}

stop_display() {
  if [ -n "${WINEPREFIX:-}" ]; then WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true; fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
}

# A Wine prefix of the tests' own, made once (the first start of Wine is slow).
# Its windows are not managed: with no window manager on the test display, Wine
# would otherwise wait for one each time a top-level window closes.
prepare_wine_prefix() {
  export CE_WINEPREFIX="$PWD/build/wineprefix-test"
  export WINEPREFIX="$CE_WINEPREFIX"
  export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all WINEARCH=win32
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making a Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
  fi
}
