#!/usr/bin/env bash
# Installs a built suite into a Wine prefix the way its installer lays it out:
#   scripts/install.sh BUILD FOLDER        (the prefix is FOLDER/prefix)
# - each program in "C:\Program Files\Quorvane\<program>" with its packs and
#   data files; Blokkjack.dll beside Blokkum, Grindhook.dll beside Grindel,
#   Tasklatch.dll in the system folder;
# - the COM libraries registered;
# - on the first install, the installer's registry values (program folders
#   and languages) and the host's root (Wine's Z:) as a network drive, so no
#   drive list offers it (C:, a folder on the host's disk, is still listed
#   with that disk's space: see the README).
# Later installs (after a build) replace the programs and libraries but keep
# the user's settings files and registry values. FOLDER/.qv-installed keeps the
# fingerprint of the products installed last.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
. "$root/scripts/wine-env.sh" "$build" "$2"
. "$root/scripts/state.sh"

QV_INSTALL_ROOT='C:\Program Files\Quorvane'
# Files the programs change: a reinstall leaves the user's copy alone.
QV_USER_FILES=(QVINI.ini AnonPS.txt)

# folder inside the prefix of a Windows path "C:\x\y"
unix_path() { local p="${1#?:\\}"; echo "$WINEPREFIX/drive_c/${p//\\//}"; }

# Destination folder (Windows path) of each products folder.
destination() {
  case "$1" in
    Blokkjack) echo "$QV_INSTALL_ROOT\\Blokkum" ;;
    Grindhook) echo "$QV_INSTALL_ROOT\\Grindel" ;;
    Tasklatch) echo 'C:\windows\system32' ;;
    *) echo "$QV_INSTALL_ROOT\\$1" ;;
  esac
}

# Copies one products folder; a new file replaces the old by renaming, so a
# program that runs from the old one keeps its image.
copy_product() {
  local from="$build/products/$1" to rel keep u
  to=$(unix_path "$(destination "$1")")
  (cd "$from" && find . -type f) | while IFS= read -r rel; do
    rel=${rel#./}
    keep=0
    for u in "${QV_USER_FILES[@]}"; do [ "${rel##*/}" = "$u" ] && keep=1; done
    [ $keep = 1 ] && [ -e "$to/$rel" ] && continue
    mkdir -p "$(dirname "$to/$rel")"
    cp "$from/$rel" "$to/$rel.qv-new" && mv -f "$to/$rel.qv-new" "$to/$rel" || exit 1
  done
}

# The installer's registry values, as a REGEDIT4 file (one Wine start for all).
registry_file() {
  local p="${QV_INSTALL_ROOT//\\/\\\\}"
  cat <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Quorvane Blokkum]
"Path"="$p\\\\Blokkum"
"Language"="English"
"Blocked Popups"="0"
"User Wav Path"="$p\\\\Blokkum\\\\Sounds\\\\PopUp.wav"
"FirstRun"=dword:00000001
"ShowAtStart"=dword:00000001

[HKEY_CURRENT_USER\\Software\\Quorvane Grindel\\Shredder]
"AppPath"="$p\\\\Grindel"
"Language"="English"

[HKEY_CURRENT_USER\\Software\\Quorvane Swiftlane]
"AppPath"="$p\\\\Swiftlane"
"Language"="English"

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]
"z:"="network"
EOF
}

qv_wine_init || exit 1
# Taken before the copy: products rebuilt meanwhile are installed next time.
products=$(qv_tree_state "$build/products")
first=0
[ -f "$QV_PREFIX_DIR/.qv-installed" ] || first=1
log="$QV_PREFIX_DIR/wine.log"
for p in "$build"/products/*/; do
  p=$(basename "$p")
  copy_product "$p" || { echo "install: copying $p failed" >&2; exit 1; }
done
if [ $first = 1 ]; then
  registry_file | qv_reg_import >>"$log" 2>&1 ||
    { echo "install: writing the registry values failed" >&2; exit 1; }
fi
dlls=()
for lib in Tasklatch Grindhook Blokkjack; do
  dlls+=("$(destination "$lib")\\$lib.dll")
done
timeout 120 wine regsvr32 /s "${dlls[@]}" </dev/null >>"$log" 2>&1 ||
  { echo "install: registering the COM libraries failed (see $log)" >&2; exit 1; }
if [ $first = 1 ]; then
  # Wine's mount manager reads the drive types when the prefix's server starts.
  timeout 60 wineserver -w
fi
echo "$products" >"$QV_PREFIX_DIR/.qv-installed"
