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
