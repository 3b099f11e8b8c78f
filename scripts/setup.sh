#!/usr/bin/env bash
# Installs what the cross build and the Wine test run need on Debian 12.
# Idempotent: packages already present are skipped, so a second run takes seconds.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64
  xvfb xauth imagemagick
  googletest libwine-dev
  dosfstools ntfs-3g fusefat
  chromium curl python3
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then (seen: the i386 index
# of the security suite older than its Release file). Retry; then install from
# the main suite alone, where amd64 and i386 versions always agree, because the
# 32-bit Wine libraries must match their 64-bit twins version for version.
for attempt in 1 2 3; do
  if $SUDO apt-get update -qq; then break; fi
  echo "setup: package index update failed (attempt $attempt), retrying" >&2
  sleep $((attempt * 5))
done
if $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then exit 0; fi
echo "setup: install failed; installing from the main suite's versions" >&2
$SUDO apt-get install -y -qq --no-install-recommends -t bookworm "${missing[@]}" >/dev/null
