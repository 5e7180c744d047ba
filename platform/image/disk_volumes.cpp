#include "platform/image/disk_volumes.h"

#include <tsk/libtsk.h>

#include <algorithm>
#include <cstdio>

namespace veskaro::platform {
namespace {

struct VsCloser {
  void operator()(TSK_VS_INFO* vs) const { tsk_vs_close(vs); }
};

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

}  // namespace

bool FindDiskVolumes(const std::shared_ptr<DiskImage>& image, int codepage,
                     std::vector<DiskVolume>* volumes, std::string* error) {
  volumes->clear();
  // A disk that begins with a FAT boot sector has no partition table.
  std::string bare_error;
  if (auto bare = FatVolume::Open(image, 0, codepage, &bare_error)) {
    DiskVolume volume;
    volume.partition_type = "bare volume";
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
  for (TSK_PNUM_T i = 0; i < vs->part_count; ++i) {
    const TSK_VS_PART_INFO* part = tsk_vs_part_get(vs.get(), i);
    if (part != nullptr && (part->flags & TSK_VS_PART_FLAG_ALLOC) != 0) parts.push_back(part);
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
