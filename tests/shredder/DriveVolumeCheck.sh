#!/usr/bin/env bash
# On real volumes made here: a file shredded on a FAT16 image, whole-drive
# shreds of FAT16, FAT32 and NTFS images, free-space shreds of a FAT16 image
# and of NTFS images (one with a compressed root), and on NTFS a file that grew
# out of its MFT record and a folder whose index did. Nothing of the old
# contents stays, the metadata the volume needs stays, and the checkers of each
# file system accept the result.
#   DriveVolumeCheck.sh BUILD_DIR DRIVE_SHRED_TOOL GRINDEL_EXE
# Only images this check makes are ever mapped: a drive letter points at an
# empty folder (or the image mounted in user space) and its device at the image.
# Wine's mount manager learns of drive letters only when it starts, so the
# check runs in a prefix of its own (copied from the build's) whose server
# starts after each mapping.
set -u
build=$1
tool=$2
grindel=$3

for t in mkfs.fat fsck.fat mkntfs ntfsinfo ntfs-3g fusefat fusermount python3; do
  command -v "$t" >/dev/null 2>&1 || { echo "skipped: $t is not installed"; exit 77; }
done
[ -c /dev/fuse ] || { echo "skipped: no /dev/fuse"; exit 77; }

work=$(mktemp -d "$build/wine/drivecheck.XXXXXX")
mnt="$work/mnt"
prefix="$work/prefix"
letter=""
mounted=0
wine_env() {
  env PATH="$build/wine/bin:/usr/lib/wine:$PATH" WINEPREFIX="$prefix" WINEARCH="$(cat "$build/wine/arch")" WINEDEBUG=-all \
    WINEDLLOVERRIDES="winealsa.drv=d;mscoree=d;mshtml=d" HOME="$build/wine/home" \
    XDG_DATA_HOME="$build/wine/home/.local/share" "$@"
}
stop_server() { wine_env timeout 30 wineserver -k >/dev/null 2>&1; wine_env timeout 30 wineserver -w >/dev/null 2>&1; }
run_wine() { wine_env timeout 120 wine "$@" </dev/null; }
cleanup() {
  [ -d "$prefix" ] && stop_server
  if [ "$mounted" = 1 ]; then fusermount -u "$mnt" 2>/dev/null || fusermount -u -z "$mnt" 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP
fail() { echo "FAILED: $*"; exit 1; }

[ -f "$build/wine/prefix/.qv-ready" ] || fail "the build's Wine prefix is not ready"
. "$(dirname "$0")/../../scripts/prefix-copy.sh"
qv_prefix_copy "$build/wine" "$prefix" || fail "the prefix could not be copied"
for f in system.reg user.reg drive_c/windows/system32 dosdevices; do
  [ -e "$prefix/$f" ] || fail "prefix copy ($f missing)"
done
for l in x y w v u t s r q p; do
  if [ ! -e "$prefix/dosdevices/$l:" ] && [ ! -L "$prefix/dosdevices/$l:" ] &&
     [ ! -e "$prefix/dosdevices/$l::" ] && [ ! -L "$prefix/dosdevices/$l::" ]; then letter=$l; break; fi
done
[ -n "$letter" ] || fail "no free drive letter"
drive=$(echo "$letter" | tr a-z A-Z)
mkdir -p "$mnt" "$work/empty" "$work/app"

marker="QVDRIVE$$M$RANDOM"
fill() {  # larger than one 64 KB block and than an NTFS record
  for i in $(seq 1 3000); do printf '%s line %05d\n' "$marker" "$i"; done >"$mnt/SECRET.TXT"
  mkdir -p "$mnt/Deep/Er"
  cp "$mnt/SECRET.TXT" "$mnt/Deep/Er/COPY.TXT"
}
unmount() { fusermount -u "$mnt" || fail "unmount"; mounted=0; }
map() {  # map FOLDER
  ln -s "$1" "$prefix/dosdevices/$letter:" || fail "map $letter:"
  ln -s "$image" "$prefix/dosdevices/$letter::" || fail "map $letter::"
}
unmap() { stop_server; rm -f "$prefix/dosdevices/$letter:" "$prefix/dosdevices/$letter::"; }

# The FAT copies hold nothing but their first two entries (and the FAT32 root's
# end of chain); the root directory nothing but the label; the reserved sectors
# are unchanged.
check_fat() {  # image before bits
  python3 - "$1" "$2" "$3" <<'PY' || fail "$3: FAT layout after the shred"
import struct, sys
img, before, bits = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read(), int(sys.argv[3])
bps, spc, res, nfats, roots = struct.unpack_from('<HBHBH', img, 11)
spf = struct.unpack_from('<H', img, 22)[0] or struct.unpack_from('<I', img, 36)[0]
# FAT32's free-cluster hint alone may change: it is marked unknown.
info = struct.unpack_from('<H', img, 48)[0] if bits == 32 else 0
cut = lambda b: b[:info * bps] + b[(info + 1) * bps:res * bps] if info else b[:res * bps]
assert cut(img) == cut(before), 'reserved sectors changed'
size = spf * bps
for k in range(nfats):
    fat = img[(res + k * spf) * bps:(res + k * spf) * bps + size]
    old = before[(res + k * spf) * bps:(res + k * spf) * bps + size]
    head = 4 if bits == 16 else 8
    assert fat[:head] == old[:head], 'first entries changed'
    if bits == 32:
        root = struct.unpack_from('<I', img, 44)[0]
        assert struct.unpack_from('<I', fat, root * 4)[0] & 0x0FFFFFFF >= 0x0FFFFFF8, 'root is no chain of one'
        fat = fat[:root * 4] + b'\0\0\0\0' + fat[root * 4 + 4:]
    assert fat[head:].count(0) == len(fat) - head, 'FAT copy %d not empty' % k
data = (res + nfats * spf) * bps
if bits == 16:
    rootdir, rootsize = data, roots * 32
else:
    rootdir, rootsize = data + (struct.unpack_from('<I', img, 44)[0] - 2) * spc * bps, spc * bps
entries = img[rootdir:rootdir + rootsize]
assert entries[:11] == b'GRINDEL    ' and entries[11] & 8, 'label entry lost'
assert entries[32:].count(0) == rootsize - 32, 'root directory not empty'
PY
}

clean_bit() {  # image 0|1: the clean-shutdown bit of FAT32 entry 1 in every FAT copy
  python3 - "$1" "$2" <<'PY'
import struct, sys
f = open(sys.argv[1], 'r+b'); b = f.read(64)
bps, res, nfats, spf = struct.unpack_from('<H', b, 11)[0], struct.unpack_from('<H', b, 14)[0], b[16], struct.unpack_from('<I', b, 36)[0]
for k in range(nfats):
    at = (res + k * spf) * bps + 4
    f.seek(at); v = struct.unpack('<I', f.read(4))[0]
    v = v | 0x08000000 if sys.argv[2] == '1' else v & ~0x08000000
    f.seek(at); f.write(struct.pack('<I', v))
PY
}

run_tool() {  # name what-is-left: Wine formats nothing, and the shred says what that left
  run_wine "$tool" "$drive:" 'C:\' >"$work/tool.txt" 2>&1
  grep -q "box: WARNING: Shredding will erase ALL data" "$work/tool.txt" || { cat "$work/tool.txt"; fail "$1: not asked"; }
  if grep -E "box: (Failed|Quorvane Grindel doesn't|Could not|Error)" "$work/tool.txt"; then fail "$1: reported a failure"; fi
  grep -q "^box: Drive $drive: has been overwritten, but it has not been formatted\." "$work/tool.txt" &&
    grep -q "^$2" "$work/tool.txt" || { cat "$work/tool.txt"; fail "$1: the format that did not happen was not told"; }
}

# One file: its contents leave the volume, while a plain delete (the control) leaves them.
image="$work/file.img"
mkfs.fat -C -F 16 -n GRINDEL "$image" 16384 >/dev/null || fail mkfs.fat
fusefat -o rw+ "$image" "$mnt" >/dev/null 2>&1 || { echo "skipped: fusefat cannot mount here"; exit 77; }
mounted=1
secret="QVFILE$$M$RANDOM"
for i in $(seq 1 9000); do printf '%s line %05d\n' "$secret" "$i"; done >"$mnt/SECRET.TXT"
control="QVPLAIN$$M$RANDOM"
keeper="QVKEEP$$M$RANDOM"
for i in $(seq 1 200); do printf '%s %05d\n' "$control" "$i"; done >"$mnt/PLAIN.TXT"
printf '%s\n' "$keeper" >"$mnt/KEEP.TXT"
ln -s "$mnt" "$prefix/dosdevices/$letter:" || fail "map $letter:"
cp "$grindel" "$work/app/Grindel.exe"
run_wine "$work/app/Grindel.exe" /s file /O1 "$drive:\\SECRET.TXT" >"$work/grindel.txt" 2>&1 ||
  { cat "$work/grindel.txt"; fail "Grindel exited with an error"; }
rm -f "$mnt/PLAIN.TXT"
[ -e "$mnt/SECRET.TXT" ] && fail "file: SECRET.TXT is still listed"
[ "$(cat "$mnt/KEEP.TXT")" = "$keeper" ] || fail "file: KEEP.TXT was touched"
unmap
unmount
grep -q "$control" "$image" || fail "file: the control's contents are gone too: the check could not see residue"
grep -q "$secret" "$image" && fail "file: the shredded file's contents are still in the image"
fsck.fat -n "$image" >"$work/fsck.txt" 2>&1 || { cat "$work/fsck.txt"; fail "file: fsck.fat found errors"; }
expected=$(printf 'Task Name: file\r\nSuccess\r\n\r\n')
[ "$(cat "$work/app/log.txt")" = "$expected" ] || { cat -A "$work/app/log.txt"; fail "file: log.txt"; }
rm -f "$work/app/log.txt"
echo "file: contents gone, control kept, fsck clean, log Success"

for fs in 16 32; do
  image="$work/fat$fs.img"
  mkfs.fat -C -F $fs -n GRINDEL "$image" $([ $fs = 16 ] && echo 16384 || echo 40960) >/dev/null || fail mkfs.fat
  fusefat -o rw+ "$image" "$mnt" >/dev/null 2>&1 || { echo "skipped: fusefat cannot mount here"; exit 77; }
  mounted=1
  fill
  unmount
  grep -q "$marker" "$image" || fail "FAT$fs: the marker never reached the image"
  # As Windows leaves a mounted FAT32 volume: the clean-shutdown bit of FAT entry 1 cleared.
  [ $fs = 32 ] && clean_bit "$image" 0
  cp "$image" "$work/before.img"
  map "$work/empty"
  run_tool "FAT$fs" "Its FAT$fs file system is still on it, empty but for its volume label."
  unmap
  grep -q "$marker" "$image" && fail "FAT$fs: the contents are still in the image"
  check_fat "$image" "$work/before.img" $fs
  # Set again, as Windows does when it unmounts: the root's chain must not have depended on it.
  [ $fs = 32 ] && clean_bit "$image" 1
  fsck.fat -n "$image" >"$work/fsck.txt" 2>&1 || { cat "$work/fsck.txt"; fail "FAT$fs: fsck.fat found errors"; }
  echo "FAT$fs whole drive: contents gone, FATs and root empty, label and boot kept, fsck clean, no format told"
done

image="$work/ntfs.img"
truncate -s 24M "$image"
mkntfs -F -f -q -L GRINDEL "$image" >/dev/null 2>&1 || fail mkntfs
ntfs-3g "$image" "$mnt" >/dev/null 2>&1 || { echo "skipped: ntfs-3g cannot mount here"; exit 77; }
mounted=1
fill
unmount
grep -q "$marker" "$image" || fail "NTFS: the marker never reached the image"
cp "$image" "$work/before.img"
map "$work/empty"
run_tool NTFS "Its NTFS file system is still on it and still holds the names of the files and folders"
unmap
grep -q "$marker" "$image" && fail "NTFS: the contents are still in the image"
python3 -c 'import sys; sys.exit(b"S\0E\0C\0R\0E\0T\0" not in open(sys.argv[1], "rb").read())' "$image" ||
  fail "NTFS: the names the shred says are left are not in the image"
python3 - "$image" "$work/before.img" <<'PY' || fail "NTFS: kept metadata"
import struct, sys
img, before = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read()
bps, spc = struct.unpack_from('<HB', img, 11)
assert img[:16 * bps] == before[:16 * bps], 'sectors 0-15 changed'
mft = struct.unpack_from('<Q', img, 0x30)[0] * bps * spc
c = struct.unpack_from('<b', img, 0x40)[0]
rec = 1 << -c if c < 0 else c * bps * spc
keep = [r for r in range(24) if r != 2]
for r in keep:
    assert img[mft + r * rec:mft + (r + 1) * rec] == before[mft + r * rec:mft + (r + 1) * rec], 'MFT record %d changed' % r
PY
ntfsinfo -m "$image" >"$work/ntfsinfo.txt" 2>&1 || { cat "$work/ntfsinfo.txt"; fail "NTFS: ntfsinfo cannot read the volume"; }
grep -q "GRINDEL" "$work/ntfsinfo.txt" || { cat "$work/ntfsinfo.txt"; fail "NTFS: the volume name is gone"; }
echo "NTFS whole drive: contents gone, boot and system records kept, ntfsinfo reads it, the names left told"

# Free space: a deleted file's contents lie in free clusters until the fill.
image="$work/free.img"
mkfs.fat -C -F 16 -n GRINDEL "$image" 16384 >/dev/null || fail mkfs.fat
fusefat -o rw+ "$image" "$mnt" >/dev/null 2>&1 || fail "fusefat mount"
mounted=1
fill
keeper="QVKEEP$$M$RANDOM"
printf '%s\n' "$keeper" >"$mnt/KEEP.TXT"
rm -rf "$mnt/SECRET.TXT" "$mnt/Deep"
unmount
grep -q "$marker" "$image" || fail "free space: a plain delete already cleared the contents"
fusefat -o rw+ "$image" "$mnt" >/dev/null 2>&1 || fail "fusefat remount"
mounted=1
ln -s "$mnt" "$prefix/dosdevices/$letter:" || fail "map $letter:"
# Cancelled while the temporary files are made: every one of them goes again.
run_wine "$tool" "$drive:" 'C:\' cancel >"$work/tool.txt" 2>&1
grep -q "box: This function allocates all available free space" "$work/tool.txt" || { cat "$work/tool.txt"; fail "cancel: not warned"; }
grep -E "box: (Unable|Error|Write failed)" "$work/tool.txt" && fail "cancel: reported a failure"
[ -e "$mnt/SHREDTMP.\$\$\$" ] && { ls -R "$mnt"; fail "cancel: temporary files are left"; }
[ "$(cat "$mnt/KEEP.TXT")" = "$keeper" ] || fail "cancel: KEEP.TXT was touched"
run_wine "$work/app/Grindel.exe" /s free /O1 /D0 "$drive:\\" >"$work/grindel.txt" 2>&1 || { cat "$work/grindel.txt"; fail "Grindel exited with an error"; }
[ -e "$mnt/SHREDTMP.\$\$\$" ] && fail "free space: the temporary folder is left"
[ "$(cat "$mnt/KEEP.TXT")" = "$keeper" ] || fail "free space: KEEP.TXT was touched"
unmap
unmount
grep -q "$marker" "$image" && fail "free space: the deleted contents are still in the image"
fsck.fat -n "$image" >"$work/fsck.txt" 2>&1 || { cat "$work/fsck.txt"; fail "free space: fsck.fat found errors"; }
expected=$(printf 'Task Name: free\r\nSuccess\r\n\r\n')
[ "$(cat "$work/app/log.txt")" = "$expected" ] || { cat -A "$work/app/log.txt"; fail "free space: log.txt"; }
echo "free space: deleted contents gone, kept file intact, no temporary files, fsck clean, log Success"

# Helpers of the NTFS checks below.
count_in() {  # image text [utf-16-le]
  python3 -c 'import sys; print(open(sys.argv[1], "rb").read().count(sys.argv[2].encode(sys.argv[3])))' "$1" "$2" "${3:-ascii}"
}
ntfs_image() {  # image: a fresh NTFS volume, mounted
  image=$1
  truncate -s 24M "$image"
  mkntfs -F -f -q -L GRINDEL "$image" >/dev/null 2>&1 || fail mkntfs
  ntfs-3g "$image" "$mnt" >/dev/null 2>&1 || fail "ntfs-3g mount"
  mounted=1
}
grindel_on_image() {  # what task args...: Grindel on the image, mounted again and mapped; unmapped and unmounted after
  local what=$1 task=$2
  shift 2
  ntfs-3g "$image" "$mnt" >/dev/null 2>&1 || fail "$what: ntfs-3g remount"
  mounted=1
  ln -s "$mnt" "$prefix/dosdevices/$letter:" || fail "map $letter:"
  rm -f "$work/app/log.txt"
  run_wine "$work/app/Grindel.exe" /s "$task" "$@" >"$work/grindel.txt" 2>&1 ||
    { cat "$work/grindel.txt"; fail "$what: Grindel exited with an error"; }
  [ -e "$mnt/SHREDTMP.\$\$\$" ] && fail "$what: the temporary folder is left"
  [ "$(cat "$mnt/KEEP.TXT")" = "$keeper" ] || fail "$what: KEEP.TXT was touched"
  unmap
  unmount
  expected=$(printf 'Task Name: %s\r\nSuccess\r\n\r\n' "$task")
  [ "$(cat "$work/app/log.txt")" = "$expected" ] || { cat -A "$work/app/log.txt"; fail "$what: log.txt"; }
}

# Free space on NTFS: deleted small files keep their data inside their MFT records.
ntfs_image "$work/freentfs.img"
resident="QVRES$$M$RANDOM"
mkdir "$mnt/small"
for i in $(seq 1 200); do printf '%s %03d\n' "$resident" "$i" >"$mnt/small/s$i.txt"; done
fill
keeper="QVKEEP$$M$RANDOM"
printf '%s\n' "$keeper" >"$mnt/KEEP.TXT"
rm -rf "$mnt/small" "$mnt/SECRET.TXT" "$mnt/Deep"
unmount
[ "$(count_in "$image" "$resident")" -ge 100 ] || fail "NTFS free space: the deleted small files left no data to find"
grep -q "$marker" "$image" || fail "NTFS free space: a plain delete already cleared the contents"
grindel_on_image "NTFS free space" freentfs /O1 /D0 "$drive:\\"
left=$(count_in "$image" "$resident")
[ "$left" = 0 ] || fail "NTFS free space: $left of the small files' data are still in the image"
grep -q "$marker" "$image" && fail "NTFS free space: the deleted contents are still in the image"
ntfsinfo -m "$image" >"$work/ntfsinfo.txt" 2>&1 || { cat "$work/ntfsinfo.txt"; fail "NTFS free space: ntfsinfo cannot read the volume"; }
echo "NTFS free space: deleted contents and the small files' records gone, kept file intact, log Success"

# A shredded file's name: NTFS keeps old names in the slack of the folder's index.
ntfs_image "$work/name.img"
name="QvName$$R${RANDOM}Secret.txt"
printf 'small\n' >"$mnt/$name"
printf '%s\n' "$keeper" >"$mnt/KEEP.TXT"
for i in $(seq 1 5); do printf 'k%d\n' "$i" >"$mnt/keep$i.txt"; done
unmount
[ "$(count_in "$image" "$name" utf-16-le)" -ge 1 ] || fail "name: the name never reached the image"
grindel_on_image name name /O0 "$drive:\\$name"
left=$(count_in "$image" "$name" utf-16-le)
[ "$left" = 0 ] || fail "name: the shredded file's name is still in the image ($left times)"
echo "name: the shredded file's name is gone from the image"

# Free space of an NTFS volume whose root is compressed: new files are
# compressed, so a fill that compresses never fills the volume.
ntfs_image "$work/compressed.img"
fill
printf '%s\n' "$keeper" >"$mnt/KEEP.TXT"
python3 -c 'import os, sys; os.setxattr(sys.argv[1], "system.ntfs_attrib_be", (0x810).to_bytes(4, "big"))' "$mnt" ||
  fail "compressed: cannot mark the root compressed"
rm -rf "$mnt/SECRET.TXT" "$mnt/Deep"
unmount
grep -q "$marker" "$image" || fail "compressed: a plain delete already cleared the contents"
grindel_on_image "compressed free space" compressed /O0 /D0 "$drive:\\"
left=$(count_in "$image" "$marker")
[ "$left" = 0 ] || fail "compressed: $left deleted marker lines are still in the image"
echo "NTFS compressed root, free space: deleted contents gone, log Success"

# A file that began inside its MFT record and grew out of it, and a folder whose
# index grew out of its record: neither record keeps the data or the names.
ntfs_image "$work/record.img"
grown="QVGROWN$$M$RANDOM"
for i in $(seq 1 3000); do printf '%s line %05d\n' "$grown" "$i"; done >"$mnt/GROWN.TXT"
mkdir "$mnt/Names"
names=()
for i in 1 2 3 4 5; do
  names+=("QvFolderName$$R${RANDOM}N$i.txt")
  printf 'n\n' >"$mnt/Names/${names[-1]}"
done
for i in $(seq 1 12); do printf 'o\n' >"$mnt/Names/other$i.txt"; done
printf '%s\n' "$keeper" >"$mnt/KEEP.TXT"
unmount
[ "$(count_in "$image" "$grown")" -ge 3000 ] || fail "record: the grown file never reached the image"
for n in "${names[@]}"; do [ "$(count_in "$image" "$n" utf-16-le)" -ge 1 ] || fail "record: $n never reached the image"; done
grindel_on_image record record /O1 "$drive:\\GROWN.TXT" "$drive:\\Names"
left=$(count_in "$image" "$grown")
[ "$left" = 0 ] || fail "record: $left lines of the grown file are still in the image"
for n in "${names[@]}"; do
  left=$(count_in "$image" "$n" utf-16-le)
  [ "$left" = 0 ] || fail "record: the shredded name $n is still in the image ($left times)"
done
echo "record: the grown file's first bytes and the folder's old names are gone from the image"
