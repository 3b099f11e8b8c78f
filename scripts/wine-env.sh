#!/usr/bin/env bash
# Wine environment of one build folder: a private prefix, a home of its own
# (the prefix's Desktop and Documents link to $HOME, the Recycle Bin is the
# XDG trash) and one virtual display. Source it with the build folder:
#   . scripts/wine-env.sh build [FOLDER]
# then call qv_wine_start before running binaries and qv_wine_stop after.
# The prefix and its home lie in build/wine (the tests') or in FOLDER (the
# user's, apart: a user's state never changes a test, nor a test the user's).

QV_BUILD_DIR=$(mkdir -p "$1" && cd "$1" && pwd)
QV_WINE_DIR="$QV_BUILD_DIR/wine"
QV_PREFIX_DIR=$(mkdir -p "${2:-$QV_WINE_DIR}" && cd "${2:-$QV_WINE_DIR}" && pwd)
# The build's own loader (32- or 64-bit) comes first as `wine`.
export PATH="$QV_WINE_DIR/bin:/usr/lib/wine:$PATH"
export WINEPREFIX="$QV_PREFIX_DIR/prefix"
WINEARCH=$(cat "$QV_WINE_DIR/arch" 2>/dev/null || echo win32)
export WINEARCH
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winealsa.drv=d;mscoree=d;mshtml=d}"
export HOME="$QV_PREFIX_DIR/home"
export XDG_DATA_HOME="$QV_PREFIX_DIR/home/.local/share"
export XDG_CONFIG_HOME="$QV_PREFIX_DIR/home/.config"
export XDG_CACHE_HOME="$QV_PREFIX_DIR/home/.cache"
QV_XVFB_PID=""

# With "detached" the display gets a session of its own: it outlives the
# caller and a Ctrl-C on the caller's terminal does not reach it.
qv_display_start() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${QV_FORCE_XVFB:-}" ]; then
    return 0
  fi
  local fifo session=""
  [ "${1:-}" = detached ] && session=setsid
  fifo=$(mktemp -u "$QV_PREFIX_DIR/displayfd.XXXXXX")
  mkfifo "$fifo"
  $session Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" </dev/null >/dev/null 2>&1 &
  QV_XVFB_PID=$!
  local num=""
  read -r -t 20 num <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$num" ]; then
    # Slow rather than dead, it would start later with nobody to end it.
    kill "$QV_XVFB_PID" 2>/dev/null
    wait "$QV_XVFB_PID" 2>/dev/null
    QV_XVFB_PID=""
    echo "wine-env: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$num"
}

# Makes the prefix once; later runs reuse it. The prefix reports Windows XP,
# the newest version the programs know.
qv_wine_init() {
  mkdir -p "$HOME" "$XDG_DATA_HOME"
  if [ -f "$WINEPREFIX/.qv-ready" ]; then
    return 0
  fi
  rm -rf "$WINEPREFIX"
  echo "wine-env: creating the Wine prefix (once per build folder)"
  timeout 300 wine wineboot --init </dev/null >"$QV_PREFIX_DIR/wineboot.log" 2>&1 || {
    echo "wine-env: wineboot failed" >&2; tail -20 "$QV_PREFIX_DIR/wineboot.log" >&2; return 1; }
  timeout 60 wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f </dev/null >>"$QV_PREFIX_DIR/wineboot.log" 2>&1
  timeout 60 wineserver -w
  touch "$WINEPREFIX/.qv-ready"
}

# Imports REGEDIT4 text from stdin into the prefix: one Wine start for many values.
qv_reg_import() {
  local dir="$WINEPREFIX/drive_c/windows/temp"
  mkdir -p "$dir" && cat >"$dir/qv-import.reg" || return 1
  timeout 120 wine regedit /s 'C:\windows\temp\qv-import.reg' </dev/null
}

qv_wine_start() {
  mkdir -p "$QV_WINE_DIR"
  qv_display_start || return 1
  qv_wine_init || return 1
  # One persistent server for the whole run; its output never reaches a caller's pipe.
  wineserver -p </dev/null >/dev/null 2>&1 || true
}

qv_wine_stop() {
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
  timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
  if [ -n "$QV_XVFB_PID" ]; then
    kill "$QV_XVFB_PID" 2>/dev/null || true
    wait "$QV_XVFB_PID" 2>/dev/null || true
    QV_XVFB_PID=""
  fi
}
