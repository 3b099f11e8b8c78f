#!/usr/bin/env bash
# Builds the suite if a source changed and starts one deliverable under Wine,
# in the user's prefix (build/user/prefix; build64/user/prefix on a machine
# that cannot run 32-bit programs), apart from the tests' prefix:
#   scripts/run.sh Blokkum [ARGS...]
#   scripts/run.sh Blokkum --serve   as a user who configured Internet Explorer
#                                    and switched catching on: the proxy serves
#                                    on 127.0.0.1:8100 with nobody answering boxes
# The COM libraries are registered (or, with /u, unregistered) in the same prefix:
#   scripts/run.sh regsvr32 Tasklatch [/u]
# Each build is installed into the prefix before its first program starts.
# A run ends only what it started: the prefix's Wine server ends by itself
# after its last program, and a virtual display (used when there is no
# DISPLAY) when no program and no run uses it any more, however they ended.
# Wine's own messages go to user/wine.log, the programs' to the terminal.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
build=$(qv_runnable_build)
user="$build/user"
QV_PROGRAMS=(Blokkum Veilrun Grindel Swiftlane Bootlist Blokkout TaskList)
QV_LIBRARIES=(Tasklatch Grindhook Blokkjack)

if [ $# -lt 1 ]; then
  echo "usage: scripts/run.sh PROGRAM [ARGS...] | scripts/run.sh regsvr32 LIBRARY [/u]" >&2
  echo "  programs:  ${QV_PROGRAMS[*]}" >&2
  echo "  libraries: ${QV_LIBRARIES[*]} (installed and registered already; for regsvr32)" >&2
  exit 2
fi
prog="$1"; shift
first_arg="${1:-}"
case " ${QV_PROGRAMS[*]} regsvr32 " in
  *" $prog "*) ;;
  *) echo "run.sh: no program named $prog (programs: ${QV_PROGRAMS[*]})" >&2; exit 2 ;;
esac

# A build is due when the sources differ from those the last successful build
# was made from (the build keeps their fingerprint): a build folder or prefix
# made in the checkout, or a file touched without a change, calls for none.
. "$root/scripts/state.sh"
if [ "$(cat "$build/.qv-sources" 2>/dev/null)" != "$(qv_source_state "$root" "${QV_BUILD_DIR:-$root/build}" "$build")" ]; then
  mkdir -p "$build"
  buildlog="$build/build.log"
  if [ -f "$build/CMakeCache.txt" ]; then
    echo "run.sh: rebuilding what changed since the last build (compiler output: $buildlog)" >&2
  else
    # The build runs it as well, but into its log: before a first build what
    # it installs shows here.
    bash "$root/scripts/setup.sh" || exit 1
    if qv_runs_32bit; then
      echo "run.sh: building the suite for the first time, about 5 minutes (compiler output: $buildlog)" >&2
    else
      echo "run.sh: building the suite for the first time, about 10 minutes: the 32-bit products, then the" \
           "64-bit build of the same sources that runs on this machine (compiler output: $buildlog)" >&2
    fi
  fi
  if ! bash "$root/scripts/build.sh" >"$buildlog" 2>&1; then
    echo "run.sh: the build failed; its last lines (all of them in $buildlog):" >&2
    tail -n 25 "$buildlog" >&2
    exit 1
  fi
fi
if ! qv_runs_32bit; then
  echo "run.sh: this machine cannot run 32-bit programs; running the 64-bit build of the same sources" >&2
fi

. "$root/scripts/wine-env.sh" "$build" "$user"
log="$user/wine.log"

# Wine's own lines (loader, debug channels, X) go to the log; the rest passes.
wine_noise_to_log() {
  local line
  while IFS= read -r line; do
    case "$line" in
      wine:* | *fixme:* | *err:* | *warn:* | *trace:* | "X connection"* | *winediag*) printf '%s\n' "$line" >>"$log" ;;
      *) printf '%s\n' "$line" >&2 ;;
    esac
  done
}

# Runs one Windows program of the prefix in a session of its own (a Ctrl-C
# on this terminal reaches this script, which ends that program alone).
child=""
end_child() { [ -n "$child" ] && kill "$child" 2>/dev/null; }
stop_traps() {
  trap 'end_child; exit 130' INT
  trap 'end_child; exit 143' TERM HUP
}
stop_traps
trap end_child EXIT
run_wine() {
  setsid wine "$@" </dev/null 9>&- 2> >(exec 9>&-; wine_noise_to_log) &
  child=$!
  wait "$child"
  local rc=$?
  child=""
  return $rc
}

# One virtual display per prefix, shared by its runs. Every run holds a shared
# lock while it runs. The display comes with a keeper of its own, in a session
# of its own, that ends it once no run holds the lock and the prefix's server
# has ended: however a run ends (its program's exit, Ctrl-C, a kill, even one
# that leaves it no last word, a failed start), the display goes with the last
# of them. Runs starting together take turns at the display through a second lock.
lock="$user/display.lock"
display_file="$user/display"
mkdir -p "$user"
exec 9>"$lock"
use_display() {
  [ -n "${DISPLAY:-}" ] && { flock -s 9; return 0; }
  exec 8>"$lock.start"
  flock -x 8
  flock -s 9  # waits while a keeper ends the old display
  local num="" pid=""
  [ -f "$display_file" ] && read -r num pid <"$display_file"
  if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
    export DISPLAY="$num"
  else
    # A stop between the display's start and its keeper's would leave it to nobody.
    local stop=""
    trap 'stop=130' INT
    trap 'stop=143' TERM HUP
    qv_display_start detached 8>&- 9>&- && keep_display
    local started=$?
    stop_traps
    [ -n "$stop" ] && exit "$stop"
    [ $started = 0 ] || return 1
  fi
  exec 8>&-
  echo "run.sh: no display here: the windows are on the virtual display $DISPLAY; to look at them:" >&2
  echo "  DISPLAY=$DISPLAY import -window root screen.png" >&2
  if [ "$prog" = Blokkum ] && [ "$first_arg" != --serve ]; then
    echo "run.sh: nobody can answer Blokkum's questions there; to let it serve unattended, start it with" \
         "'bash scripts/run.sh Blokkum --serve'" >&2
  fi
}
# The keeper of the display just started: it waits for the lock alone (this
# run holds it until it ends) and for no server to run, and then ends the
# display. It ends with the display too, should the display end by itself.
keep_display() {
  echo "$DISPLAY $QV_XVFB_PID" >"$display_file"
  # shellcheck disable=SC2016
  setsid bash -c '
    exec 9>"$1"
    while :; do
      flock -x 9
      [ "$(cat "/proc/$2/comm" 2>/dev/null)" = Xvfb ] || break
      if timeout 2 wineserver -w; then kill "$2"; break; fi  # no server: nothing of the prefix runs
      flock -u 9
      timeout 86400 wineserver -w
      sleep 1
    done
    read -r _ pid <"$3" && [ "$pid" = "$2" ] && rm -f "$3"' _ "$lock" "$QV_XVFB_PID" "$display_file" \
    </dev/null >/dev/null 2>&1 8>&- 9>&- &
}

# What a user does before Blokkum can serve unattended: Internet Explorer set to
# Blokkum's proxy (as the set-up wizard leaves it), catching switched on, and
# no start-up notice or wizard question waiting for an answer.
serve_prepare() {
  sed -i 's/^PopupCheckDisabled=.*/PopupCheckDisabled=0/' "$1/QVINI.ini" || return 1
  qv_reg_import <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]
"ProxyEnable"=dword:00000001
"ProxyServer"="http=qvblokkum:8100"
"ProxyOverride"="local"

[HKEY_CURRENT_USER\Software\Quorvane Blokkum]
"Wizard Message"="N"
"ShowAtStart"=dword:00000000

[HKEY_CURRENT_USER\Software\Quorvane Blokkum\Proxy Setting]
"Lan Is Configured"=dword:00000001
EOF
}

use_display || exit 1
qv_wine_init >&2 9>&- || exit 1
# Installed again only when the products differ from those installed last.
if [ "$(cat "$user/.qv-installed" 2>/dev/null)" != "$(qv_tree_state "$build/products")" ]; then
  echo "run.sh: installing this build into $WINEPREFIX" >&2
  bash "$root/scripts/install.sh" "$build" "$user" 9>&- || exit 1
fi

if [ "$prog" = regsvr32 ]; then
  lib="${1:-}"; shift || true
  dll=$(ls "$WINEPREFIX/drive_c/Program Files/Quorvane"/*/"$lib.dll" \
           "$WINEPREFIX/drive_c/windows/system32/$lib.dll" 2>/dev/null | head -n 1)
  if [ -z "$lib" ] || [ -z "$dll" ]; then
    echo "run.sh: no library named '$lib' (libraries: ${QV_LIBRARIES[*]})" >&2
    exit 2
  fi
  # By its path inside the prefix, as the installer registered it.
  dll="C:\\${dll#"$WINEPREFIX/drive_c/"}"
  run_wine regsvr32 /s "$@" "${dll//\//\\}"
  rc=$?
  [ $rc -eq 0 ] && echo "run.sh: regsvr32 ${*:+$* }$lib.dll done" || echo "run.sh: regsvr32 ${*:+$* }$lib.dll failed ($rc)" >&2
  exit $rc
fi

folder="$WINEPREFIX/drive_c/Program Files/Quorvane/$prog"
if [ ! -f "$folder/$prog.exe" ]; then
  echo "run.sh: $prog.exe is missing from $folder: the install did not put it there" >&2
  exit 1
fi
if [ "$prog" = Blokkum ] && [ "${1:-}" = --serve ]; then
  shift
  serve_prepare "$folder" >>"$log" 2>&1 9>&- ||
    { echo "run.sh: preparing the prefix for --serve failed (see $log)" >&2; exit 1; }
  echo "run.sh: Blokkum serves on 127.0.0.1:8100 once started; Ctrl-C ends it" >&2
fi
cd "$folder"
run_wine "$folder/$prog.exe" "$@"
