#!/usr/bin/env bash
# A file shredded on a real FAT volume leaves nothing of its contents on the
# volume, and the volume stays clean.
#   FatVolumeCheck.sh BUILD_DIR GRINDEL_EXE
# Wine gives file access only to host folders, so the FAT image is mounted in
# user space (fusefat) and that folder becomes a Wine drive; the image itself
# is the drive's device. Exit 77 (skipped) when the tools for that are missing.
set -u
build=$1
grindel=$2
prefix="$build/wine/prefix"

for tool in mkfs.fat fsck.fat fusefat fusermount; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (packages dosfstools and fusefat)"
    exit 77
  fi
done
if [ ! -c /dev/fuse ]; then
  echo "skipped: no /dev/fuse on this machine"
  exit 77
fi

work=$(mktemp -d "$build/wine/fatcheck.XXXXXX")
image="$work/volume.img"
mnt="$work/mnt"
letter=""
mounted=0

cleanup() {
  if [ "$mounted" = 1 ]; then fusermount -u "$mnt" 2>/dev/null || fusermount -u -z "$mnt" 2>/dev/null; fi
  if [ -n "$letter" ]; then rm -f "$prefix/dosdevices/$letter:" "$prefix/dosdevices/$letter::"; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP

fail() {
  echo "FAILED: $*"
  exit 1
}

mount_volume() {
  fusefat -o rw+ "$image" "$mnt" >/dev/null 2>&1 || return 1
  mounted=1
}

unmount_volume() {
  fusermount -u "$mnt" || fail "could not unmount the volume"
  mounted=0
}

for l in x y w v u t s r q p; do
  # -L as well: a link left by a killed run dangles.
  if [ ! -e "$prefix/dosdevices/$l:" ] && [ ! -L "$prefix/dosdevices/$l:" ] &&
     [ ! -e "$prefix/dosdevices/$l::" ] && [ ! -L "$prefix/dosdevices/$l::" ]; then letter=$l; break; fi
done
[ -n "$letter" ] || fail "no free drive letter in $prefix/dosdevices"
drive=$(echo "$letter" | tr a-z A-Z)

mkdir -p "$mnt" "$work/app"
mkfs.fat -C -F 16 -n GRINDEL "$image" 16384 >/dev/null || fail "mkfs.fat"
if ! mount_volume; then
  echo "skipped: fusefat cannot mount here"
  exit 77
fi

marker="QVSHRED$$M$RANDOM"
control="QVPLAIN$$M$RANDOM"
keeper="QVKEEP$$M$RANDOM"
# Larger than one 64 KB block, with a tail, so the block loop and the last short write both run.
for i in $(seq 1 9000); do printf '%s line %05d\n' "$marker" "$i"; done >"$mnt/SECRET.TXT"
for i in $(seq 1 200); do printf '%s %05d\n' "$control" "$i"; done >"$mnt/PLAIN.TXT"
printf '%s\n' "$keeper" >"$mnt/KEEP.TXT"
unmount_volume
grep -q "$marker" "$image" || fail "the marker never reached the image"

mount_volume || fail "remount"
ln -s "$mnt" "$prefix/dosdevices/$letter:" || fail "could not map drive $letter:"
ln -s "$image" "$prefix/dosdevices/$letter::" || fail "could not map device $letter::"
# A copy of its own, so its log.txt is this check's alone.
cp "$grindel" "$work/app/Grindel.exe"
"$build/wine-run.sh" "$work/app/Grindel.exe" /s fatcheck /O1 "$drive:\\SECRET.TXT" || fail "Grindel exited with $?"
# The control: a plain delete leaves the contents on the volume.
rm -f "$mnt/PLAIN.TXT"
[ -e "$mnt/SECRET.TXT" ] && fail "SECRET.TXT is still listed"
[ "$(cat "$mnt/KEEP.TXT")" = "$keeper" ] || fail "KEEP.TXT was touched"
unmount_volume
rm -f "$prefix/dosdevices/$letter:" "$prefix/dosdevices/$letter::"

grep -q "$control" "$image" || fail "the control's contents are gone too: the check could not see residue"
if grep -q "$marker" "$image"; then fail "the shredded file's contents are still in the image"; fi
fsck.fat -n "$image" >"$work/fsck.txt" 2>&1 || { cat "$work/fsck.txt"; fail "fsck.fat found errors"; }
expected=$(printf 'Task Name: fatcheck\r\nSuccess\r\n\r\n')
[ "$(cat "$work/app/log.txt")" = "$expected" ] || { cat -A "$work/app/log.txt"; fail "log.txt"; }
echo "passed: drive $drive:, marker gone, control kept, fsck clean, log Success"
