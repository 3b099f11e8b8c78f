#!/usr/bin/env bash
# The run script's end of a run, as a user meets it in a fresh prefix of its
# own on a virtual display: a Ctrl-C (or TERM) ends the program the way its
# own Exit or close does (Veilrun gives Internet Explorer back and removes its
# autostart value, as only its Exit does), a program that does not end when
# asked is forced after the grace time, saying so, and only a run that shows
# a window gets the display hint.
#   RunEndCheck.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
main=$BASHPID
in_prefix() { (. "$root/scripts/wine-env.sh" "$build" "$work" >/dev/null && "$@"); }
# Only the check itself clears its folder, never a subshell of it.
cleanup() {
  [ "$BASHPID" = "$main" ] || return 0
  in_prefix timeout 30 wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
# Jobs of their own: a background job of a shell without job control ignores INT.
set -m
unset DISPLAY
export QV_USER_DIR="$work" QV_BUILD_DIR="$build" QV_BUILD64_DIR="$build"

ie_value() {
  in_prefix wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' /v "$1" 2>/dev/null |
    awk -v v="$1" '$1 == v { print $3 }' | tr -d '\r'
}
autostart() {
  in_prefix wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v QuorvaneAnonymousServer >/dev/null 2>&1
}
# The program's own process in this prefix.
program_pid() {
  local p
  for p in $(pgrep -f "$1.exe"); do
    grep -qz "^WINEPREFIX=$work/prefix$" "/proc/$p/environ" 2>/dev/null && { echo "$p"; return 0; }
  done
  return 1
}
# until SECONDS COMMAND...: true once the command is.
until_true() {
  local limit=$(($1 * 10))
  shift
  while ! "$@"; do
    limit=$((limit - 1))
    [ $limit -gt 0 ] || return 1
    sleep 0.1
  done
}
shows_hint() { grep -q 'import -window root' "$work/out"; }
ie_set() { [ "$(ie_value ProxyEnable)" = 0x1 ]; }

# program | signal | grace | what to do once it runs | what the output says
while IFS='|' read -r prog signal grace action expect; do
  args=()
  [ "$prog" = Blokkum ] && args=(--serve)
  env QV_END_GRACE="$grace" bash "$root/scripts/run.sh" --no-build "$prog" "${args[@]}" >"$work/out" 2>&1 &
  run=$!
  # The first run makes the prefix and installs the build.
  until_true 240 shows_hint || fail "$prog: no display hint while it runs"
  case "$action" in
    ie) until_true 30 ie_set || fail "$prog did not set Internet Explorer's proxy" ;;
    stop) kill -STOP "$(program_pid "$prog")" || fail "$prog: no process to stop" ;;
  esac
  kill -"$signal" "$run"
  wait "$run"
  grep -q "$expect" "$work/out" || { cat "$work/out"; fail "$prog: the run did not say '$expect'"; }
  program_pid "$prog" >/dev/null && fail "$prog still runs after its run ended"
  if [ "$action" = ie ]; then
    [ "$(ie_value ProxyEnable)" = 0x0 ] || fail "$prog left Internet Explorer's proxy on"
    autostart && fail "$prog kept its autostart value: its Exit did not run"
  fi
  if [ "$expect" != forcing ] && grep -q forcing "$work/out"; then cat "$work/out"; fail "$prog was forced"; fi
done <<'TABLE'
Veilrun|INT|15|ie|asked Veilrun to end
Blokkum|TERM|15|-|asked Blokkum to end
Swiftlane|INT|1|stop|forcing
TABLE

# A run without a window says nothing of the display.
bash "$root/scripts/run.sh" --no-build Blokkout >"$work/out" 2>&1 || fail "Blokkout's run failed"
shows_hint && fail "Blokkout's run gave the display hint"

[ $failures -eq 0 ] && echo "ok   each run ends its program as the program's own Exit does, or forced and saying so"
exit $((failures > 0))
