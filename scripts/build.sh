#!/usr/bin/env bash
# Configures and builds the whole suite into build/ (or $QV_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QV_BUILD_DIR:-$root/build}"
bash "$root/scripts/setup.sh"
# Configured every time (a second or two): new subsystem folders join the build.
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" -- --no-print-directory
