#!/usr/bin/env bash
# Writes the seeds of the disk_image fuzz target into fuzz/corpus/disk_image/: the
# smallest images that hold a Windows installation made from the bundled sample
# (MSDOS.SYS, the Windows folder with the sample's registry as a compact hive, an
# INF under its long name, a hidden file), as a bare FAT12 volume, in a primary
# partition, and on a logical drive.
#
#   fuzz/seed_sources/disk_image/make_seeds.sh BUILD_DIR   (reg2dat must be built there)
set -euo pipefail
cd "$(dirname "$0")/../../.."
build=${1:-build/dev}
out=fuzz/corpus/disk_image
export MTOOLS_SKIP_CHECK=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
sample=samples/win98/drive_c

"$build/tools/creg/reg2dat" --page 4 samples/win98/system.reg "$work/SYSTEM.DAT"
printf '[Paths]\r\nWinDir=C:\\WINDOWS\r\n' >"$work/MSDOS.SYS"

# volume IMAGE@@OFFSET: a 48 KB FAT12 volume there, with the installation.
volume() {
  local image=$1 offset=$2
  mkfs.fat -F 12 -r 16 -s 1 -n WIN98 -i 19981998 --offset "$offset" "$image" 48 >/dev/null 2>&1
  local vol="$image@@$((offset * 512))"
  mmd -i "$vol" ::/WINDOWS ::/WINDOWS/INF ::/WINDOWS/INF/OTHER
  mcopy -i "$vol" "$work/MSDOS.SYS" ::/MSDOS.SYS
  mcopy -i "$vol" "$work/SYSTEM.DAT" ::/WINDOWS/SYSTEM.DAT
  mcopy -i "$vol" "$sample/WINDOWS/WIN.COM" "$sample/WINDOWS/WIN.INI" ::/WINDOWS/
  mcopy -i "$vol" "$sample/WINDOWS/INF/OTHER/Halvorsen AudioHVSND.INF" ::/WINDOWS/INF/OTHER/
  mcopy -i "$vol" "$sample/WINDOWS/OSTJOY.INI" ::/WINDOWS/HIDDEN.INI
  mattrib -i "$vol" +h +s ::/MSDOS.SYS ::/WINDOWS/SYSTEM.DAT
  mattrib -i "$vol" +h ::/WINDOWS/HIDDEN.INI
}

rm -f "$out"/bare.img "$out"/mbr.img "$out"/logical.img
truncate -s 48K "$out/bare.img"
volume "$out/bare.img" 0

truncate -s $((512 + 48 * 1024)) "$out/mbr.img"
printf 'label: dos\nlabel-id: 0x19981998\nstart=1, type=1\n' | sfdisk -q "$out/mbr.img" 2>/dev/null
volume "$out/mbr.img" 1

truncate -s $((1024 + 48 * 1024)) "$out/logical.img"
printf 'label: dos\nlabel-id: 0x19981998\nstart=1, type=5\nstart=2, type=1\n' | sfdisk -q "$out/logical.img" 2>/dev/null
volume "$out/logical.img" 2
