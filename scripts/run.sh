#!/usr/bin/env bash
# Builds the suite if a source changed and starts one deliverable under Wine,
# in the user's prefix (build/user/prefix; build64/user/prefix on a machine
# that cannot run 32-bit programs; QV_USER_DIR=FOLDER puts it in
# FOLDER/prefix), apart from the tests' prefix:
#   scripts/run.sh Blokkum [ARGS...]
#   scripts/run.sh Blokkum --serve   as a user who configured Internet Explorer
#                                    and switched catching on: the proxy serves
#                                    on 127.0.0.1:8100 with nobody answering boxes
#   scripts/run.sh --reinstall PROGRAM [ARGS...]   installs the build again first
#   scripts/run.sh --no-build PROGRAM [ARGS...]    runs the last build as it is
#   scripts/run.sh --end PROGRAM     ends that program of the prefix as its own
#                                    Exit does (after a run that was killed)
# The COM libraries are registered (or, with /u, unregistered) in the same prefix:
#   scripts/run.sh regsvr32 Tasklatch [/u]
# Each build is installed into the prefix before its first program starts.
# Ctrl-C (or TERM, HUP) asks the program to end as its own Exit or close does
# and waits for its shut-down; only a program still running after the grace
# time (QV_END_GRACE seconds, 15), or a second Ctrl-C, forces it.
# A run ends only what it started: the prefix's Wine server ends by itself
# after its last program, and a virtual display (used when there is no
# DISPLAY) when no program and no run uses it any more, however they ended.
# Wine's own messages go to user/wine.log, the programs' to the terminal.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
build=$(qv_runnable_build)
user="${QV_USER_DIR:-$build/user}"
QV_PROGRAMS=(Blokkum Veilrun Grindel Swiftlane Bootlist Blokkout TaskList)
QV_LIBRARIES=(Tasklatch Grindhook Blokkjack)

mode=run
while :; do
  case "${1:-}" in
    --reinstall) mode=reinstall; shift ;;
    --no-build) no_build=1; shift ;;
    --end) mode=end; shift ;;
    *) break ;;
  esac
done
if [ $# -lt 1 ]; then
  echo "usage: scripts/run.sh [--reinstall] [--no-build] PROGRAM [ARGS...] | scripts/run.sh --end PROGRAM" >&2
  echo "       scripts/run.sh regsvr32 LIBRARY [/u]" >&2
  echo "  programs:  ${QV_PROGRAMS[*]}" >&2
  echo "  libraries: ${QV_LIBRARIES[*]} (installed and registered already; for regsvr32)" >&2
  exit 2
fi
prog="$1"; shift
first_arg="${1:-}"
run_args=("$@")
case " ${QV_PROGRAMS[*]} regsvr32 " in
  *" $prog "*) ;;
  *) echo "run.sh: no program named $prog (programs: ${QV_PROGRAMS[*]})" >&2; exit 2 ;;
esac

# How each program is asked to end as its own Exit or close does: the class
# of its window that takes the message, the message and its wParam. Blokkum
# gets what its browser helper posts when the last browser closes, its Exit
# without the question nobody may be there to answer; Veilrun its tray menu's
# Exit; Grindel's scheduled mode the end of the session, which it hears on
# its one window; the others their close box. The rest has no window: it
# ends by itself.
end_request() {
  case "$prog" in
    Blokkum) echo "QuorvaneBlokkumHidden 0x8016 0" ;;
    Veilrun) echo "#32770 0x0111 9002" ;;
    Grindel) if scheduled_run "$@"; then echo "QuorvaneGrindelSession 0x0011 0"; else echo "#32770 0x0112 0xF060"; fi ;;
    Swiftlane | Bootlist) echo "#32770 0x0112 0xF060" ;;
    *) return 1 ;;
  esac
}
scheduled_run() {
  local a
  for a in "$@"; do [ "$a" = /s ] && return 0; done
  return 1
}
# Whether the run shows a window, where the display hint helps.
shows_window() {
  case "$prog" in
    Blokkout | TaskList | regsvr32) return 1 ;;
    Grindel) ! scheduled_run "$@" ;;
    *) return 0 ;;
  esac
}
program_file() { echo "C:\\Program Files\\Quorvane\\$prog\\$prog.exe"; }
grace="${QV_END_GRACE:-15}"

# A build is due when the sources differ from those the last successful build
# was made from (the build keeps their fingerprint): a build folder or prefix
# made in the checkout, or a file touched without a change, calls for none.
. "$root/scripts/state.sh"
if [ $mode != end ] && [ -z "${no_build:-}" ] &&
   [ "$(cat "$build/.qv-sources" 2>/dev/null)" != "$(qv_source_state "$root" "${QV_BUILD_DIR:-$root/build}" "$build")" ]; then
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
if ! qv_runs_32bit && [ $mode != end ]; then
  echo "run.sh: this machine cannot run 32-bit programs; running the 64-bit build of the same sources" >&2
fi

. "$root/scripts/wine-env.sh" "$build" "$user"
log="$user/wine.log"
ender="$build/tools/EndProgram.exe"

# Asks the program to end (see end_request) and waits up to WAIT_MS; the rest
# of the arguments go to EndProgram (the run's start, /force). Its status:
# 0 ended, 2 not running, 3 no window to ask, 4 still running, 5 forced.
ask_to_end() {
  local request wait_ms=$1
  shift
  request=$(end_request "${run_args[@]}") || request="- 0 0"
  [ -f "$ender" ] || return 3
  # shellcheck disable=SC2086
  wine "$ender" "$(program_file)" $request "$wait_ms" "$@" </dev/null 9>&- >>"$log" 2>&1
}

if [ $mode = end ]; then
  # Nothing of the prefix runs without its server: nothing to end then.
  if [ ! -f "$WINEPREFIX/.qv-ready" ] || timeout 1 wineserver -w </dev/null >/dev/null 2>&1; then
    echo "run.sh: $prog is not running in $WINEPREFIX" >&2
    exit 0
  fi
  if [ -z "${DISPLAY:-}" ] && [ -f "$user/display" ]; then
    read -r num _ <"$user/display" && export DISPLAY="$num"
  fi
  [ -f "$ender" ] || { echo "run.sh: $ender is missing: build the suite first" >&2; exit 1; }
  ask_to_end $((grace * 1000)) /force
  case $? in
    0) echo "run.sh: $prog ended" >&2 ;;
    2) echo "run.sh: $prog is not running in $WINEPREFIX" >&2 ;;
    5) echo "run.sh: $prog did not end within $grace s of being asked (or has no window to ask): it was forced" >&2 ;;
    *) echo "run.sh: $prog could not be ended (see $log)" >&2; exit 1 ;;
  esac
  exit 0
fi

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
# on this terminal reaches this script, which ends that program alone, as
# the program's own Exit or close does; see end_request).
child=""
forcing=""
# The start of the child, in milliseconds since 1970: EndProgram tells the
# run's own process from others of the same program by it.
child_started() {
  local stat ticks boot
  stat=$(cat "/proc/$child/stat" 2>/dev/null) || return 1
  # shellcheck disable=SC2086
  set -- ${stat##*) }
  ticks=${20}
  boot=$(awk '/^btime/ { print $2 }' /proc/stat)
  echo $((boot * 1000 + ticks * 1000 / $(getconf CLK_TCK)))
}
# Running, not a zombie that this shell has yet to reap.
child_alive() {
  local stat
  [ -n "$child" ] && stat=$(cat "/proc/$child/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}
end_child() {
  child_alive || { child=""; return 0; }
  trap 'forcing=1' INT TERM HUP
  local started asked=""
  started=$(child_started)
  ask_to_end 0 ${started:+"$started"}
  case $? in
    0) ;;
    4) asked=1
       echo "run.sh: asked $prog to end the way its own Exit or close does; waiting for it (Ctrl-C again forces it)" >&2 ;;
    *) echo "run.sh: $prog has no window to ask; waiting up to $grace s for it to end (Ctrl-C again forces it)" >&2 ;;
  esac
  local tenths=$((grace * 10))
  while child_alive && [ -z "$forcing" ] && [ $tenths -gt 0 ]; do
    sleep 0.1
    tenths=$((tenths - 1))
  done
  child_alive || { child=""; return 0; }
  if [ -n "$forcing" ]; then
    echo "run.sh: forcing $prog to end, as asked" >&2
  elif [ -n "$asked" ]; then
    echo "run.sh: $prog did not end within $grace s of being asked to; forcing it" >&2
  else
    echo "run.sh: $prog did not end within $grace s; forcing it" >&2
  fi
  # Disowned first: the shell would announce the kill in a line of its own.
  disown "$child" 2>/dev/null
  kill -KILL "$child" 2>/dev/null
  child=""
}
stop_traps() {
  trap 'end_child; exit 130' INT
  trap 'end_child; exit 143' TERM
  trap 'end_child; exit 129' HUP
}
stop_traps
trap end_child EXIT
run_wine() {
  setsid wine "$@" </dev/null 9>&- 2> >(exec 9>&-; wine_noise_to_log) &
  child=$!
  # A program that fails to start ends within this; one that runs gets the hint.
  local tenths=10
  while child_alive && [ $tenths -gt 0 ]; do sleep 0.1; tenths=$((tenths - 1)); done
  child_alive && display_hint
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
  virtual_display=1
}
# Said once the program runs, and only where it shows a window. The picture
# goes outside the checkout: a file there would count as a changed source.
display_hint() {
  [ -n "${virtual_display:-}" ] && shows_window "${run_args[@]}" || return 0
  echo "run.sh: no display here: the windows are on the virtual display $DISPLAY; to look at them:" >&2
  echo "  DISPLAY=$DISPLAY import -window root ${TMPDIR:-/tmp}/screen.png" >&2
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
# Installed again only when the products differ from those installed last
# (or when asked to: a program deleted from the prefix comes back).
[ $mode = reinstall ] && rm -f "$user/.qv-installed"
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
  echo "run.sh: $prog.exe is missing from $folder; 'bash scripts/run.sh --reinstall $prog' installs the build again" >&2
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
