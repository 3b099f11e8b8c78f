#!/usr/bin/env bash
# The test command's stop: a command run as the tests are (under timeout,
# in a process group of its own) gets the signal the caller gets, stops, and
# the caller's status says it was stopped; left alone, the command's own
# status comes back.
#   StopCheck.sh
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
# Jobs of their own: a background job of a shell without job control would
# ignore INT, and no trap could take it.
set -m

# The stand-in for ctest notes the signal it gets and ends; unstopped, it
# ends by itself with status 3.
cat >"$work/tests.sh" <<'STANDIN'
sleep "$2" &
for s in INT TERM HUP; do trap "echo $s >\"\$1/got\"; kill $! 2>/dev/null; exit 1" $s; done
: >"$1/ready"
wait
exit 3
STANDIN
cat >"$work/caller.sh" <<'CALLER'
. "$1/scripts/signals.sh"
qv_run_stoppable timeout 120 bash "$2/tests.sh" "$2" "$3"
CALLER

# signal | how long the stand-in runs | the caller's status | what the stand-in got
while IFS='|' read -r signal seconds expected got; do
  rm -f "$work/got" "$work/ready"
  bash "$work/caller.sh" "$root" "$work" "$seconds" &
  caller=$!
  if [ "$signal" != none ]; then
    for _ in $(seq 1 200); do [ -f "$work/ready" ] && break; sleep 0.05; done
    kill -"$signal" "$caller"
  fi
  wait "$caller"
  rc=$?
  seen=$(cat "$work/got" 2>/dev/null)
  [ "$rc" = "$expected" ] && [ "$seen" = "$got" ] ||
    { echo "FAILED: $signal: status $rc (not $expected), the stand-in got '$seen' (not '$got')"; failures=$((failures + 1)); }
done <<'TABLE'
INT|60|130|INT
TERM|60|143|TERM
HUP|60|129|HUP
none|0|3|
TABLE

[ $failures = 0 ] && echo "ok   a stopped run stops its tests and says so; an unstopped one keeps their status"
exit $((failures > 0))
