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
# No menu builder: started for every shortcut a program saves, it reads the
# shortcut in the background (the programs' own Startup shortcuts among them)
# while the program may move or delete it, and makes desktop menus nobody uses.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winealsa.drv=d;mscoree=d;mshtml=d;winemenubuilder.exe=d}"
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

# The places of a prefix that programs change, as Wine made them: the
# registry, the profile folders (Startup folders, application data, temporary
# files), the Windows folder's own files (win.ini among them), its Tasks and
# temp folders, the HOSTS file's folder, and the home (desktop, documents,
# trash). Wine's program files are neither kept nor put back.
qv_pristine_places() {
  (
    cd "$QV_PREFIX_DIR" || exit 1
    printf '%s\n' prefix/system.reg prefix/user.reg prefix/userdef.reg home
    # By any letter case, as Windows names them (Wine made "tasks").
    find prefix/drive_c -mindepth 1 -maxdepth 1 \( -iname users -o -iname programdata \)
    find prefix/drive_c/windows -mindepth 1 -maxdepth 1 \( -iname tasks -o -iname temp -o -type f \)
    find prefix/drive_c/windows -mindepth 3 -maxdepth 3 -ipath '*/system32/drivers/etc'
  )
}

# Puts those places of the prefix back as they were when Wine made it (kept
# in pristine/ beside it, made with the prefix), and takes away what was added
# at the top of C: and of the Windows folder since: whatever an earlier run
# changed or left behind, even one cut short, the next starts from the same
# state. A prefix made before such a copy was kept, or by another Wine
# version, is made anew. The prefix's server must not run meanwhile: the
# registry files are its own while it runs, and it writes them when it ends.
qv_wine_pristine() {
  local kept="$QV_WINE_DIR/pristine" version
  version=$(wine --version 2>&1)
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1
  timeout 30 wineserver -w </dev/null >/dev/null 2>&1
  if [ ! -f "$kept/places" ] || [ "$(cat "$kept/wine-version" 2>/dev/null)" != "$version" ] ||
     [ ! -f "$WINEPREFIX/.qv-ready" ]; then
    rm -rf "$kept" "$QV_PREFIX_DIR/home"
    rm -f "$WINEPREFIX/.qv-ready"
    qv_wine_init || return 1
    mkdir -p "$kept.new" || return 1
    local places=()
    mapfile -t places < <(qv_pristine_places)
    (cd "$QV_PREFIX_DIR" && tar -cf "$kept.new/places.tar" --ignore-failed-read "${places[@]}" 2>/dev/null) &&
      printf '%s\n' "${places[@]}" >"$kept.new/places" &&
      ls -A "$WINEPREFIX/drive_c" >"$kept.new/top-of-c" &&
      ls -A "$WINEPREFIX/drive_c/windows" >"$kept.new/top-of-windows" &&
      echo "$version" >"$kept.new/wine-version" &&
      mv "$kept.new" "$kept" || { echo "wine-env: keeping the prefix's first state failed" >&2; return 1; }
    return 0
  fi
  (
    cd "$QV_PREFIX_DIR" || exit 1
    # The places named now too: a file added to the Windows folder since goes.
    { cat "$kept/places"; qv_pristine_places; } | sort -u | xargs -r -d '\n' rm -rf -- || exit 1
    tar -xf "$kept/places.tar" || exit 1
    local top entry
    for top in c:drive_c windows:drive_c/windows; do
      ls -A "prefix/${top#*:}" | LC_ALL=C sort | LC_ALL=C comm -23 - <(LC_ALL=C sort "$kept/top-of-${top%%:*}") |
        while IFS= read -r entry; do rm -rf -- "prefix/${top#*:}/$entry"; done
    done
  ) || { echo "wine-env: putting the prefix back as Wine made it failed" >&2; return 1; }
}

# Imports REGEDIT4 text from stdin into the prefix: one Wine start for many values.
qv_reg_import() {
  local dir="$WINEPREFIX/drive_c/windows/temp"
  mkdir -p "$dir" && cat >"$dir/qv-import.reg" || return 1
  timeout 120 wine regedit /s 'C:\windows\temp\qv-import.reg' </dev/null
}

# With "pristine", the prefix is put back as Wine made it first (see qv_wine_pristine).
qv_wine_start() {
  mkdir -p "$QV_WINE_DIR"
  qv_display_start || return 1
  if [ "${1:-}" = pristine ]; then
    qv_wine_pristine || return 1
  else
    qv_wine_init || return 1
  fi
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
