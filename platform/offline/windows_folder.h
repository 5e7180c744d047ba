// Finding the Windows folder of an installation's drive C: and reading its registry:
// one rule for host folders and disk images. Everything goes through the drive's
// FileSystem, and MSDOS.SYS and SYSTEM.DAT are read whatever their attributes (on a
// real Windows 98 disk both are hidden and system, which only the directory search
// heeds).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/offline/installation.h"

namespace veskaro::platform {

/// Drive C: of an installation, as the rule reads it.
struct DriveC {
  /// The installation's drives; C: is the one the rule reads.
  std::unique_ptr<FileSystem> files;
  /// The names of C:'s top-level folders, in the drive's order.
  std::vector<std::string> top_level_folders;
  /// Drive C: in words, for messages: a host folder, or a partition of a disk image.
  std::string where;
  /// The host folder that may hold a REGEDIT4 export "system.reg" beside drive C:
  /// (the bundled sample's layout); empty when there is none to look in.
  std::string beside;
  /// The host file of a Windows path of drive C:, when it is one (a host folder);
  /// empty text when the drive is no host folder.
  std::function<std::string(std::string_view windows_path)> host_path_of;
};

/// The "WinDir=" of the "[Paths]" section of C:\MSDOS.SYS without a trailing "\"
/// ("C:\WINDOWS"), or empty text when there is no such text file.
std::string WinDirOfMsdosSys(FileSystem& files);

/// True when file `path` exists, whatever its attributes.
bool HoldsFile(FileSystem& files, const std::string& path);

/// True when `folder` ("C:\WINDOWS") looks like a Windows folder: it holds WIN.COM
/// or WIN.INI, and SYSTEM.DAT unless the registry is read from elsewhere.
bool IsWindowsFolder(FileSystem& files, const std::string& folder, bool registry_elsewhere);

/// The top-level folders of drive C: ("C:\NAME") that IsWindowsFolder accepts.
std::vector<std::string> WindowsFolders(const DriveC& drive, bool registry_elsewhere);

/// True when C:\MSDOS.SYS names a Windows folder that holds SYSTEM.DAT.
bool MsdosSysNamesWindows(FileSystem& files);

/// Completes an installation over `drive`: the Windows folder is `options.windir`
/// when given, else the WinDir= of MSDOS.SYS, else the one top-level folder holding
/// SYSTEM.DAT with WIN.COM or WIN.INI. The registry is `options.registry_file` when
/// given, else SYSTEM.DAT in the Windows folder, else the export beside drive C:.
/// A registry from elsewhere still needs a Windows folder: the one top-level folder
/// holding WIN.COM or WIN.INI, else C:\WINDOWS.
/// @return null, with `*error` saying what was looked for and where, when no
///         registry is found, several folders could be the Windows folder, or the
///         registry cannot be loaded.
std::unique_ptr<OfflineInstallation> CompleteInstallation(DriveC drive,
                                                          const InstallationOptions& options,
                                                          std::string* error);

}  // namespace veskaro::platform
