// An offline Windows 95/98/Me installation on a Unix host: the folder that was its
// drive C:, its registry (SYSTEM.DAT or a REGEDIT4 export) and its Windows folder,
// presented through the platform interfaces the program reads.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/offline/creg_registry.h"
#include "platform/registry.h"

namespace veskaro::platform {

/// What the user chose; empty texts let OpenInstallation find things itself.
struct InstallationOptions {
  /// Host folder that is the installation's drive C:.
  std::string root;
  /// Instead of `root`: host path of a disk image (raw or split raw file, block
  /// device, VHD, VMDK, EWF or qcow2) whose FAT partition is drive C:.
  std::string image;
  /// The partition of `image` that is drive C:, numbered as Linux numbers them (1 to
  /// 4 primary, 5 and up the logical drives; a disk without a partition table is
  /// partition 1). 0: the partition that holds Windows.
  int partition = 0;
  /// Host path of the registry to read: a SYSTEM.DAT hive or a REGEDIT4 export,
  /// told apart by their first bytes ("CREG" or "REGEDIT4"). Empty: the hive in
  /// the Windows folder.
  std::string registry_file;
  /// The Windows folder as a Windows path ("C:\WINDOWS"). Empty: found as below.
  std::string windir;
  /// Code page of the hive's key and value names (see LoadCregFile).
  int codepage = kCregDefaultCodepage;
};

/// The services over one installation. Drive C: is the root folder or the image's
/// partition, which is never written; drive Z: is the host's "/" (so any host
/// folder can be a copy target).
struct OfflineInstallation {
  std::unique_ptr<Registry> registry;        ///< read-only, loaded into memory
  std::unique_ptr<FileSystem> files;         ///< a HostFileSystem or an ImageFileSystem
  std::unique_ptr<Environment> environment;  ///< "windir" = `windir`
  /// The Windows folder as a Windows path without a trailing backslash ("C:\WINDOWS").
  std::string windir;
  /// Which registry was read, for display: its host path and kind.
  std::string registry_description;
  /// The host file that stands for a file of the installation (a Windows path), to
  /// hand to a host program: the file itself in a host folder, a private read-only
  /// copy of a file on a disk image (removed with the installation). Empty text when
  /// there is no such file.
  std::function<std::string(std::string_view windows_path)> host_file_of;
};

/// Opens the installation whose drive C: is the host folder `options.root`, or a
/// partition of the disk image `options.image` (see OpenImageInstallation).
///
/// The Windows folder is `options.windir` when given; else the "WinDir=" of the
/// "[Paths]" section of the root's MSDOS.SYS (a text file of any letter case;
/// a binary MSDOS.SYS names none); else the one top-level folder holding SYSTEM.DAT
/// together with WIN.COM or WIN.INI. Names on disk match ignoring letter case.
///
/// The registry is `options.registry_file` when given; else "SYSTEM.DAT" in the
/// Windows folder; else, when the root holds no such hive, a REGEDIT4 export named
/// "system.reg" in the folder that contains the root (the bundled sample's layout).
/// When the registry does not come from the Windows folder and the rules above find
/// no Windows folder, the one top-level folder holding WIN.COM or WIN.INI is taken,
/// else "C:\WINDOWS".
///
/// @return null, with `*error` saying what was looked for and where, when the root
///         is no folder, no registry is found, several folders could be the Windows
///         folder, or the registry cannot be loaded.
std::unique_ptr<OfflineInstallation> OpenInstallation(const InstallationOptions& options,
                                                      std::string* error);

}  // namespace veskaro::platform
