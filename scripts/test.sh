#!/usr/bin/env bash
# Sets up the machine if needed, builds everything and runs every test under
# Wine with a virtual display. Extra arguments go to ctest (e.g. -R Proxy).
# Each run starts from the tests' prefix as Wine made it: nothing an earlier
# run changed or left behind in it, even a run cut short, reaches this one.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QV_BUILD_DIR:-$root/build}"
bash "$root/scripts/build.sh" || exit 1
. "$root/scripts/arch.sh"
build=$(qv_runnable_build)

. "$root/scripts/wine-env.sh" "$build"
QV_FORCE_XVFB=1
trap qv_wine_stop EXIT
qv_wine_start pristine || exit 1
cd "$build"
. "$root/scripts/signals.sh"
# A Ctrl-C stops the tests, and the run says it failed.
qv_run_stoppable timeout 1500 ctest --output-on-failure -j "$(nproc)" "$@"
rc=$?
case $rc in 129 | 130 | 143) echo "test.sh: stopped before the tests ended" >&2 ;; esac
exit $rc
