// The FAT volumes of a disk image: a bare volume, or the partitions of a DOS
// partition table (primary and logical), found through The Sleuth Kit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/image/disk_image.h"
#include "platform/image/fat_volume.h"

namespace veskaro::platform {

/// One FAT volume of a disk.
/// The partition type of a volume on a disk without a partition table.
inline constexpr char kBareVolume[] = "bare volume";

struct DiskVolume {
  /// The partition's number as Linux gives it: 1 to 4 for the primary partitions by
  /// their slot in the partition table, 5 and up for the logical drives in the order
  /// of the extended partition's chain. A bare volume is number 1.
  int number = 1;
  bool logical = false;
  /// What the partition table says the partition is ("DOS FAT16 (0x06)"), or "bare
  /// volume" when the disk has no partition table.
  std::string partition_type;
  std::uint64_t offset = 0;  ///< where the volume begins on the disk, in bytes
  std::shared_ptr<FatVolume> volume;
};

/// The FAT volumes of `image` (names in Windows code page `codepage`), in the order
/// DOS gives them drive letters: the first primary FAT partition, the logical drives
/// in chain order, then the other primary partitions. A disk whose first sector
/// begins a FAT volume is that one volume. Partitions that hold no FAT volume are
/// left out.
/// @return false, with `*error` one sentence naming the image and what is wrong, when
///         the disk holds no FAT volume at all.
bool FindDiskVolumes(const std::shared_ptr<DiskImage>& image, int codepage,
                     std::vector<DiskVolume>* volumes, std::string* error);

/// A size as "512.0 MB" or "2.0 GB".
std::string SizeText(std::uint64_t bytes);

/// "1 (FAT32, 2.0 GB, label WIN98)": a volume as a list of candidates shows it.
std::string DescribeVolume(const DiskVolume& volume);

}  // namespace veskaro::platform
