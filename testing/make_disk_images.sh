#!/usr/bin/env bash
# Writes the disk images the tests read, from the bundled sample installation,
# without mounting anything and without root: mkfs.fat and mtools write the FAT
# volumes, sfdisk the partition tables, qemu-img the VHD, VMDK and qcow2 forms.
#
#   testing/make_disk_images.sh OUT_DIR [SAMPLE_DRIVE_C]
#
# OUT_DIR/sample-fat16.img     the sample as a bare FAT16 volume
# OUT_DIR/sample-fat32.img     the sample on FAT32 in the first partition of an MBR disk
# OUT_DIR/sample-logical.img   a small FAT12 primary partition (no Windows), then the
#                              sample on a FAT16 logical drive of an extended partition
# OUT_DIR/sample-fat32.{vhd,vmdk,qcow2}   sample-fat32.img in those formats
# OUT_DIR/two-windows.img      the sample in both of two primary partitions
# OUT_DIR/aliases.txt          "<folder>\t<long name>\t<alias>" for the long names of
#                              WINDOWS\INF\OTHER of sample-fat16.img, read back with mdir
# OUT_DIR/bad-*                damaged copies of those (see the end of this script)
#
# Each FAT volume also holds what only an image can hold: MSDOS.SYS and SYSTEM.DAT
# hidden and system, a read-only driver file, a hidden and a system INF, a deleted
# INF, and two long names created in the opposite order of their names, so that
# their stored aliases differ from the ones a sorted list would get.
set -euo pipefail
out=$1
sample=${2:-$(cd "$(dirname "$0")/.." && pwd)/samples/win98/drive_c}
export MTOOLS_SKIP_CHECK=1 MTOOLS_LOWER_CASE=0
mkdir -p "$out"
work=$(mktemp -d "$out/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT

# fill IMAGE@@OFFSET: the sample and the image-only files on the volume there.
fill() {
  local vol=$1
  mcopy -s -i "$vol" "$sample"/* ::/
  mattrib -i "$vol" +h +s +r ::/MSDOS.SYS
  mattrib -i "$vol" +h +s ::/WINDOWS/SYSTEM.DAT
  mattrib -i "$vol" +r ::/WINDOWS/SYSTEM/ZENAUD.SYS
  printf '[Version]\r\n' >"$work/x.inf"
  mcopy -i "$vol" "$work/x.inf" ::/WINDOWS/INF/HIDDEN.INF
  mcopy -i "$vol" "$work/x.inf" ::/WINDOWS/INF/SYSFILE.INF
  mcopy -i "$vol" "$work/x.inf" ::/WINDOWS/INF/DELETED.INF
  mattrib -i "$vol" +h ::/WINDOWS/INF/HIDDEN.INF
  mattrib -i "$vol" +s ::/WINDOWS/INF/SYSFILE.INF
  mdel -i "$vol" ::/WINDOWS/INF/DELETED.INF
  printf 'second\r\n' >"$work/second.txt"
  printf 'first\r\n' >"$work/first.txt"
  mcopy -i "$vol" "$work/second.txt" "::/WINDOWS/Long Name Second.txt"
  mcopy -i "$vol" "$work/first.txt" "::/WINDOWS/Long Name First.txt"
}

# A bare FAT16 volume.
img=$out/sample-fat16.img
rm -f "$img"
mkfs.fat -C -F 16 -n WIN98 "$img" 16384 >/dev/null
fill "$img"
mdir -i "$img" ::/WINDOWS/INF/OTHER ::/WINDOWS >"$work/mdir.txt"

# FAT32 in the first partition of an MBR disk.
img=$out/sample-fat32.img
rm -f "$img"
truncate -s 48M "$img"
printf 'label: dos\nstart=2048, type=c, bootable\n' | sfdisk -q "$img"
mkfs.fat -F 32 -n WIN98 --offset 2048 "$img" $(((48 * 1024 - 1024))) >/dev/null
fill "$img@@1M"

# A small primary partition, then the sample on a logical drive.
img=$out/sample-logical.img
rm -f "$img"
truncate -s 24M "$img"
printf 'label: dos\nstart=2048, size=4096, type=1\nstart=6144, type=5\nstart=8192, type=6\n' |
  sfdisk -q "$img"
mkfs.fat -F 12 -n DATA --offset 2048 "$img" 2048 >/dev/null 2>&1
printf 'data\r\n' >"$work/data.txt"
mcopy -i "$img@@1M" "$work/data.txt" ::/DATA.TXT
mkfs.fat -F 16 -n WIN98 --offset 8192 "$img" $(((24 * 1024 - 4096))) >/dev/null
fill "$img@@4M"

# Two primary partitions, each with the sample.
img=$out/two-windows.img
rm -f "$img"
truncate -s 34M "$img"
printf 'label: dos\nstart=2048, size=32768, type=6\nstart=34816, type=6\n' | sfdisk -q "$img"
mkfs.fat -F 16 -n FIRST --offset 2048 "$img" 16384 >/dev/null 2>&1
mkfs.fat -F 16 -n SECOND --offset 34816 "$img" $(((34 * 1024 - 17408))) >/dev/null
mcopy -s -i "$img@@1M" "$sample"/* ::/
mcopy -s -i "$img@@17M" "$sample"/* ::/

# The other formats of the FAT32 disk.
qemu-img convert -f raw -O vpc "$out/sample-fat32.img" "$out/sample-fat32.vhd"
qemu-img convert -f raw -O vmdk "$out/sample-fat32.img" "$out/sample-fat32.vmdk"
qemu-img convert -f raw -O qcow2 "$out/sample-fat32.img" "$out/sample-fat32.qcow2"

# The stored aliases of the long names, as mtools reads them back.
# mdir writes an entry as the 8.3 name in columns 1-8 and 10-12, then size, date,
# time and the long name.
awk '/^Directory for/ { dir = $3 }
     substr($0, 1, 8) ~ /~/ {
       base = substr($0, 1, 8); ext = substr($0, 10, 3)
       sub(/ +$/, "", base); sub(/ +$/, "", ext)
       long = $0; sub(/^.*[0-9][0-9]:[0-9][0-9] +/, "", long)
       print dir "\t" long "\t" base (ext == "" ? "" : "." ext)
     }' "$work/mdir.txt" >"$out/aliases.txt"

# ---- Damaged images: each one a good image with one kind of damage. ----

# put FILE OFFSET HEX...: writes the bytes (two hex digits each) at OFFSET.
put() {
  local file=$1 offset=$2 bytes=""
  shift 2
  for b in "$@"; do bytes+="\\x$b"; done
  printf "$bytes" | dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
}
# number FILE OFFSET SIZE: an unsigned little-endian number of SIZE bytes.
number() { od -An -tu"$3" -j"$2" -N"$3" "$1" | tr -d ' '; }
# first_cluster IMAGE PATH: the first cluster of a file or folder, as mshowfat says.
first_cluster() { mshowfat -i "$1" "::$2" | sed 's/.*<\([0-9]*\).*/\1/'; }
# fat16_set IMAGE CLUSTER LO HI: the entry of CLUSTER in both FATs of a bare FAT16 volume.
fat16_set() {
  local img=$1 cluster=$2 reserved fat_sectors
  reserved=$(number "$img" 14 2)
  fat_sectors=$(number "$img" 22 2)
  put "$img" $((reserved * 512 + 2 * cluster)) "$3" "$4"
  put "$img" $(((reserved + fat_sectors) * 512 + 2 * cluster)) "$3" "$4"
}

good=$out/sample-fat16.img
hive_start=$(first_cluster "$good" /WINDOWS/SYSTEM.DAT)

# The image ends long before its partition does.
head -c 8M "$out/sample-fat32.img" >"$out/bad-truncated.img"

# The hive's chain of clusters loops back to its first cluster.
cp "$good" "$out/bad-fat-loop.img"
fat16_set "$out/bad-fat-loop.img" $((hive_start + 1)) \
  "$(printf %02x $((hive_start & 255)))" "$(printf %02x $((hive_start >> 8)))"

# The hive's chain goes on to a cluster beyond the end of the volume.
cp "$good" "$out/bad-fat-beyond.img"
fat16_set "$out/bad-fat-beyond.img" $((hive_start + 1)) 00 ff

# WINDOWS\SYSTEM\VIEWERS is stored where WINDOWS is: a folder that contains itself.
cp "$good" "$out/bad-folder-loop.img"
windows=$(first_cluster "$good" /WINDOWS)
entry=$(grep -obUaP 'VIEWERS {4}\x10' "$good" | head -n 1 | cut -d: -f1)
put "$out/bad-folder-loop.img" $((entry + 26)) \
  "$(printf %02x $((windows & 255)))" "$(printf %02x $((windows >> 8)))"

# The chain of extended partition tables loops: the first table's link leads to a
# second table, whose link leads back to the first.
cp "$out/sample-logical.img" "$out/bad-ebr-loop.img"
put "$out/bad-ebr-loop.img" $((6144 * 512 + 462)) 00 00 00 00 05 00 00 00 01 00 00 00 00 10 00 00
put "$out/bad-ebr-loop.img" $((6145 * 512 + 462)) 00 00 00 00 05 00 00 00 00 00 00 00 00 10 00 00
put "$out/bad-ebr-loop.img" $((6145 * 512 + 510)) 55 aa

# A valid-looking partition table, with garbage where its FAT32 volume should begin.
cp "$out/sample-fat32.img" "$out/bad-garbage.img"
head -c 65536 /dev/zero | tr '\0' 'Z' |
  dd of="$out/bad-garbage.img" bs=512 seek=2048 conv=notrunc status=none

# VHD, VMDK and qcow2 images whose block tables point far beyond their files.
cp "$out/sample-fat32.vhd" "$out/bad-table.vhd"
bat=$(od -An -tx1 -j528 -N8 "$out/bad-table.vhd" | tr -d ' ')
for i in $(seq 0 23); do put "$out/bad-table.vhd" $((16#$bat + 4 * i)) 7f 7f 7f 7f; done
# (A single-file VMDK names its own file as its data: it is made under its name.)
qemu-img convert -f raw -O vmdk "$out/sample-fat32.img" "$out/bad-table.vmdk"
for field in 48 56; do
  gd=$(number "$out/bad-table.vmdk" $field 8)
  for i in $(seq 0 15); do put "$out/bad-table.vmdk" $((gd * 512 + 4 * i)) 7f 7f 7f 7f; done
done
cp "$out/sample-fat32.qcow2" "$out/bad-table.qcow2"
l1=$(od -An -tx1 -j40 -N8 "$out/bad-table.qcow2" | tr -d ' ')
put "$out/bad-table.qcow2" $((16#$l1)) 80 00 7f 7f 7f 7f 00 00

# A single-file VMDK renamed: its descriptor still names the file by its old name.
mkdir -p "$out/renamed"
cp "$out/sample-fat32.vmdk" "$out/renamed/win98.vmdk"
