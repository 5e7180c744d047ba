#include "platform/image/disk_volumes.h"

#include <tsk/libtsk.h>

#include <algorithm>
#include <cstdio>

namespace veskaro::platform {
namespace {

struct VsCloser {
  void operator()(TSK_VS_INFO* vs) const { tsk_vs_close(vs); }
};

bool IsExtendedType(unsigned char type) { return type == 0x05 || type == 0x0F || type == 0x85; }

// The Sleuth Kit stops reading a chain of extended partition tables that leads back
// to a table already read, without saying so. Such a chain is damage: this finds a
// link of a table the library read that points at itself or at an earlier table.
// Returns the sector of the table holding that link, or 0 when there is none.
TSK_DADDR_T LoopingTable(TSK_IMG_INFO* img, const TSK_VS_INFO* vs,
                         const std::vector<const TSK_VS_PART_INFO*>& tables,
                         TSK_DADDR_T extended_start) {
  for (const TSK_VS_PART_INFO* table : tables) {
    unsigned char sector[512];
    const TSK_OFF_T at = static_cast<TSK_OFF_T>(table->start) * vs->block_size;
    if (tsk_img_read(img, at, reinterpret_cast<char*>(sector), sizeof sector) !=
        static_cast<ssize_t>(sizeof sector)) {
      tsk_error_reset();
      continue;
    }
    for (int slot = 0; slot < 4; ++slot) {
      const unsigned char* entry = sector + 446 + 16 * slot;
      if (!IsExtendedType(entry[4])) continue;
      const TSK_DADDR_T target =
          extended_start + (static_cast<TSK_DADDR_T>(entry[8]) | entry[9] << 8 | entry[10] << 16 |
                            static_cast<TSK_DADDR_T>(entry[11]) << 24);
      for (const TSK_VS_PART_INFO* earlier : tables) {
        if (earlier->table_num <= table->table_num && earlier->start == target) {
          return table->start;
        }
      }
    }
  }
  return 0;
}

}  // namespace

std::string SizeText(std::uint64_t bytes) {
  char text[32];
  const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  if (mb >= 1024.0) {
    std::snprintf(text, sizeof text, "%.1f GB", mb / 1024.0);
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", mb);
  }
  return text;
}

bool FindDiskVolumes(const std::shared_ptr<DiskImage>& image, int codepage,
                     std::vector<DiskVolume>* volumes, std::string* error) {
  volumes->clear();
  // A disk whose first sector cannot be read (a broken block table of a VHD, VMDK
  // or qcow2 image) is damaged, whatever it holds.
  char first[512];
  tsk_error_reset();
  if (tsk_img_read(image->info(), 0, first, sizeof first) < 0) {
    if (error) {
      *error = "The " + image->format() + " image " + image->path() +
               " is damaged: its first sector cannot be read (" + TskErrorText() + ").";
    }
    return false;
  }
  // A disk that begins with a FAT boot sector has no partition table.
  std::string bare_error;
  if (auto bare = FatVolume::Open(image, 0, codepage, &bare_error)) {
    DiskVolume volume;
    volume.partition_type = kBareVolume;
    volume.volume = std::move(bare);
    volumes->push_back(std::move(volume));
    return true;
  }

  tsk_error_reset();
  std::unique_ptr<TSK_VS_INFO, VsCloser> vs(tsk_vs_open(image->info(), 0, TSK_VS_TYPE_DOS));
  if (vs == nullptr) {
    if (error) {
      *error = "The disk image " + image->path() +
               " holds neither a FAT volume nor a DOS partition table (" +
               TskErrorText(bare_error) + ").";
    }
    return false;
  }

  // The data partitions in partition-table order: the primary table first, then each
  // table of the extended partition's chain.
  std::vector<const TSK_VS_PART_INFO*> parts;
  std::vector<const TSK_VS_PART_INFO*> extended_tables;
  TSK_DADDR_T extended_start = 0;
  for (TSK_PNUM_T i = 0; i < vs->part_count; ++i) {
    const TSK_VS_PART_INFO* part = tsk_vs_part_get(vs.get(), i);
    if (part == nullptr) continue;
    if ((part->flags & TSK_VS_PART_FLAG_ALLOC) != 0) parts.push_back(part);
    if ((part->flags & TSK_VS_PART_FLAG_META) != 0 && part->table_num > 0 && part->slot_num < 0) {
      extended_tables.push_back(part);
    }
    if ((part->flags & TSK_VS_PART_FLAG_META) != 0 && part->table_num == 0 &&
        part->slot_num >= 0 && extended_start == 0) {
      extended_start = part->start;
    }
  }
  if (const TSK_DADDR_T looping =
          LoopingTable(image->info(), vs.get(), extended_tables, extended_start)) {
    if (error) {
      *error = "The disk image " + image->path() +
               " is damaged: the chain of its extended partition's tables loops back (at "
               "sector " +
               std::to_string(looping) + ").";
    }
    return false;
  }
  std::sort(parts.begin(), parts.end(), [](const TSK_VS_PART_INFO* a, const TSK_VS_PART_INFO* b) {
    return a->table_num != b->table_num ? a->table_num < b->table_num : a->slot_num < b->slot_num;
  });

  std::vector<DiskVolume> primary;
  std::vector<DiskVolume> logical;
  std::string reasons;
  int next_logical = 5;
  for (const TSK_VS_PART_INFO* part : parts) {
    DiskVolume volume;
    volume.logical = part->table_num > 0;
    volume.number = volume.logical ? next_logical++ : part->slot_num + 1;
    volume.partition_type = part->desc != nullptr ? part->desc : "unknown";
    volume.offset = static_cast<std::uint64_t>(part->start) * vs->block_size;
    std::string why;
    volume.volume = FatVolume::Open(image, volume.offset, codepage, &why);
    if (volume.volume == nullptr) {
      reasons += (reasons.empty() ? "" : "; ") + std::string("partition ") +
                 std::to_string(volume.number) + ": " + why;
      continue;
    }
    (volume.logical ? logical : primary).push_back(std::move(volume));
  }
  if (primary.empty() && logical.empty()) {
    if (error) {
      *error = "The disk image " + image->path() + " has no FAT volume that can be read (" +
               (reasons.empty() ? "its partition table lists no partition" : reasons) + ").";
    }
    return false;
  }
  // DOS gives C: to the first primary partition, then letters to the logical drives,
  // then to the other primary partitions.
  if (!primary.empty()) volumes->push_back(std::move(primary.front()));
  for (auto& volume : logical) volumes->push_back(std::move(volume));
  for (std::size_t i = 1; i < primary.size(); ++i) volumes->push_back(std::move(primary[i]));
  return true;
}

std::string DescribeVolume(const DiskVolume& volume) {
  std::string text = std::to_string(volume.number) + " (" + volume.volume->type() + ", " +
                     SizeText(volume.volume->size());
  if (!volume.volume->label().empty()) text += ", label " + volume.volume->label();
  return text + ")";
}

}  // namespace veskaro::platform
