// Windows paths over the FAT volumes of a disk image, one volume per drive letter.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/image/fat_volume.h"
#include "platform/posix/host_file_system.h"

namespace veskaro::platform {

/// The drives of a disk image, read as Windows 95 reads a FAT volume.
///
/// Lookup: each path component names an entry of its folder by its long name or by
/// the 8.3 alias stored beside it, ignoring code page 1252 letter case; a folder
/// component must name a folder (of any attributes). "\" and "/" both separate
/// components; "." and ".." are applied to the text. Names come back as stored (the
/// long name when there is one; an 8.3 name with Windows NT's lower-case bits in
/// lower case, as Windows NT and Linux show it).
///
/// Directory search (FindFirst):
/// - kNormal finds a file that is neither hidden nor system (read-only files are
///   found as any other); a path ending in "\" or naming a drive root finds nothing.
/// - kDirectory finds a folder of any attributes. A path ending in "\" tests the
///   folder it names and yields that folder's stored name ("C:\" for a drive root).
/// - A last component holding "*" or "?" is a pattern (MatchesWildcard) tried on
///   each entry's long name and 8.3 alias; the first entry of the wanted kind in the
///   volume's directory order is yielded. Wildcards in other components find nothing.
/// - Deleted entries and volume labels are never found.
///
/// OpenRead opens a file whatever its attributes. The volumes are never written:
/// MakeDirectory and CopyFile onto them fail with kOther.
///
/// LocateOnHost names the image file and, inside it, the volume ("partition N", or
/// nothing for a bare volume) and the path on it in stored names
/// ("partition 1:\WINDOWS\INF\OTHER\GARROW56.INF"); hidden and system files are
/// named too, as OpenRead reads them.
///
/// Every other drive letter is the host's, answered by a HostFileSystem (typically
/// Z:, the host's "/"), which finds nothing without one. A copy from a volume onto
/// such a drive is written by the host file system (HostFileSystem::CopyIn: through
/// a temporary, all or nothing, keeping the file's last-write time).
class ImageFileSystem : public FileSystem {
 public:
  /// `drives`: drive letter (either case) -> volume; `host`: the other letters;
  /// `places`: drive letter -> where its volume lies in the image ("partition 1"),
  /// for LocateOnHost (a letter without one is a bare volume).
  explicit ImageFileSystem(std::map<char, std::shared_ptr<FatVolume>> drives,
                           std::unique_ptr<HostFileSystem> host = nullptr,
                           std::map<char, std::string> places = {});
  ~ImageFileSystem() override;

  std::string FindFirst(std::string_view path, SearchKind kind) const override;
  FsStatus MakeDirectory(std::string_view path) override;
  FsStatus CopyFile(std::string_view from, std::string_view to) override;
  std::unique_ptr<ByteSource> OpenRead(std::string_view path, std::string* error) override;
  HostLocation LocateOnHost(std::string_view path) const override;

  /// True when `letter` stands for a volume of the image.
  bool HasDrive(char letter) const;

 private:
  struct Resolved;
  bool Resolve(std::string_view path, Resolved* out) const;

  std::map<char, std::shared_ptr<FatVolume>> drives_;  // upper-case letter -> volume
  std::unique_ptr<HostFileSystem> host_;
  std::map<char, std::string> places_;  // upper-case letter -> "partition N"
};

}  // namespace veskaro::platform
