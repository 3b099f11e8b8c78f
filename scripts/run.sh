#!/usr/bin/env bash
# Builds the suite if needed and starts one deliverable under Wine:
#   scripts/run.sh Blokkum [ARGS...]
# The COM libraries are registered (or, with /u, unregistered) in the same prefix:
#   scripts/run.sh regsvr32 Tasklatch [/u]
# With no DISPLAY a virtual one is started (nothing is shown then).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QV_BUILD_DIR:-$root/build}"
if [ $# -lt 1 ]; then
  echo "usage: scripts/run.sh PROGRAM [ARGS...]" >&2
  ls "$build/products" 2>/dev/null | sed 's/^/  /' >&2
  exit 2
fi
prog="$1"; shift
bash "$root/scripts/build.sh" >/dev/null || exit 1
. "$root/scripts/arch.sh"
if ! qv_runs_32bit; then
  echo "run.sh: this machine cannot run 32-bit programs; running the 64-bit build of the same sources" >&2
fi
build=$(qv_runnable_build)
if [ "$prog" = regsvr32 ]; then
  lib="${1:-}"; shift || true
  dll="$build/products/$lib/$lib.dll"
  if [ ! -f "$dll" ]; then
    echo "run.sh: no library named '$lib'" >&2
    exit 2
  fi
  . "$root/scripts/wine-env.sh" "$build"
  trap qv_wine_stop EXIT
  qv_wine_start || exit 1
  timeout 120 wine regsvr32 /s "$@" "$dll" </dev/null
  rc=$?
  [ $rc -eq 0 ] && echo "run.sh: regsvr32 ${*:+$* }$lib.dll done" || echo "run.sh: regsvr32 ${*:+$* }$lib.dll failed ($rc)" >&2
  exit $rc
fi
exe=$(ls "$build/products/$prog/$prog.exe" "$build/bin/$prog.exe" 2>/dev/null | head -n 1)
if [ -z "$exe" ]; then
  echo "run.sh: no program named $prog" >&2
  exit 2
fi
. "$root/scripts/wine-env.sh" "$build"
trap qv_wine_stop EXIT
qv_wine_start || exit 1
cd "$(dirname "$exe")"
timeout "${QV_RUN_TIMEOUT:-86400}" wine "$exe" "$@" </dev/null
