#!/usr/bin/env bash
# Writes the disk images of a generated installation, without mounting anything:
# PREFIX.img, an MBR disk with one FAT32 partition holding DRIVE_C's tree, and
# PREFIX.vhd, the same disk as a dynamic VHD.
#
#   bench/make_image.sh DRIVE_C PREFIX
set -euo pipefail
drive_c=$1
prefix=$2
export MTOOLS_SKIP_CHECK=1
# Room for the files, their clusters' slack and the FATs: twice the tree, 64 MB at least.
kb=$(du -sk "$drive_c" | cut -f1)
mb=$(((kb * 2 / 1024) + 64))
rm -f "$prefix.img" "$prefix.vhd"
truncate -s "${mb}M" "$prefix.img"
printf 'label: dos\nstart=2048, type=c, bootable\n' | sfdisk -q "$prefix.img"
mkfs.fat -F 32 -n BENCH --offset 2048 "$prefix.img" $(((mb - 1) * 1024)) >/dev/null 2>&1
mcopy -s -i "$prefix.img@@1M" "$drive_c"/* ::/
qemu-img convert -f raw -O vpc "$prefix.img" "$prefix.vhd"
