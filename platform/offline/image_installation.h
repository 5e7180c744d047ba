// An offline Windows 95/98/Me installation inside a disk image: which FAT partition
// is drive C:, the letters of the others, and the registry read from the image.
#pragma once

#include <memory>
#include <string>

#include "platform/image/disk_image.h"
#include "platform/offline/installation.h"

namespace veskaro::platform {

/// Opens the installation on the disk image `options.image`.
///
/// Drive C: is partition `options.partition` when given; else the FAT partition
/// whose root holds an MSDOS.SYS naming a Windows folder that holds SYSTEM.DAT;
/// else the one FAT partition with a top-level folder holding SYSTEM.DAT with
/// WIN.COM or WIN.INI (WIN.COM or WIN.INI alone when the registry comes from
/// elsewhere); else the only FAT partition. A disk without a partition table is one
/// partition. The other FAT partitions are D:, E:, ... in the order DOS gives
/// letters; Z: is the host's "/". The Windows folder and the registry are then found
/// as on a folder (CompleteInstallation); the hive is read from the image into
/// memory. Every folder of drive C: is read at once, so that damage is reported now.
///
/// @return null, with `*error` naming the image and what is wrong: it cannot be
///         read, holds no FAT partition, several partitions hold Windows (they are
///         listed, with number, type, size and label, and --partition asked for),
///         the partition asked for is not there, or drive C: is damaged.
std::unique_ptr<OfflineInstallation> OpenImageInstallation(const InstallationOptions& options,
                                                           std::string* error);

/// The same on `image`, already open (`options.image` names it in messages).
std::unique_ptr<OfflineInstallation> OpenImageInstallation(const std::shared_ptr<DiskImage>& image,
                                                           const InstallationOptions& options,
                                                           std::string* error);

}  // namespace veskaro::platform
