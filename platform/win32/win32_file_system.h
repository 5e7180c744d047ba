// The file system of the running Windows system.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace veskaro::platform {

/// Windows paths handed to the 8-bit kernel32 file functions as they are.
class Win32FileSystem : public FileSystem {
 public:
  /// FindFirstFileA, skipping "." and ".." and entries of the wrong kind (hidden, system and
  /// folders for kNormal; anything but folders for kDirectory); the name found is the entry's long
  /// name (cFileName) also when `path` spells its 8.3 alias. For kDirectory one trailing backslash
  /// is dropped (FindFirstFileA finds nothing for "C:\X\"); a drive root has no entry and is not
  /// found.
  std::string FindFirst(std::string_view path, SearchKind kind) const override;

  /// CreateDirectoryA. A last component that is no valid Windows name
  /// (IsValidLongName) is refused with kOther before the system sees it, as FAT
  /// refuses it (NTFS would take "a:b" as a stream); likewise the target of a copy.
  FsStatus MakeDirectory(std::string_view path) override;

  /// Copies to a new temporary file in the target's folder (CopyFileA), then puts
  /// it in place with renames only: an existing target is first renamed to a
  /// second temporary name, the copy renamed to the target, and the old file
  /// deleted; if the copy cannot take the target's name, the old file is renamed
  /// back. Windows 9x has no replacing rename (MoveFileExA), hence the two steps:
  /// between them the old data lives on under the temporary name. An existing
  /// target that is read-only or a folder is left alone and fails (kOther), as a
  /// plain copy over it would.
  FsStatus CopyFile(std::string_view from, std::string_view to) override;

  /// CreateFileA for sequential reading; ReadFile in the blocks the reader asks for.
  std::unique_ptr<ByteSource> OpenRead(std::string_view path, std::string* error) override;
};

}  // namespace veskaro::platform
