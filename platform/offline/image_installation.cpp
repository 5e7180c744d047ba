#include "platform/offline/image_installation.h"

#include <map>
#include <utility>
#include <vector>

#include "platform/image/disk_volumes.h"
#include "platform/image/image_file_system.h"
#include "platform/image/private_copies.h"
#include "platform/offline/windows_folder.h"
#include "platform/posix/host_file_system.h"

namespace veskaro::platform {
namespace {

std::string JoinVolumes(const std::vector<const DiskVolume*>& volumes) {
  std::string out;
  for (const DiskVolume* volume : volumes) {
    out += (out.empty() ? "" : ", ") + DescribeVolume(*volume);
  }
  return out;
}

// Drive C: when volume `c` of `volumes` is C:, the others D:, E:, ... in DOS order,
// and the host's drives (HostDrives: Z: the host's "/").
DriveC DrivesWith(const std::vector<DiskVolume>& volumes, std::size_t c, int code_page) {
  std::map<char, std::shared_ptr<FatVolume>> letters{{'C', volumes[c].volume}};
  std::map<char, std::string> places;
  auto place = [&](char letter, const DiskVolume& volume) {
    if (volume.partition_type != kBareVolume) {
      places[letter] = "partition " + std::to_string(volume.number);
    }
  };
  place('C', volumes[c]);
  char next = 'D';
  for (std::size_t i = 0; i < volumes.size() && next < kHostRootDrive; ++i) {
    if (i == c) continue;
    place(next, volumes[i]);
    letters[next++] = volumes[i].volume;
  }
  DriveC drive;
  drive.files = std::make_unique<ImageFileSystem>(
      std::move(letters),
      std::make_unique<HostFileSystem>(HostDrives(), std::vector<std::string>{}, code_page),
      std::move(places));
  if (const FatVolume::Folder* root = volumes[c].volume->Root(nullptr)) {
    for (const FatVolume::Entry& entry : root->entries()) {
      if (entry.is_folder()) drive.top_level_folders.push_back(entry.name);
    }
  }
  return drive;
}

}  // namespace

std::unique_ptr<OfflineInstallation> OpenImageInstallation(const InstallationOptions& options,
                                                           std::string* error) {
  std::shared_ptr<DiskImage> image = OpenDiskImage(options.image, error);
  if (image == nullptr) return nullptr;
  return OpenImageInstallation(image, options, error);
}

std::unique_ptr<OfflineInstallation> OpenImageInstallation(const std::shared_ptr<DiskImage>& image,
                                                           const InstallationOptions& options,
                                                           std::string* error) {
  auto fail = [&](std::string text) -> std::unique_ptr<OfflineInstallation> {
    if (error) *error = std::move(text);
    return nullptr;
  };
  std::string why;
  std::vector<DiskVolume> volumes;
  if (!FindDiskVolumes(image, options.codepage, &volumes, &why)) return fail(why);
  std::vector<const DiskVolume*> all;
  for (const DiskVolume& volume : volumes) all.push_back(&volume);
  const std::string image_text = "The disk image " + options.image;

  // Which volume is drive C:.
  std::size_t chosen = volumes.size();
  if (options.partition != 0) {
    for (std::size_t i = 0; i < volumes.size(); ++i) {
      if (volumes[i].number == options.partition) chosen = i;
    }
    if (chosen == volumes.size()) {
      return fail(image_text + " has no FAT partition " + std::to_string(options.partition) +
                  ". Its FAT partitions: " + JoinVolumes(all) + ".");
    }
  } else if (volumes.size() == 1) {
    chosen = 0;
  } else {
    const bool registry_elsewhere = !options.registry_file.empty();
    std::vector<std::size_t> named;    // MSDOS.SYS names a Windows folder with SYSTEM.DAT
    std::vector<std::size_t> holding;  // a top-level folder looks like the Windows folder
    for (std::size_t i = 0; i < volumes.size(); ++i) {
      const DriveC drive = DrivesWith(volumes, i, options.codepage);
      if (!registry_elsewhere && MsdosSysNamesWindows(*drive.files)) named.push_back(i);
      if (!WindowsFolders(drive, registry_elsewhere).empty()) holding.push_back(i);
    }
    const std::vector<std::size_t>& candidates = !named.empty() ? named : holding;
    if (candidates.size() == 1) {
      chosen = candidates.front();
    } else if (candidates.size() > 1) {
      std::vector<const DiskVolume*> listed;
      for (std::size_t i : candidates) listed.push_back(&volumes[i]);
      return fail(image_text + " holds Windows on several partitions: " + JoinVolumes(listed) +
                  ". Choose the one that is drive C: with --partition N.");
    } else {
      return fail(image_text +
                  " holds no Windows installation that can be found: none of its FAT partitions (" +
                  JoinVolumes(all) +
                  ") has an MSDOS.SYS naming a Windows folder that holds SYSTEM.DAT, or a "
                  "top-level folder holding SYSTEM.DAT with WIN.COM or WIN.INI. Choose the "
                  "partition that is drive C: with --partition N.");
    }
  }

  const DiskVolume& c = volumes[chosen];
  const std::string where =
      volumes.size() == 1 && c.partition_type == kBareVolume
          ? "the disk image " + options.image
          : "partition " + std::to_string(c.number) + " of the disk image " + options.image;
  // Damage anywhere in drive C: is reported now rather than met halfway.
  if (c.offset + c.volume->size() > image->size()) {
    return fail(image_text + " is cut short: partition " + std::to_string(c.number) + " (" +
                c.volume->type() + ") ends " + SizeText(c.offset + c.volume->size()) +
                " into the disk, but the image holds only " + SizeText(image->size()) + ".");
  }
  if (!c.volume->ReadAllFolders(&why)) {
    return fail(image_text + " is damaged: on partition " + std::to_string(c.number) + ", " + why +
                ".");
  }
  DriveC drive = DrivesWith(volumes, chosen, options.codepage);
  drive.where = where;
  auto installation = CompleteInstallation(std::move(drive), options, error);
  if (installation != nullptr) {
    auto copies = std::make_shared<PrivateCopies>(*installation->files);
    installation->host_file_of = [copies](std::string_view path) { return copies->CopyOf(path); };
  }
  return installation;
}

}  // namespace veskaro::platform
