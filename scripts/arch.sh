#!/usr/bin/env bash
# Which build of the suite runs on this machine. The products are 32-bit
# Windows programs; a kernel without 32-bit support (some virtual machines
# refuse every 32-bit executable) cannot start the 32-bit Wine loader, so
# there the same sources are also built for 64-bit Windows into build64/ and
# run under 64-bit Wine. QV_ARCH=win32 or win64 overrides the probe.
# Source it after setting root; then:
#   qv_runs_32bit            true when 32-bit programs start here
#   qv_runnable_build        the build folder whose programs run here

qv_runs_32bit() {
  case "${QV_ARCH:-}" in
    win32) return 0 ;;
    win64) return 1 ;;
  esac
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

qv_runnable_build() {
  if qv_runs_32bit; then
    echo "${QV_BUILD_DIR:-$root/build}"
  else
    echo "${QV_BUILD64_DIR:-$root/build64}"
  fi
}

# A program of the runnable build, or the one given instead, with the
# compiler and Wine loader that match it (32- or 64-bit); false when it is
# not built:
#   qv_built_program RELPATH [INSTEAD]   sets program, cxx, loader and arch
qv_built_program() {
  program=${2:-$(qv_runnable_build)/$1}
  [ -f "$program" ] || { echo "$(basename "$0" .sh): $program is not built" >&2; return 1; }
  if file -b "$program" | grep -q x86-64; then
    cxx=x86_64-w64-mingw32-g++-posix loader=/usr/lib/wine/wine64 arch=win64
  else
    cxx=i686-w64-mingw32-g++-posix loader=/usr/lib/wine/wine arch=win32
  fi
}
