#!/usr/bin/env bash
# Configures and builds the whole suite into build/ (or $QV_BUILD_DIR); on a
# machine that cannot run 32-bit programs, also the 64-bit build that runs
# here, into build64/ (or $QV_BUILD64_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QV_BUILD_DIR:-$root/build}"
bash "$root/scripts/setup.sh"
. "$root/scripts/arch.sh"

build_one() {  # toolchain folder
  # Configured every time (a second or two): new subsystem folders join the build.
  cmake -S "$root" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$1.cmake" >/dev/null
  cmake --build "$2" -j "$(nproc)" -- --no-print-directory
}
build_one mingw-i686 "$build"
if ! qv_runs_32bit; then
  echo "build: this machine cannot run 32-bit programs; building the 64-bit build that runs here"
  build_one mingw-x86_64 "$(qv_runnable_build)"
fi
