# Sourced by the test, demo and bench scripts: a Wine prefix of the project's own inside the
# build tree, an X display (Xvfb when there is none), and a warmed-up wineserver. The tests also
# use a second, 32-bit prefix beside it (wine32_up), which has its own wineserver.
# Usage: source scripts/wine-env.sh BUILD_DIR ; wine_up ; [wine32_up ;] ... ; wine_down

WINE_BUILD_DIR=$(cd "$1" && pwd)
export WINEPREFIX="$WINE_BUILD_DIR/wineprefix"
export WINEARCH=win64
PENDRIX_WINEPREFIX32="$WINE_BUILD_DIR/wineprefix32"
PENDRIX_WINE32_UP=""
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
PENDRIX_XVFB_PID=""
source "$(dirname "${BASH_SOURCE[0]}")/sound-sink.sh"

# Starts Xvfb on a free display number unless a display is already there.
start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n=91
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  PENDRIX_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
  echo "wine-env: Xvfb did not start on :$n" >&2
  return 1
}

# Creates the prefix (of WINEPREFIX and WINEARCH) once, and marks it ready so that later runs
# reuse it: no window manager delay, the fonts Wine lacks.
make_prefix() {
  [ -f "$WINEPREFIX/.pendrix-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d Y /f >/dev/null 2>&1 </dev/null
  wineserver -w
  touch "$WINEPREFIX/.pendrix-ready"
}

# Fonts that Wine's prefix lacks: Tahoma for the dialogs, Marlett for the title-bar buttons.
add_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" font
  mkdir -p "$fonts"
  for font in tahoma.ttf tahomabd.ttf marlett.ttf; do
    [ -e "$fonts/$font" ] || cp "/usr/share/wine/fonts/$font" "$fonts/" 2>/dev/null || true
  done
}

# The build tree as a drive of its own (Q:), so that the programs and packages in it lie below a
# root that only this user can write, as a package does that is run from an administrator's
# folder on Windows. Wine reads a folder's access from its Unix mode: a clone under /tmp would put
# every test package below a folder that everybody may change, which an elevated run rightly
# refuses to trust.
map_build_drive() {
  ln -sfn "$WINE_BUILD_DIR" "$WINEPREFIX/dosdevices/q:"
}

# Makes the prefix ready and starts its wineserver and services outside of ctest's pipes.
prefix_up() {
  make_prefix
  add_fonts
  map_build_drive
  wineserver -p >/dev/null 2>&1 </dev/null
  wine wineboot >/dev/null 2>&1 </dev/null
}

# Everything a test run needs.
wine_up() {
  start_display || return 1
  sound_up || return 1
  prefix_up
}

# The 32-bit prefix of the tests that run a package on a 32-bit Windows; the tests find it
# in the build tree.
wine32_up() {
  (export WINEPREFIX="$PENDRIX_WINEPREFIX32" WINEARCH=win32; prefix_up)
  PENDRIX_WINE32_UP=1
}

wine_down() {
  if [ -n "$PENDRIX_WINE32_UP" ]; then
    WINEPREFIX="$PENDRIX_WINEPREFIX32" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$PENDRIX_WINEPREFIX32" wineserver -w >/dev/null 2>&1 || true
  fi
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  sound_down
  if [ -n "$PENDRIX_XVFB_PID" ]; then kill "$PENDRIX_XVFB_PID" 2>/dev/null || true; wait "$PENDRIX_XVFB_PID" 2>/dev/null || true; fi
}
