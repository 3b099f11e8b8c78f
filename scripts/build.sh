#!/usr/bin/env bash
# Configures and builds the whole suite into build/ (or $QV_BUILD_DIR); on a
# machine that cannot run 32-bit programs, also the 64-bit build that runs
# here, into build64/ (or $QV_BUILD64_DIR). Each build folder keeps the
# fingerprint of the sources its last successful build was made from
# (.qv-sources), which tells the run script whether a build is due.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QV_BUILD_DIR:-$root/build}"
bash "$root/scripts/setup.sh"
. "$root/scripts/arch.sh"
. "$root/scripts/state.sh"
runnable=$(qv_runnable_build)
# Taken before the build starts: a file changed while it runs calls for the next.
sources=$(qv_source_state "$root" "$build" "$runnable")

build_one() {  # toolchain folder
  # Until it succeeds the folder claims no sources: a failed build may have
  # made some products of the new sources and kept others of the old.
  mkdir -p "$2"
  rm -f "$2/.qv-sources"
  # Configured every time (a second or two): new subsystem folders join the build.
  cmake -S "$root" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$1.cmake" >/dev/null
  cmake --build "$2" -j "$(nproc)" -- --no-print-directory
  echo "$sources" >"$2/.qv-sources"
}
build_one mingw-i686 "$build"
if ! qv_runs_32bit; then
  echo "build: this machine cannot run 32-bit programs; building the 64-bit build that runs here"
  build_one mingw-x86_64 "$runnable"
fi
