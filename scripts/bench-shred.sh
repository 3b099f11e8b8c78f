#!/usr/bin/env bash
# Shredding speed of Grindel against GNU shred and the disk itself, on one
# file of the same size on the same disk, best of three runs each:
#   one zero pass:  dd oflag=direct (the disk's limit), shred -n0 -z -u, Grindel /O0
#   three passes:   shred -n3 -u, Grindel /O1 (random, complement, random)
#   free space:     dd oflag=direct until full, Grindel /O0 /D0 on an empty
#                   ext4 volume of the same size (loop-mounted image)
# Grindel's times include its start-up (shown on its own too), first with Wine
# running, then with Wine to start (its server gone). Prints a table.
#   scripts/bench-shred.sh [MB] [PATH/TO/Grindel.exe]
# MB defaults to 512; the file lies under $QV_BENCH_DIR (default /var/tmp).
# Without an exe, the build that runs on this machine is used (built if missing).
# Needs root for the free-space row (mount); without it that row is skipped.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mb=${1:-512}
exe=${2:-}
# The 32-bit build under 32-bit Wine; on a kernel that refuses 32-bit programs
# the 64-bit build of the same sources under 64-bit Wine.
. "$root/scripts/arch.sh"
build=$(qv_runnable_build)
if qv_runs_32bit; then arch=win32 loader=/usr/lib/wine/wine; else arch=win64 loader=/usr/lib/wine/wine64; fi
if [ -z "$exe" ]; then
  exe="$build/products/Grindel/Grindel.exe"
  [ -f "$exe" ] || bash "$root/scripts/build.sh" >/dev/null || exit 1
fi
exe=$(readlink -f "$exe")
[ -f "$exe" ] || { echo "bench-shred: no $exe" >&2; exit 2; }

W=$(mktemp -d -p "${QV_BENCH_DIR:-/var/tmp}" shredbench.XXXXXX)
export WINEPREFIX=$W/prefix WINEARCH=$arch WINEDEBUG=-all HOME=$W/home XDG_DATA_HOME=$W/home/.local/share
export WINEDLLOVERRIDES="winealsa.drv=d;mscoree=d;mshtml=d" PATH=/usr/lib/wine:$PATH
mkdir -p "$HOME" "$XDG_DATA_HOME" "$W/app" "$W/mnt"
xpid="" mounted=0 loop=""
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  [ "$mounted" = 1 ] && umount "$W/mnt" 2>/dev/null
  [ -n "$loop" ] && losetup -d "$loop" 2>/dev/null
  rm -rf "$W"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP

fifo=$W/displayfd
mkfifo "$fifo"
Xvfb -displayfd 3 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
xpid=$!
read -r -t 20 num <"$fifo" || { echo "bench-shred: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$num

# The free-space volume is mapped before Wine starts: its mount manager learns drive letters only then.
image=$W/volume.img
# Its loop device writes straight to the image (direct I/O): what reaches the volume reaches the disk.
if truncate -s "${mb}M" "$image" && mkfs.ext4 -q -m 0 "$image" 2>/dev/null &&
   loop=$(losetup --direct-io=on -f --show "$image" 2>/dev/null) && mount "$loop" "$W/mnt" 2>/dev/null; then
  mounted=1
fi
timeout 300 "$loader" wineboot --init >/dev/null 2>&1 || { echo "bench-shred: wineboot failed" >&2; exit 1; }
timeout 60 "$loader" reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
if [ "$mounted" = 1 ]; then
  timeout 30 wineserver -k >/dev/null 2>&1
  ln -s "$W/mnt" "$WINEPREFIX/dosdevices/q:"
fi
wineserver -p >/dev/null 2>&1
cp "$exe" "$W/app/Grindel.exe"
cp -r "$(dirname "$exe")/Lang" "$W/app/" 2>/dev/null
winpath() { echo "Z:$1" | tr / '\\'; }

now() { date +%s%N; }
declare -A best
keep() {  # row start
  local t=$(( $(now) - $2 ))
  if [ -z "${best[$1]:-}" ] || [ "$t" -lt "${best[$1]}" ]; then best[$1]=$t; fi
}
victim=$W/victim.bin
make() { head -c $((mb << 20)) /dev/urandom >"$victim"; sync; }
grindel() {  # options... path
  (cd "$W/app" && timeout 900 "$loader" ./Grindel.exe /s bench "$@") >/dev/null 2>&1
}
gone() {
  [ -e "$1" ] || return 0
  echo "bench-shred: Grindel left $1: $(tail -n 3 "$W/app/log.txt" 2>/dev/null | tr '\r\n' '  ')" >&2
  exit 1
}
clear_volume() { rm -rf "$W/mnt"/*; sync; }

for round in 1 2 3; do
  make; s=$(now); dd if=/dev/zero of="$victim" bs=1M count="$mb" conv=notrunc oflag=direct status=none; keep dd "$s"
  make; s=$(now); shred -n0 -z -u "$victim"; keep shred0 "$s"
  make; s=$(now); grindel /O0 "$(winpath "$victim")"; keep grindel0 "$s"; gone "$victim"
  make; s=$(now); shred -n3 -u "$victim"; keep shred3 "$s"
  make; s=$(now); grindel /O1 "$(winpath "$victim")"; keep grindel1 "$s"; gone "$victim"
  printf x >"$W/tiny.bin"; sync; s=$(now); grindel /O0 "$(winpath "$W/tiny.bin")"; keep start "$s"; gone "$W/tiny.bin"
  if [ "$mounted" = 1 ]; then
    clear_volume; free=$(df -B1 --output=avail "$W/mnt" | tail -n 1)
    s=$(now); dd if=/dev/zero of="$W/mnt/fill" bs=1M oflag=direct conv=fsync status=none 2>/dev/null; keep freedd "$s"
    clear_volume; s=$(now); grindel /O0 /D0 'Q:\'; keep freegrindel "$s"
    [ -e "$W/mnt/SHREDTMP.\$\$\$" ] && { echo "bench-shred: Grindel left its temporary files" >&2; exit 1; }
  fi
done

# Wine not running: its server ends 3 s after its last program, and the next
# program waits for Wine to start again (server, services, device drivers,
# desktop) before Wine loads it. Grindel's rows above find Wine running, as a
# desktop where Wine programs are in use does; these rows start it, as a run
# more than 3 s after any other Wine program does.
stop_wine() { timeout 30 wineserver -k >/dev/null 2>&1; timeout 30 wineserver -w >/dev/null 2>&1; }
for round in 1 2 3; do
  make; stop_wine; s=$(now); grindel /O0 "$(winpath "$victim")"; keep coldgrindel0 "$s"; gone "$victim"
  printf x >"$W/tiny.bin"; sync; stop_wine; s=$(now); grindel /O0 "$(winpath "$W/tiny.bin")"; keep coldstart "$s"
  gone "$W/tiny.bin"
done

secs() { awk -v t="$1" 'BEGIN { printf "%.2f", t / 1e9 }'; }
rate() { awk -v t="$1" -v b="$2" 'BEGIN { printf "%.0f", b / 1048576 / (t / 1e9) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }
row() {  # label key bytes [compare-key]
  local r=""
  [ -n "${4:-}" ] && r=$(ratio "${best[$4]}" "${best[$2]}")
  printf '| %-34s | %6s s | %6s | %-6s |\n' "$1" "$(secs "${best[$2]}")" "$(rate "${best[$2]}" "$3")" "$r"
}
bytes=$((mb << 20))
echo "$mb MB file under ${QV_BENCH_DIR:-/var/tmp}, best of 3; Grindel ($arch) $(basename "$exe") includes its start-up"
echo "| writer | time | MB/s | speed vs GNU shred (free space: vs dd) |"
echo "|---|---|---|---|"
row "dd oflag=direct, one zero pass" dd $bytes
row "GNU shred -n0 -z -u" shred0 $bytes
row "Grindel /O0 (one zero pass)" grindel0 $bytes shred0
row "GNU shred -n3 -u" shred3 $((bytes * 3))
row "Grindel /O1 (three passes)" grindel1 $((bytes * 3)) shred3
printf '| %-34s | %6s s | %6s | %-6s |\n' "Grindel start-up alone (1 byte)" "$(secs "${best[start]}")" "" ""
row "Grindel /O0, Wine not running" coldgrindel0 $bytes shred0
printf '| %-34s | %6s s | %6s | %-6s |\n' "Grindel start-up, Wine not running" "$(secs "${best[coldstart]}")" "" ""
if [ "$mounted" = 1 ]; then
  row "dd oflag=direct filling free space" freedd "$free"
  row "Grindel free-space fill /O0 /D0" freegrindel "$free" freedd
  echo "(free space: $(awk -v b="$free" 'BEGIN { printf "%.0f", b / 1048576 }') MB on an empty ext4 volume in a loop-mounted image on the same disk)"
else
  echo "(free-space rows skipped: no loop mount here)"
fi
